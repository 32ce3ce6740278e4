#include "EngineTestUtil.h"

#include "core/Clock.h"
#include "dbase/DatabaseError.h"
#include "dbase/DbfFile.h"

#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

class DbfFileTest : public ::testing::Test
{
protected:
    void SetUp() override { Clock::setFixed(QDateTime(QDate(2026, 3, 9), QTime(10, 0))); }
    void TearDown() override { Clock::reset(); }
    // A table of one numeric field holding each record's own number.
    void openNumbered(DbfFile &dbf, int count)
    {
        const QString path = dir.file("t.dbf");
        DbfFile::create(path, {fieldOf("N", 'N', 6)});
        dbf.open(path, File::Access::ReadWrite, File::Share::Exclusive);
        for (int i = 1; i <= count; ++i)
            dbf.appendRecord(" " + QByteArray::number(i).rightJustified(6, ' '));
    }
    test::TempFolder dir;
};

} // namespace

TEST_F(DbfFileTest, CreatesTheLayoutDBaseWrites)
{
    const QString path = dir.file("PED.DBF");
    DbfFile::create(path, {fieldOf("c_ped", 'N', 8), fieldOf("X_APE1", 'C', 15), fieldOf("B_HUELLA", 'B')});
    const QByteArray b = test::readAll(path);
    ASSERT_EQ(b.size(), 32 + 3 * 32 + 1 + 1);
    EXPECT_EQ(b.left(12), QByteArray("\x8B\x7E\x03\x09\0\0\0\0\x81\0\x22\0", 12));
    EXPECT_EQ(std::uint8_t(b[29]), 0x57);
    EXPECT_EQ(b.mid(32, 12), QByteArray("C_PED\0\0\0\0\0\0N", 12)); // names upper case
    EXPECT_EQ(std::uint8_t(b[32 + 16]), 8);
    EXPECT_EQ(b[32 + 32 + 11], 'C');
    EXPECT_EQ(b.mid(b.size() - 2), QByteArray("\x0D\x1A"));

    DbfFile::create(dir.file("plain.dbf"), {fieldOf("A", 'C', 1)});
    EXPECT_EQ(test::readAll(dir.file("plain.dbf"))[0], '\x03'); // no memo: dBASE III level

    EXPECT_THROW(DbfFile::create(dir.file("x.dbf"), {fieldOf("A", 'C', 255)}), DatabaseError);
    EXPECT_THROW(DbfFile::create(dir.file("x.dbf"), {fieldOf("A", 'N', 5, 4)}), DatabaseError);
    EXPECT_THROW(DbfFile::create(dir.file("x.dbf"), {fieldOf("1ABC", 'C', 5)}), DatabaseError);
    EXPECT_THROW(DbfFile::create(dir.file("x.dbf"), {fieldOf("X-Y", 'C', 5)}), DatabaseError);
    // names longer than dBASE holds are cut to ten characters
    DbfFile::create(dir.file("long.dbf"), {fieldOf("C_PAGO_DOMIC", 'C', 32)});
    DbfFile dbf;
    dbf.open(dir.file("long.dbf"), File::Access::ReadOnly, File::Share::Shared);
    EXPECT_EQ(dbf.fields()[0].name, QStringLiteral("C_PAGO_DOM"));
    EXPECT_EQ(fieldIndex(dbf.fields(), QStringLiteral("c_pago_domic")), 0);
    EXPECT_THROW(DbfFile::create(dir.file("x.dbf"), {fieldOf("A", 'C', 5), fieldOf("a", 'N', 5)}), DatabaseError);
    EXPECT_THROW(DbfFile::create(dir.file("x.dbf"), {fieldOf("A", 'I', 4)}), DatabaseError);
}

