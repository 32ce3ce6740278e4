// Every real dBASE table of the fixtures, read through the engine's low level (DBF, DBT and
// field values), must print exactly as the independent reader's dump in expected/.

#include "core/Cp1252.h"
#include "dbase/DbfFile.h"
#include "dbase/FieldValue.h"
#include "dbase/MemoFile.h"
#include "support/TempFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;

namespace {

QString esc(const QByteArray &s)
{
    QString out = QStringLiteral("\"");
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '"')
            { out += QLatin1Char('\\'); out += QLatin1Char(char(c)); }
        else if (c < 0x20 || c > 0x7E)
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(char(c));
    }
    return out + QLatin1Char('"');
}

QString memoText(const QByteArray &v)
{
    bool printable = true;
    for (char ch : v) {
        const auto c = static_cast<unsigned char>(ch);
        if (!(c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0x7E) || c >= 0x80))
            printable = false;
    }
    return QStringLiteral("<memo len=%1 md5=%2 %3>")
        .arg(v.size())
        .arg(QString::fromLatin1(QCryptographicHash::hash(v, QCryptographicHash::Md5).toHex()))
        .arg(printable ? QStringLiteral("text=") + esc(v) : QStringLiteral("head=") + esc(v.left(16)));
}

// The lines of the dump that describe the table itself (Perl's own lines, the memo
// reader's name and the index are left out).
QStringList dumpTable(const QString &dbfPath)
{
    DbfFile dbf;
    dbf.open(dbfPath, File::Access::ReadOnly, File::Share::Shared);
    QStringList out;
    const QDate d = dbf.lastUpdate();
    out << QStringLiteral("HEADER version=0x%1 records=%2 header_len=%3 record_len=%4 last_update=%5 mdx_flag=%6 ldid=0x%7")
               .arg(dbf.version(), 2, 16, QLatin1Char('0'))
               .arg(dbf.recordCount())
               .arg(dbf.headerLength())
               .arg(dbf.recordLength())
               .arg(QStringLiteral("%1-%2-%3").arg(d.year(), 4, 10, QLatin1Char('0')).arg(d.month(), 2, 10, QLatin1Char('0')).arg(d.day(), 2, 10, QLatin1Char('0')))
               .arg(dbf.productionIndex() ? 1 : 0)
               .arg(dbf.languageDriver(), 2, 16, QLatin1Char('0'));
    for (int i = 0; i < dbf.fields().size(); ++i) {
        const FieldDescriptor &f = dbf.fields()[i];
        out << QStringLiteral("FIELD %1 %2 %3 %4 %5").arg(i + 1).arg(f.name).arg(QLatin1Char(f.type)).arg(f.length).arg(f.decimals);
    }
    MemoFile memo;
    if (dbf.hasMemoFields()) {
        const QFileInfo info(dbfPath);
        QString memoPath;
        for (const QString &n : QDir(info.absolutePath()).entryList(QDir::Files))
            if (n.compare(info.completeBaseName() + QStringLiteral(".dbt"), Qt::CaseInsensitive) == 0)
                memoPath = info.absoluteDir().filePath(n);
        memo.open(memoPath, dbf.dbase4Memo() ? MemoFile::Kind::DBase4 : MemoFile::Kind::DBase3,
                  File::Access::ReadOnly, File::Share::Shared);
    }
    for (std::uint32_t r = 1; r <= dbf.recordCount(); ++r) {
        const QByteArray rec = dbf.readRecord(r);
        out << QStringLiteral("RECORD %1 deleted=%2").arg(r).arg(rec[0] == '*' ? 1 : 0);
        for (const FieldDescriptor &f : dbf.fields()) {
            const QByteArray raw = rec.mid(f.offset, f.length);
            const QVariant v = fieldvalue::decode(f, raw);
            QString text;
            switch (f.type) {
            case 'C':
                text = esc(raw);
                break;
            case 'N':
            case 'F':
                text = v.isNull() ? QStringLiteral("NULL") : QString::number(v.toDouble(), 'f', f.decimals);
                break;
            case 'D':
                text = v.isNull() ? QStringLiteral("NULL") : v.toDate().toString(QStringLiteral("yyyyMMdd"));
                break;
            case 'L':
                text = v.isNull() ? QStringLiteral("?") : (v.toBool() ? QStringLiteral("T") : QStringLiteral("F"));
                break;
            default: {
                const std::uint32_t block = MemoFile::parsePointer(raw, dbfPath);
                text = block == 0 ? QStringLiteral("NULL") : memoText(memo.read(block));
            }
            }
            out << QStringLiteral("  %1=%2").arg(f.name, text);
        }
    }
    return out;
}

QStringList expectedLines(const QString &name)
{
    QFile f(test::TempFolder::fixture(QStringLiteral("dbase/expected/%1.txt").arg(name)));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    QStringList out;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QString l = QString::fromLatin1(line);
        if (l.startsWith(QLatin1String("HEADER version")) || l.startsWith(QLatin1String("FIELD"))
            || l.startsWith(QLatin1String("RECORD")) || l.startsWith(QLatin1String("  ")))
            out << l;
        if (l.startsWith(QLatin1String("MDX")))
            break;
    }
    return out;
}

} // namespace

class FixtureRead : public ::testing::TestWithParam<const char *>
{
};

TEST_P(FixtureRead, MatchesTheIndependentReaderFieldByField)
{
    const QString name = QString::fromLatin1(GetParam());
    const QDir dir(test::TempFolder::fixture(QStringLiteral("dbase/") + name));
    const QStringList tables = dir.entryList({QStringLiteral("*.dbf"), QStringLiteral("*.DBF")}, QDir::Files);
    ASSERT_EQ(tables.size(), 1);
    const QStringList got = dumpTable(dir.filePath(tables.first()));
    const QStringList want = expectedLines(name);
    ASSERT_EQ(got.size(), want.size()) << got.join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i].toStdString(), want[i].toStdString()) << "line " << i;
}

INSTANTIATE_TEST_SUITE_P(RealTables, FixtureRead,
                         ::testing::Values("dans_dbase3plus_cars_del", "dans_dbase3plus_memotest",
                                           "dans_dbase4_memotest", "dans_dbase5_memotest", "dbase5dos_testgen",
                                           "legacyapp_depense", "legacyapp_facture"));
