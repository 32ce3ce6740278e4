#include "MdxTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QtEndian>

namespace qal::test {

dbase::FieldList readDbfFields(const QString &dbfPath)
{
    QFile f(dbfPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    dbase::FieldList fields;
    int offset = 1;
    for (int at = 32; at + 32 <= bytes.size() && bytes[at] != '\r'; at += 32) {
        dbase::FieldDescriptor d;
        d.name = QString::fromLatin1(bytes.mid(at, 11).constData());
        d.type = bytes[at + 11];
        d.length = uchar(bytes[at + 16]);
        d.decimals = uchar(bytes[at + 17]);
        d.offset = offset;
        offset += d.length;
        fields << d;
    }
    return fields;
}

std::vector<QByteArray> readDbfRecords(const QString &dbfPath)
{
    QFile f(dbfPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    const auto count = qFromLittleEndian<quint32>(bytes.constData() + 4);
    const auto header = qFromLittleEndian<quint16>(bytes.constData() + 8);
    const auto length = qFromLittleEndian<quint16>(bytes.constData() + 10);
    std::vector<QByteArray> records;
    for (quint32 i = 0; i < count; ++i)
        records.push_back(bytes.mid(header + qsizetype(i) * length, length));
    return records;
}

void MemoryTable::addField(const QString &name, char type, int length, int decimals)
{
    fields << dbase::FieldDescriptor{name, type, length, decimals, recordLength};
    recordLength += length;
}

QByteArray MemoryTable::make(const QList<QByteArray> &values, bool deleted) const
{
    QByteArray record(1, deleted ? '*' : ' ');
    for (int i = 0; i < fields.size(); ++i) {
        QByteArray v = i < values.size() ? values[i].left(fields[i].length) : QByteArray();
        const QByteArray pad(fields[i].length - v.size(), ' ');
        record += (fields[i].type == 'N' ? pad + v : v + pad);
    }
    return record;
}

dbase::MdxFile::RecordSource MemoryTable::source() const
{
    return [this](std::uint32_t recno, QByteArray &record) {
        if (recno < 1 || recno > records.size())
            return false;
        record = records[recno - 1];
        return true;
    };
}

std::vector<std::pair<QByteArray, std::uint32_t>> walk(const dbase::MdxFile &index, int tag)
{
    std::vector<std::pair<QByteArray, std::uint32_t>> out;
    auto cursor = index.cursor(tag);
    for (bool ok = cursor->first(); ok; ok = cursor->next())
        out.emplace_back(cursor->key(), cursor->recno());
    return out;
}

std::vector<std::pair<QByteArray, std::uint32_t>> perlWalk(const QString &mdxPath, const QString &tag, bool *ok)
{
    QProcess perl;
    perl.start(QStringLiteral("perl"),
               {QStringLiteral("-MXBase::Index"), QStringLiteral("-e"),
                QStringLiteral("my $i = XBase::Index->new($ARGV[0], 'tag' => $ARGV[1]) or die XBase::Index->errstr;"
                               "$i->prepare_select; while (my ($k, $r) = $i->fetch) { print unpack('H*', $k), ' ', $r, \"\\n\" }"),
                mdxPath, tag});
    *ok = perl.waitForFinished(60000) && perl.exitStatus() == QProcess::NormalExit && perl.exitCode() == 0;
    std::vector<std::pair<QByteArray, std::uint32_t>> out;
    for (const QByteArray &line : perl.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2)
            out.emplace_back(QByteArray::fromHex(parts[0]), parts[1].toUInt());
    }
    return out;
}

} // namespace qal::test
