// Every tag we write must walk in Perl XBase (the independent reader) exactly as we walk it.
#include "MdxTestSupport.h"

#include "dbase/MdxFile.h"
#include "support/TempFolder.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;

namespace {

void expectPerlAgrees(const QString &path, const MdxFile &index, size_t minimum)
{
    for (int t = 0; t < index.tagCount(); ++t) {
        bool ok = false;
        const auto perl = test::perlWalk(path, index.tag(t).spec.name, &ok);
        ASSERT_TRUE(ok) << "Perl XBase could not walk " << index.tag(t).spec.name.toStdString();
        const auto ours = test::walk(index, t);
        if (!index.tag(t).spec.unique) {
            EXPECT_GE(ours.size(), minimum);
        }
        EXPECT_EQ(perl, ours) << index.tag(t).spec.name.toStdString();
    }
}

class MdxCompatibility : public ::testing::Test
{
protected:
    MdxCompatibility()
    {
        table.addField("X_APE1", 'C', 25);
        table.addField("C_PED", 'C', 12);
        table.addField("IMPORTE", 'N', 12, 2);
        table.addField("F_PED", 'D', 8);
        table.addField("C_ORG", 'N', 4);
        table.addField("OBS", 'C', 90);
    }
    QByteArray record(QRandomGenerator &rng, int i)
    {
        static const QList<QByteArray> surnames = {"PE\xD1" "A", "MU\xD1OZ", "NU\xD1" "EZ", "ORDO\xD1" "EZ", "GARC\xCD" "A",
                                                   "L\xD3PEZ", "G\xDC" "ELL", "ZAPATA", "a\xF1" "o", "Yba\xF1" "ez"};
        return table.make({surnames[int(rng.bounded(surnames.size()))] + ' ' + QByteArray::number(rng.bounded(100)),
                           QByteArray::number(i * 7919 % 100003).rightJustified(8, '0'),
                           QByteArray::number((int(rng.bounded(2000000)) - 1000000) / 100.0, 'f', 2),
                           rng.bounded(20) == 0 ? QByteArray()
                                                : QDate(1950, 1, 1).addDays(rng.bounded(27000)).toString("yyyyMMdd").toLatin1(),
                           QByteArray::number(rng.bounded(40)), QByteArray::number(rng.bounded(1000)).rightJustified(90, '-')});
    }

    test::MemoryTable table;
    test::TempFolder dir;
    const QList<TagSpec> tags = {{"X_APE1", "UPPER(X_APE1)"},
                                 {"C_PED", "C_PED", false, true},
                                 {"IMPORTE", "IMPORTE"},
                                 {"IMPORTED", "IMPORTE", true, false},
                                 {"F_PED", "F_PED"},
                                 {"F_PEDD", "F_PED", true, false},
                                 {"ORG", "DTOS(F_PED)+STR(C_ORG,4)"},
                                 {"OBS", "OBS"},
                                 {"ORGU", "C_ORG", false, true}};
};

} // namespace

TEST_F(MdxCompatibility, PerlWalksCreatedAndMaintainedIndexes)
{
    QRandomGenerator rng(2024);
    for (int i = 1; i <= 3000; ++i)
        table.records.push_back(record(rng, i));
    const QString path = dir.file("PED.MDX");
    MdxFile::create(path, "PED", 0x1B, table.fields, tags, 3000, table.source());
    {
        auto index = MdxFile::open(path, table.fields, File::Access::ReadOnly, File::Share::Shared);
        expectPerlAgrees(path, *index, 40); // OBS: 9 keys a node, so four levels
    }
    // Then through inserts, edits and removals (splits, new roots, emptied leaves).
    auto index = MdxFile::open(path, table.fields, File::Access::ReadWrite, File::Share::Exclusive);
    for (int i = 3001; i <= 4500; ++i) {
        table.records.push_back(record(rng, i));
        index->insertRecord(std::uint32_t(i), table.records.back());
    }
    for (int i = 0; i < 1000; ++i) {
        const size_t at = rng.bounded(quint32(table.records.size()));
        const QByteArray before = table.records[at];
        table.records[at] = record(rng, int(at) + 1);
        index->updateRecord(std::uint32_t(at + 1), before, table.records[at]);
    }
    for (size_t at = 0; at < 2500; ++at)
        index->removeRecord(std::uint32_t(at + 1), table.records[at]);
    expectPerlAgrees(path, *index, 30);
}

TEST_F(MdxCompatibility, PerlReadsOurHeaderAndTagTable)
{
    QRandomGenerator rng(1);
    for (int i = 1; i <= 10; ++i)
        table.records.push_back(record(rng, i));
    const QString path = dir.file("PED.MDX");
    MdxFile::create(path, "ped", 0x1B, table.fields, tags, 10, table.source());
    const QString dbf = dir.file("PED.DBF");
    // A DBF header is enough for xbase-dump to list the index.
    QByteArray header(32, '\0');
    header[0] = 0x03;
    header[8] = char((32 + 32 * table.fields.size() + 1) & 0xFF);
    header[9] = char((32 + 32 * table.fields.size() + 1) >> 8);
    header[10] = char(table.recordLength & 0xFF);
    header[11] = char(table.recordLength >> 8);
    header[28] = 1;
    for (const FieldDescriptor &f : table.fields) {
        QByteArray d(32, '\0');
        d.replace(0, f.name.size(), f.name.toLatin1());
        d[11] = f.type;
        d[16] = char(f.length);
        d[17] = char(f.decimals);
        header += d;
    }
    header += '\r';
    QFile f(dbf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(header);
    f.close();
    QProcess dump;
    dump.start("perl", {QStringLiteral(QAL_SOURCE_DIR "/tests/tools/xbase-dump.pl"), "--no-records", dbf});
    ASSERT_TRUE(dump.waitForFinished(60000));
    const QString out = QString::fromLatin1(dump.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("MDX file=%1 version=2 dbf_name=PED block_size=2 block_size_adder=1024 "
                                            "production=1 tags_used=9 pages=").arg(dir.file("PED.MDX"))))
        << out.toStdString();
    EXPECT_TRUE(out.contains("TAG X_APE1 type=C keylen=25 itemlen=32 expr=\"UPPER(X_APE1)\" key_format=0x00 unique=0 descending=0"));
    EXPECT_TRUE(out.contains("TAG C_PED type=C keylen=12 itemlen=16 expr=\"C_PED\" key_format=0x50 unique=1 descending=0"));
    EXPECT_TRUE(out.contains("TAG IMPORTED type=N keylen=12 itemlen=16 expr=\"IMPORTE\" key_format=0x18 unique=0 descending=1"));
    EXPECT_TRUE(out.contains("TAG F_PED type=D keylen=8 itemlen=12 expr=\"F_PED\" key_format=0x10"));
    EXPECT_FALSE(out.contains("ERROR")) << out.toStdString();
}