TEST_F(DbfFileTest, AppendWritesTheRecordBeforeRaisingTheCount)
{
    const QString path = dir.file("t.dbf");
    DbfFile::create(path, {fieldOf("A", 'C', 3)});
    DbfFile dbf;
    dbf.open(path, File::Access::ReadWrite, File::Share::Exclusive);
    EXPECT_EQ(dbf.appendRecord(" abc"), 1u);
    EXPECT_EQ(dbf.appendRecord(" def"), 2u);
    EXPECT_EQ(dbf.readRecord(2), QByteArray(" def"));
    EXPECT_THROW(dbf.readRecord(3), DatabaseError);
    EXPECT_THROW(dbf.appendRecord("toolong"), DatabaseError);
    const QByteArray b = test::readAll(path);
    EXPECT_EQ(b.mid(4, 4), QByteArray("\x02\0\0\0", 4));
    EXPECT_EQ(b.mid(32 + 32 + 1), QByteArray(" abc def\x1A"));

    // a record written past the count (a writer killed before the header) is not seen,
    // and the next append takes its place
    QByteArray torn = b;
    torn.replace(torn.size() - 1, 1, " ghi\x1A");
    dbf.close();
    test::writeAll(path, torn);
    dbf.open(path, File::Access::ReadWrite, File::Share::Exclusive);
    EXPECT_EQ(dbf.recordCount(), 2u);
    dbf.appendRecord(" jkl");
    EXPECT_EQ(dbf.readRecord(3), QByteArray(" jkl"));
}

TEST_F(DbfFileTest, KeepsHeaderBytesItDoesNotOwn)
{
    // dBASE 5 leaves junk in reserved header bytes and descriptors; a write keeps it.
    const QString path = dir.file("t.dbf");
    DbfFile::create(path, {fieldOf("A", 'C', 3)});
    QByteArray b = test::readAll(path);
    b[29] = '\x1B';
    b[30] = '\xC9';
    b[31] = '\x07';
    b[32 + 12] = 'J';
    test::writeAll(path, b);
    {
        DbfFile dbf;
        dbf.open(path, File::Access::ReadWrite, File::Share::Exclusive);
        EXPECT_EQ(dbf.languageDriver(), 0x1B);
        dbf.touch();
        dbf.appendRecord(" abc");
        dbf.setProductionIndex(true);
        dbf.refreshCount();
        EXPECT_TRUE(dbf.productionIndex());
    }
    const QByteArray after = test::readAll(path);
    EXPECT_EQ(after.mid(29, 3), QByteArray("\x1B\xC9\x07"));
    EXPECT_EQ(after[32 + 12], 'J');
    EXPECT_EQ(after[28], '\x01');
}

TEST_F(DbfFileTest, WalksInFileOrderReadAhead)
{
    DbfFile dbf;
    openNumbered(dbf, 3000);
    for (std::uint32_t r = 1; r <= 3000; ++r)
        ASSERT_EQ(dbf.readRecord(r).mid(1).trimmed().toInt(), int(r));
    dbf.writeRecord(1500, "     -1");
    EXPECT_EQ(dbf.readRecord(1500), QByteArray("     -1")); // a write is seen at once
    EXPECT_EQ(dbf.readRecord(1501), QByteArray("   1501"));
}

TEST_F(DbfFileTest, ReadsRecordsScatteredOverTheFileInOneBatch)
{
    DbfFile dbf;
    openNumbered(dbf, 3000);
    const auto number = [&dbf](std::uint32_t r) { return dbf.readRecord(r).mid(1).trimmed().toInt(); };

    // more than one batch of the kernel's ring, in no order, with numbers past the count
    std::vector<std::uint32_t> wanted;
    for (std::uint32_t r = 2999; r > 20; r -= 37)
        wanted.push_back(r);
    wanted.push_back(0);
    wanted.push_back(3001);
    dbf.prefetch(wanted);
    for (const std::uint32_t r : wanted) {
        if (r >= 1 && r <= 3000) {
            ASSERT_EQ(number(r), int(r));
        }
    }
    EXPECT_THROW(dbf.readRecord(3001), DatabaseError);
    EXPECT_EQ(number(1), 1); // a record outside the batch is read as always

    dbf.prefetch(wanted);
    dbf.writeRecord(wanted[3], "     -1");
    EXPECT_EQ(dbf.readRecord(wanted[3]), QByteArray("     -1")); // a write is seen at once
    EXPECT_EQ(number(wanted[4]), int(wanted[4]));
}

