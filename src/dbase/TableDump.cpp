#include "TableDump.h"

#include "DatabaseError.h"
#include "DbfFile.h"
#include "FieldValue.h"
#include "MdxFile.h"
#include "MemoFile.h"
#include "NumericKey.h"

#include "core/Cp1252.h"
#include "core/ProgramFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <optional>

namespace qal::dbase {
namespace {

QString esc(QByteArrayView bytes)
{
    QString out = QStringLiteral("\"");
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '"')
            out += QStringLiteral("\\") + QLatin1Char(char(c));
        else if (c >= 0x20 && c <= 0x7e)
            out += QLatin1Char(char(c));
        else
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    return out + QLatin1Char('"');
}

// A number as Perl prints it (%.15g).
QString perlNumber(double v)
{
    return QString::asprintf("%.15g", v);
}

std::uint32_t le(const QByteArray &b, int at, int n)
{
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

QString memoText(const QByteArray &data)
{
    bool printable = true;
    for (char ch : data) {
        const auto c = static_cast<unsigned char>(ch);
        if (!(c == 0x09 || c == 0x0a || c == 0x0d || c >= 0x20) || c == 0x7f) {
            printable = false;
            break;
        }
    }
    const QString md5 = QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
    return QStringLiteral("<memo len=%1 md5=%2 %3>")
        .arg(data.size())
        .arg(md5, printable ? QStringLiteral("text=") + esc(data) : QStringLiteral("head=") + esc(data.left(16)));
}

// A number field's bytes as Perl reads a string as a number: leading white space, a sign,
// digits, a decimal point, digits and an exponent, as far as they go; a field with no digit
// at all is NULL. Garbage after the number is ignored, as the other reader ignores it.
std::optional<double> perlNumeric(QByteArrayView bytes)
{
    if (std::none_of(bytes.begin(), bytes.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || (bytes[i] >= '\t' && bytes[i] <= '\r')))
        ++i;
    const qsizetype start = i;
    auto digits = [&] {
        const qsizetype from = i;
        while (i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9')
            ++i;
        return i > from;
    };
    if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-'))
        ++i;
    bool any = digits();
    if (i < bytes.size() && bytes[i] == '.') {
        ++i;
        any = digits() || any;
    }
    if (!any)
        return 0.0;
    const qsizetype mantissaEnd = i;
    if (i < bytes.size() && (bytes[i] == 'e' || bytes[i] == 'E')) {
        ++i;
        if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-'))
            ++i;
        if (!digits())
            i = mantissaEnd;
    }
    return bytes.sliced(start, i - start).toByteArray().toDouble();
}

QString memoValueText(QByteArrayView bytes, MemoFile *memo)
{
    // What cannot be read prints as NULL, as the other reader prints it; check tells why.
    try {
        const std::uint32_t block = MemoFile::parsePointer(bytes, QString());
        if (block == 0 || !memo)
            return QStringLiteral("NULL");
        return memoText(memo->read(block));
    } catch (const DatabaseError &) {
        return QStringLiteral("NULL");
    }
}

// A field as it stands on disk: character fields byte for byte (NULs and high bytes
// escaped), numbers and dates as the other reader reads their text.
QString valueText(const FieldDescriptor &f, const QByteArray &record, MemoFile *memo)
{
    const QByteArrayView bytes(record.constData() + f.offset, f.length);
    if (fieldvalue::isMemo(f))
        return memoValueText(bytes, memo);
    switch (f.type) {
    case 'C':
        return esc(bytes);
    case 'L': {
        const QVariant v = fieldvalue::decode(f, bytes);
        return v.isNull() ? QStringLiteral("?") : (v.toBool() ? QStringLiteral("T") : QStringLiteral("F"));
    }
    case 'N':
    case 'F': {
        const std::optional<double> v = perlNumeric(bytes);
        return v ? QString::asprintf("%.*f", f.decimals, *v) : QStringLiteral("NULL");
    }
    case 'D': {
        const std::optional<double> v = perlNumeric(bytes);
        return v ? perlNumber(*v) : QStringLiteral("NULL");
    }
    default:
        return QStringLiteral("NULL");
    }
}

QString keyText(char type, const QByteArray &key)
{
    if (type == 'N')
        return perlNumber(numeric_key::toDouble(key));
    if (type == 'D') {
        const double jd = date_key::toJulianDay(key);
        const QString ymd = jd <= 0 ? QStringLiteral("00000000")
                                    : QDate::fromJulianDay(qint64(jd)).toString(QStringLiteral("yyyyMMdd"));
        return QStringLiteral("%1 (jd=%2)").arg(ymd, perlNumber(jd));
    }
    return esc(key);
}

// The production index beside the table, whatever the case of its name.
QString siblingIndex(const QString &dbfPath)
{
    const QFileInfo info(dbfPath);
    const QString candidate = ProgramFolder::resolveIn(info.absolutePath(), info.completeBaseName() + QStringLiteral(".mdx"));
    return QFileInfo::exists(candidate) ? candidate : QString();
}

// Text handed to the caller's writer in pieces of about 64 KB, so a dump of any size takes
// bounded memory.
class DumpOutput
{
public:
    explicit DumpOutput(const DumpWriter &write) : m_write(write) {}
    ~DumpOutput() { flush(); }
    DumpOutput &operator+=(const QString &text)
    {
        m_buffer += text;
        if (m_buffer.size() >= 64 * 1024)
            flush();
        return *this;
    }
    void flush()
    {
        if (!m_buffer.isEmpty())
            m_write(m_buffer);
        m_buffer.clear();
    }

private:
    const DumpWriter &m_write;
    QString m_buffer;
};

void dumpIndex(DumpOutput &out, const QString &mdxPath, const DbfFile &dbf, const DumpOptions &options)
{
    File raw;
    std::unique_ptr<MdxFile> mdx;
    QByteArray header;
    try {
        raw.open(mdxPath, File::Access::ReadOnly, File::Share::None);
        header = raw.read(0, 544);
        mdx = MdxFile::open(mdxPath, dbf.fields(), File::Access::ReadOnly, File::Share::None);
    } catch (const DatabaseError &e) {
        out += QStringLiteral("MDX ERROR %1\n").arg(e.message());
        return;
    }
    const QString dbfName = QString::fromLatin1(header.mid(4, 16)).section(QChar(0), 0, 0).trimmed();
    const int adder = int(le(header, 22, 2));
    out += QStringLiteral("MDX file=%1 version=%2 dbf_name=%3 block_size=%4 block_size_adder=%5 production=%6 "
                          "tags_used=%7 pages=%8\n")
               .arg(QFileInfo(mdxPath).fileName())
               .arg(int(static_cast<unsigned char>(header[0])))
               .arg(dbfName)
               .arg(le(header, 20, 2))
               .arg(adder)
               .arg(int(static_cast<signed char>(header[24])))
               .arg(le(header, 28, 2))
               .arg(le(header, 32, 4));
    if (adder != 1024)
        out += QStringLiteral("MDX WARNING block size %1 bytes != 1024: Perl XBase reads nodes as 1024 bytes\n").arg(adder);

    // Tags in the order of their header pages, as the tag table lists them.
    QList<QPair<std::uint32_t, int>> order;
    for (int t = 0; t < mdx->tagCount(); ++t) {
        const QByteArray entry = raw.read(544 + 32 * t, 32);
        order << qMakePair(le(entry, 0, 4), t);
    }
    std::sort(order.begin(), order.end());
    for (const auto &[page, t] : order) {
        const TagInfo &info = mdx->tag(t);
        const QByteArray th = raw.read(std::int64_t(page) * 512, 244);
        const int keyFormat = static_cast<unsigned char>(th[8]);
        QString keys;
        QStringList recnos;
        auto cursor = mdx->cursor(t);
        for (bool ok = cursor->first(); ok; ok = cursor->next()) {
            recnos << QString::number(cursor->recno());
            if (options.keys)
                keys += QStringLiteral("  KEY %1 %2\n").arg(cursor->recno()).arg(keyText(char(info.type), cursor->key()));
        }
        out += QStringLiteral("TAG %1 type=%2 keylen=%3 itemlen=%4 expr=%5 key_format=0x%6 unique=%7 descending=%8 "
                              "root=%9 keys=%10\n")
                   .arg(info.spec.name.toUpper(), QString(QChar(th[9])))
                   .arg(le(th, 12, 2))
                   .arg(le(th, 18, 2))
                   .arg(esc(th.mid(24).split('\0').front()))
                   .arg(keyFormat, 2, 16, QLatin1Char('0'))
                   .arg((th[23] != 0 || (keyFormat & 0x40)) ? 1 : 0)
                   .arg((keyFormat & 0x08) ? 1 : 0)
                   .arg(le(th, 0, 4))
                   .arg(recnos.size());
        for (qsizetype i = 0; i < recnos.size(); i += 20)
            out += QStringLiteral("  ORDER %1\n").arg(recnos.mid(i, 20).join(QLatin1Char(' ')));
        out += keys;
    }
}

} // namespace

QString dumpTable(const QString &dbfPath, const DumpOptions &options)
{
    QString all;
    dumpTable(dbfPath, options, [&all](const QString &text) { all += text; });
    return all;
}

void dumpTable(const QString &dbfPath, const DumpOptions &options, const DumpWriter &write)
{
    DbfFile dbf;
    dbf.open(dbfPath, File::Access::ReadOnly, File::Share::None);
    const QByteArray &h = dbf.headerBytes();
    DumpOutput out(write);
    out += QStringLiteral("HEADER version=0x%1 records=%2 header_len=%3 record_len=%4 "
                                 "last_update=%5-%6-%7 mdx_flag=%8 ldid=0x%9\n")
                      .arg(dbf.version(), 2, 16, QLatin1Char('0'))
                      .arg(dbf.recordCount())
                      .arg(dbf.headerLength())
                      .arg(dbf.recordLength())
                      .arg(1900 + static_cast<unsigned char>(h[1]), 4, 10, QLatin1Char('0'))
                      .arg(int(static_cast<unsigned char>(h[2])), 2, 10, QLatin1Char('0'))
                      .arg(int(static_cast<unsigned char>(h[3])), 2, 10, QLatin1Char('0'))
                      .arg(int(static_cast<unsigned char>(h[28])))
                      .arg(dbf.languageDriver(), 2, 16, QLatin1Char('0'));
    const FieldList &fields = dbf.fields();
    for (int i = 0; i < fields.size(); ++i) {
        out += QStringLiteral("FIELD %1 %2 %3 %4 %5\n")
                   .arg(i + 1)
                   .arg(fields[i].name, QString(QLatin1Char(fields[i].type)))
                   .arg(fields[i].length)
                   .arg(fields[i].decimals);
    }

    std::unique_ptr<MemoFile> memo;
    if (dbf.hasMemoFields()) {
        const QFileInfo info(dbfPath);
        const QString memoPath = ProgramFolder::resolveIn(info.absolutePath(), info.completeBaseName() + QStringLiteral(".dbt"));
        try {
            memo = std::make_unique<MemoFile>();
            memo->open(memoPath, dbf.dbase4Memo() ? MemoFile::Kind::DBase4 : MemoFile::Kind::DBase3,
                       File::Access::ReadOnly, File::Share::None);
            out += QStringLiteral("MEMOFILE block_size=%1 file=%2\n").arg(memo->blockSize()).arg(QFileInfo(memoPath).fileName());
        } catch (const DatabaseError &) {
            memo.reset();
            out += QStringLiteral("MEMOFILE none (memo fields present but no memo file could be opened)\n");
        }
    }

    if (options.records) {
        for (std::uint32_t r = 1; r <= dbf.recordCount(); ++r) {
            const QByteArray record = dbf.readRecord(r);
            out += QStringLiteral("RECORD %1 deleted=%2\n").arg(r).arg(record[0] == DbfFile::kDeleted ? 1 : 0);
            for (const FieldDescriptor &f : fields)
                out += QStringLiteral("  %1=%2\n").arg(f.name, valueText(f, record, memo.get()));
        }
    }

    if (options.index) {
        const QString mdxPath = siblingIndex(dbfPath);
        if (mdxPath.isEmpty())
            out += QStringLiteral("MDX none\n");
        else
            dumpIndex(out, mdxPath, dbf, options);
    }
}

} // namespace qal::dbase
