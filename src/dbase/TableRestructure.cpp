// Table::restructure: several fields widened, narrowed or added in one pass over the records.
#include "Table.h"

#include "DatabaseError.h"

#include <cstring>

namespace qal::dbase {
namespace {

void putU16(QByteArray &b, int at, int v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

// Where one field of the new record comes from.
struct Move
{
    int from = -1; // offset in the old record; -1: a new field
    int fromLength = 0;
    int to = 0;
    int toLength = 0;
    char type = 'C';
    char fill = ' ';  // a new field's bytes
    bool resized = false;
    QString name;
};

// The padding and spacing that QByteArray::trimmed() takes off a number.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A field moved to its new width: text keeps its start (only blanks or NULs cut off its end),
// a number keeps its digits and is aligned to the right again.
void resize(const Move &m, const char *in, char *out)
{
    const char *bytes = in + m.from;
    char *to = out + m.to;
    if (m.type == 'C') {
        int n = m.fromLength;
        while (n > m.toLength && (bytes[n - 1] == ' ' || bytes[n - 1] == '\0'))
            --n;
        if (n > m.toLength)
            throw DatabaseError(QStringLiteral("El valor \"%1\" del campo %2 no cabe en el nuevo ancho.")
                                    .arg(QString::fromLatin1(bytes, m.fromLength).trimmed(), m.name));
        std::memcpy(to, bytes, std::size_t(n));
        std::memset(to + n, ' ', std::size_t(m.toLength - n));
        return;
    }
    int begin = 0, end = m.fromLength;
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    const int n = end - begin;
    if (n > m.toLength)
        throw DatabaseError(QStringLiteral("El valor %1 del campo %2 no cabe en el nuevo ancho.")
                                .arg(QString::fromLatin1(bytes + begin, n), m.name));
    std::memset(to, ' ', std::size_t(m.toLength - n));
    std::memcpy(to + m.toLength - n, bytes + begin, std::size_t(n));
}

} // namespace

bool Table::Restructure::isEmpty() const
{
    return widths.isEmpty() && added.isEmpty();
}

void Table::restructure(const Restructure &changes)
{
    requireWritable();
    requireExclusive(QStringLiteral("La tabla %1 debe estar abierta en forma exclusiva para cambiar su estructura.")
                         .arg(m_fileName));
    if (changes.isEmpty())
        return;
    const FieldList oldFields = fields();
    FieldList newFields = oldFields;
    for (const auto &[name, width] : changes.widths) {
        const int index = fieldIndex(name);
        if (index < 0)
            throw DatabaseError(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(m_fileName, name));
        const char type = oldFields[index].type;
        if (type != 'C' && type != 'N' && type != 'F')
            throw DatabaseError(QStringLiteral("El ancho del campo %1 no se puede cambiar.").arg(oldFields[index].name));
        if (width < 1 || width > (type == 'C' ? 254 : 20))
            throw DatabaseError(QStringLiteral("El ancho %1 no es válido para el campo %2.").arg(width).arg(name));
        newFields[index].length = width;
    }
    for (const FieldDescriptor &added : changes.added) {
        if (added.type != 'C' && added.type != 'N' && added.type != 'F' && added.type != 'D' && added.type != 'L')
            throw DatabaseError(QStringLiteral("No se puede agregar un campo de tipo %1.").arg(QLatin1Char(added.type)));
        if (dbase::fieldIndex(newFields, added.name) >= 0)
            throw DatabaseError(QStringLiteral("La tabla %1 ya tiene el campo %2.").arg(m_fileName, added.name));
        newFields.append(added);
    }
    DbfFile::layOut(newFields);

    // The header: the old descriptors with their new widths, then the new ones.
    const int n = int(oldFields.size());
    QByteArray header = m_dbf.file().read(0, DbfFile::kHeaderSize + DbfFile::kDescriptorSize * n);
    for (int i = 0; i < n; ++i) {
        const int at = DbfFile::kHeaderSize + DbfFile::kDescriptorSize * i;
        header[at + 16] = char(newFields[i].length);
    }
    for (int i = n; i < newFields.size(); ++i) {
        const FieldDescriptor &f = newFields[i];
        QByteArray descriptor(DbfFile::kDescriptorSize, '\0');
        const QByteArray nameBytes = f.name.toLatin1();
        descriptor.replace(0, nameBytes.size(), nameBytes);
        descriptor[11] = f.type;
        descriptor[16] = char(f.length);
        descriptor[17] = char(f.decimals);
        header += descriptor;
    }
    header += '\x0D';
    int recordLength = 1;
    for (const FieldDescriptor &d : newFields)
        recordLength += d.length;
    putU16(header, 8, int(header.size()));
    putU16(header, 10, recordLength);

    QList<Move> moves;
    for (int i = 0; i < newFields.size(); ++i) {
        Move m;
        m.to = newFields[i].offset;
        m.toLength = newFields[i].length;
        m.type = newFields[i].type;
        m.name = newFields[i].name;
        if (i < n) {
            m.from = oldFields[i].offset;
            m.fromLength = oldFields[i].length;
            m.resized = m.fromLength != m.toLength;
        } else if (m.type == 'L' && changes.falseFields.contains(m.name, Qt::CaseInsensitive)) {
            m.fill = 'F';
        }
        moves.append(m);
    }
    // Unchanged fields that follow one another are copied as one piece.
    QList<Move> pieces;
    for (const Move &m : std::as_const(moves)) {
        if (!pieces.isEmpty() && m.from >= 0 && !m.resized) {
            Move &last = pieces.last();
            if (last.from >= 0 && !last.resized && last.from + last.fromLength == m.from && last.to + last.toLength == m.to) {
                last.fromLength += m.fromLength;
                last.toLength += m.toLength;
                continue;
            }
        }
        pieces.append(m);
    }

    // One buffer for every new record: every byte of it is written by one of the pieces (the
    // deleted flag aside), and the copy handed back is given up before the next record, so
    // the buffer is never copied for writing and no record allocates.
    QByteArray out(recordLength, ' ');
    rewrite(newFields, header, false, false, [&](const QByteArray &rec) {
        char *to = out.data();
        const char *from = rec.constData();
        to[0] = from[0];
        for (const Move &m : std::as_const(pieces)) {
            if (m.from < 0)
                std::memset(to + m.to, m.fill, size_t(m.toLength));
            else if (m.resized)
                resize(m, from, to);
            else
                std::memcpy(to + m.to, from + m.from, size_t(m.toLength));
        }
        return out;
    });
}

} // namespace qal::dbase