TEST_F(DbfFileTest, ABatchOfLeadingBytesNeverPassesForWholeRecords)
{
    DbfFile dbf;
    openNumbered(dbf, 500);
    std::vector<std::uint32_t> wanted;
    for (std::uint32_t r = 480; r > 20; r -= 13)
        wanted.push_back(r);
    dbf.prefetch(wanted, 4); // the flag and the first three digit places
    ASSERT_TRUE(dbf.isCached(wanted[2]));

    QByteArray out("stale tail");
    const int bytes = dbf.readLeadingInto(wanted[2], out);
    if (bytes < 7) { // a batch was possible here: only the leading bytes came in
        EXPECT_EQ(bytes, 4);
        EXPECT_EQ(out.size(), 7);
        EXPECT_EQ(out.left(4), QByteArray("    "));
        EXPECT_EQ(out.mid(4), QByteArray("e t")); // what was there before
    }
    // a whole read of a record in that batch goes to the file
    EXPECT_EQ(dbf.readRecord(wanted[3]), " " + QByteArray::number(wanted[3]).rightJustified(6, ' '));
    // and so does a leading read of one outside it
    QByteArray other;
    EXPECT_EQ(dbf.readLeadingInto(1, other), 7);
    EXPECT_EQ(other, QByteArray("      1"));

    dbf.prefetch(wanted, 100); // more than a record: whole records
    QByteArray whole;
    EXPECT_EQ(dbf.readLeadingInto(wanted[5], whole), 7);
    EXPECT_EQ(whole.mid(1).trimmed().toInt(), int(wanted[5]));
}

TEST_F(DbfFileTest, AScatteredReadPastTheEndSaysTheFileIsTruncated)
{
    const QString path = dir.file("t.bin");
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    QByteArray bytes(200 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 % 251);
    out.write(bytes);
    out.close();
    File f;
    f.open(path, File::Access::ReadOnly, File::Share::Shared);
    std::vector<QByteArray> buffers(150, QByteArray(1000, 'x'));
    std::vector<ReadPiece> pieces;
    for (std::size_t i = 0; i < buffers.size(); ++i)
        pieces.push_back({std::int64_t((i * 104729) % 199000), buffers[i].data(), 1000});
    f.readPieces(pieces);
    for (std::size_t i = 0; i < buffers.size(); ++i)
        ASSERT_EQ(buffers[i], bytes.mid(qsizetype(pieces[i].offset), 1000)) << i;

    pieces.push_back({std::int64_t(bytes.size()) - 10, buffers[0].data(), 1000});
    try {
        f.readPieces(pieces);
        FAIL() << "a piece past the end was read";
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("El archivo t.bin está truncado o dañado."));
    }
}

// The quick ways to a field by name give what the plain search of the list gives.
TEST_F(DbfFileTest, FindsFieldsByNameHoweverTheyAreAskedFor)
{
    const QString path = dir.file("t.dbf");
    FieldList fields;
    for (const char *name : {"C_PED", "X_NOMPADR1", "X_NOMMADR2", "X_APE1", "X_APE2", "F_PED", "N_DOC", "X_OBS"})
        fields.append(fieldOf(name, 'C', 4));
    DbfFile::create(path, fields);
    DbfFile dbf;
    dbf.open(path, File::Access::ReadOnly, File::Share::Shared);
    const FieldList &own = dbf.fields();
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < own.size(); ++i)
            ASSERT_EQ(dbf.fieldIndex(own[i].name), i); // in order, by the table's own strings
    }
    for (int i = int(own.size()) - 1; i >= 0; --i)
        ASSERT_EQ(dbf.fieldIndex(own[i].name), i);
    QStringList asked;
    for (const FieldDescriptor &f : own)
        asked << f.name.toLower() << QString(f.name) << f.name + QStringLiteral("XYZ");
    asked << QStringLiteral("NINGUNO") << QString() << QStringLiteral("x_ape");
    for (const QString &name : asked) {
        ASSERT_EQ(dbf.fieldIndex(name), fieldIndex(own, name)) << name.toStdString();
        ASSERT_EQ(dbf.fieldIndex(own[0].name), 0);
        ASSERT_EQ(dbf.fieldIndex(name), fieldIndex(own, name)) << name.toStdString();
    }
}
