// Changes of a table's structure: fields widened, narrowed or added, in one pass over the
// records. changeFieldWidth and addField are single changes of the same kind.
#include "Table.h"

#include "DatabaseError.h"
#include "core/Cp1252.h"

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

// A character field keeps its bytes (NULs and high bytes included) and loses only trailing
// padding when narrowed; a number keeps its text, right-aligned. A value that would not fit
// fails the whole change.
void resize(const Move &m, const char *in, char *out)
{
    const QByteArrayView bytes(in + m.from, m.fromLength);
    char *to = out + m.to;
    if (m.type == 'C') {
        qsizetype n = bytes.size();
        while (n > m.toLength && (bytes[n - 1] == ' ' || bytes[n - 1] == '\0'))
            --n;
        if (n > m.toLength)
            throw DatabaseError(QStringLiteral("El valor \"%1\" del campo %2 no cabe en el nuevo ancho.")
                                    .arg(fromCp1252(bytes).trimmed(), m.name));
        std::memcpy(to, bytes.data(), size_t(n));
        std::memset(to + n, ' ', size_t(m.toLength - n));
        return;
    }
    const QByteArrayView t = bytes.trimmed();
    if (t.size() > m.toLength)
        throw DatabaseError(
            QStringLiteral("El valor %1 del campo %2 no cabe en el nuevo ancho.").arg(QString::fromLatin1(t), m.name));
    std::memset(to, ' ', size_t(m.toLength - t.size()));
    std::memcpy(to + m.toLength - t.size(), t.data(), size_t(t.size()));
}

QByteArray descriptorOf(const FieldDescriptor &f)
{
    QByteArray descriptor(DbfFile::kDescriptorSize, '\0');
    const QByteArray nameBytes = f.name.toLatin1();
    descriptor.replace(0, nameBytes.size(), nameBytes);
    descriptor[11] = f.type;
    descriptor[16] = char(f.length);
    descriptor[17] = char(f.decimals);
    return descriptor;
}

// The moves that make a new record from an old one; unchanged fields that follow one
// another are copied as one piece.
QList<Move> planMoves(const FieldList &oldFields, const FieldList &newFields, const QStringList &falseFields)
{
    const int n = int(oldFields.size());
    QList<Move> pieces;
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
        } else if (m.type == 'L' && falseFields.contains(m.name, Qt::CaseInsensitive)) {
            m.fill = 'F';
        }
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
    return pieces;
}

} // namespace

void Table::changeFieldWidth(const QString &name, int newWidth, int newDecimals)
{
    requireWritable();
    requireExclusive(QStringLiteral("La tabla %1 debe estar abierta en forma exclusiva para cambiar su estructura.")
                         .arg(m_fileName));
    const int index = fieldIndex(name);
    if (index < 0)
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(m_fileName, name));
    const FieldDescriptor &old = fields()[index];
    if (old.type != 'C' && old.type != 'N' && old.type != 'F')
        throw DatabaseError(QStringLiteral("El ancho del campo %1 no se puede cambiar.").arg(old.name));
    if (old.type != 'C' && newDecimals >= 0 && newDecimals != old.decimals)
        throw DatabaseError(QStringLiteral("Sólo se puede cambiar el ancho del campo %1.").arg(old.name));
    Restructure change;
    change.widths.append({name, newWidth});
    restructure(change);
}

void Table::addField(const FieldDescriptor &added)
{
    requireWritable();
    requireExclusive(QStringLiteral("La tabla %1 debe estar abierta en forma exclusiva para cambiar su estructura.")
                         .arg(m_fileName));
    Restructure change;
    change.added.append(added);
    restructure(change);
}

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
        const int decimals = oldFields[index].decimals;
        if (width < 1 || width > (type == 'C' ? 254 : 20) || (type != 'C' && decimals > 0 && decimals > width - 2))
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
    DbfFile::layOut(newFields, int(oldFields.size()));

    // The header: the old descriptors with their new widths, then the new ones, then the
    // terminator and whatever another writer kept after it.
    const int n = int(oldFields.size());
    const QByteArray oldHeader = m_dbf.file().read(0, m_dbf.headerLength());
    const int descriptorsEnd = DbfFile::kHeaderSize + DbfFile::kDescriptorSize * n;
    QByteArray header = oldHeader.left(descriptorsEnd);
    for (int i = 0; i < n; ++i)
        header[DbfFile::kHeaderSize + DbfFile::kDescriptorSize * i + 16] = char(newFields[i].length);
    for (int i = n; i < newFields.size(); ++i)
        header += descriptorOf(newFields[i]);
    header += '\x0D';
    header += oldHeader.mid(descriptorsEnd + 1);

    // Bytes a record holds after its last field stay at its end.
    const int oldFieldsEnd = oldFields.last().offset + oldFields.last().length;
    const int tail = m_dbf.recordLength() - oldFieldsEnd;
    const int newFieldsEnd = newFields.last().offset + newFields.last().length;
    const int recordLength = newFieldsEnd + tail;
    putU16(header, 8, int(header.size()));
    putU16(header, 10, recordLength);

    const QList<Move> pieces = planMoves(oldFields, newFields, changes.falseFields);
    // One buffer for every new record: every byte of it is written by one of the pieces (the
    // deleted flag aside), and the copy handed back is given up before the next record, so
    // the buffer is never copied for writing and no record allocates.
    QByteArray out(recordLength, ' ');
    rewrite(newFields, header, false, false, [&](const QByteArray &rec) {
        char *to = out.data();
        const char *from = rec.constData();
        to[0] = from[0];
        for (const Move &m : pieces) {
            if (m.from < 0)
                std::memset(to + m.to, m.fill, size_t(m.toLength));
            else if (m.resized)
                resize(m, from, to);
            else
                std::memcpy(to + m.to, from + m.from, size_t(m.toLength));
        }
        std::memcpy(to + newFieldsEnd, from + oldFieldsEnd, size_t(tail));
        return out;
    });
}

} // namespace qal::dbase
