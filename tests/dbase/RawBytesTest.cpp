// Field bytes that are not text (dBASE 5's NUL-filled lock field, high bytes, bytes after
// the last field) survive every way the engine rewrites a record.
#include "EngineTestUtil.h"

#include "dbase/DbfFile.h"
#include "dbase/Table.h"
#include "dbase/TableDump.h"

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

// What dBASE 5 leaves in the lock field of a record a user once locked: a count, a time,
// a date and the user's name, NUL padded (record 3 of the specimen).
const QByteArray kLockInfo("\x02\x00\x0c\x1e\x07\x7e\x0b\x18JUAN\xd1" "\0\0\0", 16);
const QByteArray kUnlocked(16, '\0');
constexpr int kHeaderLength = 32 + 5 * 32 + 1;
constexpr int kRecordLength = 1 + 10 + 5 + 1 + 8 + 16;

class RawBytes : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.dir.copyFixture(QStringLiteral("dbase/synthetic_dbase5_lock"))); }

    QString path() const { return folder.dir.file(QStringLiteral("MULTI.DBF")); }

    // The lock field of every record in the table's file, deleted ones included, in file order.
    static QList<QByteArray> lockFields(const Table &t)
    {
        const DbfFile &dbf = t.dbfFile();
        const FieldDescriptor lock = dbf.fields()[fieldIndex(dbf.fields(), QStringLiteral("_DBASELOCK"))];
        QList<QByteArray> out;
        for (std::uint32_t r = 1; r <= dbf.recordCount(); ++r)
            out << dbf.readRecord(r).mid(lock.offset, lock.length);
        return out;
    }

    test::ProgramFolderScope folder;
};

} // namespace

TEST_F(RawBytes, LockFieldKeepsItsBytesThroughEditPackAndRestructure)
{
    Table t(QStringLiteral("MULTI.DBF"));
    t.open(Table::Mode::Exclusive);
    EXPECT_TRUE(t.value("_DBASELOCK").isNull()); // NULs are no text
    // Editing another field, and setting the lock field to what it reads as.
    t.edit();
    t.setValue("NOMBRE", QStringLiteral("MUÑOZ"));
    t.setValue("_DBASELOCK", t.value("_DBASELOCK"));
    t.post();
    t.locate("CODIGO", 3);
    t.edit();
    t.setValue("CODIGO", 33);
    t.setValue("_DBASELOCK", t.value("_DBASELOCK"));
    t.setValue("ACTIVO", t.value("ACTIVO"));
    t.post();
    EXPECT_EQ(uchar(t.rawRecord()[16]), 0xD3); // a logical byte that reads as unknown
    EXPECT_EQ(lockFields(t), QList<QByteArray>({kUnlocked, kUnlocked, kLockInfo, kUnlocked}));

    t.locate("CODIGO", 2);
    t.deleteRecord();
    t.pack();
    EXPECT_EQ(lockFields(t), QList<QByteArray>({kUnlocked, kLockInfo, kUnlocked}));

    t.changeFieldWidth("NOMBRE", 14);
    t.addField(fieldOf("X_NUEVO", 'C', 5));
    EXPECT_EQ(lockFields(t), QList<QByteArray>({kUnlocked, kLockInfo, kUnlocked}));

    // The field itself widened gains blanks, narrowed back loses only them.
    t.changeFieldWidth("_DBASELOCK", 20);
    EXPECT_EQ(lockFields(t)[1], kLockInfo + "    ");
    t.changeFieldWidth("_DBASELOCK", 16);
    EXPECT_EQ(lockFields(t), QList<QByteArray>({kUnlocked, kLockInfo, kUnlocked}));
    t.locate("CODIGO", 33);
    EXPECT_EQ(t.value("NOMBRE").toString(), QStringLiteral("PEÑA 3"));
    t.close();
}

TEST_F(RawBytes, DumpShowsWhatIsOnDisk)
{
    const QString dump = dumpTable(path(), DumpOptions {false, true, false});
    EXPECT_TRUE(dump.contains(QStringLiteral("  _DBASELOCK=\"%1\"\n").arg(QStringLiteral("\\x00").repeated(16))));
    EXPECT_TRUE(dump.contains(QStringLiteral("  _DBASELOCK=\"\\x02\\x00\\x0c\\x1e\\x07~\\x0b\\x18JUAN\\xd1"
                                             "\\x00\\x00\\x00\"\n")));
    EXPECT_TRUE(dump.contains(QStringLiteral("  ACTIVO=?\n  F_ALTA=0\n"))); // a high byte; zeros read as a number
    EXPECT_TRUE(dump.contains(QStringLiteral("  NOMBRE=\"PE\\xd1A 1    \"\n")));
}

TEST_F(RawBytes, BytesAfterTheLastFieldStayAtTheEndOfEveryRecord)
{
    // Another writer's record one byte longer than its fields.
    const QByteArray dbf = test::readAll(path());
    const int length = kRecordLength;
    QByteArray longer = dbf.left(kHeaderLength);
    longer[10] = char(length + 1);
    for (int r = 0; r < 4; ++r)
        longer += dbf.mid(kHeaderLength + r * length, length) + char(0xA0 + r);
    longer += '\x1A';
    test::writeAll(path(), longer);
    Table t(QStringLiteral("MULTI.DBF"));
    t.open(Table::Mode::Exclusive);
    t.addField(fieldOf("N_EXTRA", 'N', 3));
    ASSERT_EQ(t.dbfFile().recordLength(), length + 3 + 1);
    for (t.first(); !t.eof(); t.next()) {
        const QByteArray &raw = t.rawRecord();
        EXPECT_EQ(int(uchar(raw.back())), 0xA0 + int(t.recordNumber()) - 1);
        EXPECT_EQ(raw.mid(length, 3), QByteArray("   "));
    }
}
