#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/MdxFile.h"
#include "dbase/Table.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

class Maintenance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table::create(QStringLiteral("PED.DBF"), {fieldOf("C_PED", 'N', 5), fieldOf("N_CAUSA", 'C', 8),
                                                  fieldOf("N_IMP", 'N', 6, 2), fieldOf("X_OBS", 'M')});
        Table t(QStringLiteral("PED.DBF"));
        t.open();
        for (int i = 1; i <= 6; ++i) {
            t.append();
            t.setValue("C_PED", i);
            t.setValue("N_CAUSA", QStringLiteral("C-%1").arg(i, 6, 10, QLatin1Char('0')));
            t.setValue("N_IMP", i * 1.25);
            t.setValue("X_OBS", QString(600 * i, QLatin1Char('a' + i)));
            t.post();
        }
        // records 2 and 5 deleted
        t.first();
        t.next();
        t.deleteRecord();
        t.locate("C_PED", 5);
        t.deleteRecord();
    }

    // Every record, deleted ones too, as "flag C_PED N_CAUSA N_IMP len(X_OBS)".
    QStringList contents()
    {
        Table t(QStringLiteral("PED.DBF"));
        t.open();
        QStringList out;
        for (t.first(); !t.eof(); t.next())
            out << QStringLiteral("%1 %2 %3 %4")
                       .arg(t.value("C_PED").toInt())
                       .arg(t.value("N_CAUSA").toString())
                       .arg(t.value("N_IMP").toDouble())
                       .arg(t.value("X_OBS").toString().size());
        return out;
    }

    QStringList leftovers()
    {
        return QDir(folder.dir.path()).entryList({"*.qtmp", "*.qpk", "*.qjl"}, QDir::Files);
    }

    test::ProgramFolderScope folder;
};

} // namespace

TEST_F(Maintenance, PackNeedsTheTableToItself)
{
    Table t(QStringLiteral("PED.DBF"));
    t.open();
    try {
        t.pack();
        FAIL();
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Table must be opened exclusive to pack"));
    }
    EXPECT_THROW(t.changeFieldWidth("N_CAUSA", 15), DatabaseError);
    EXPECT_THROW(t.addField(fieldOf("X_OAPE", 'C', 15)), DatabaseError);
}

TEST_F(Maintenance, PackDropsDeletedRecordsAndCompactsTheMemos)
{
    const QStringList before = contents();
    const qint64 memoBefore = QFileInfo(folder.dir.file("PED.DBT")).size();
    Table t(QStringLiteral("PED.DBF"));
    t.open(Table::Mode::Exclusive);
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 4u);
    EXPECT_EQ(t.value("C_PED").toInt(), 1);
    t.close();
    EXPECT_EQ(contents(), before);
    EXPECT_LT(QFileInfo(folder.dir.file("PED.DBT")).size(), memoBefore);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
    const QByteArray dbf = test::readAll(folder.dir.file("PED.DBF"));
    EXPECT_EQ(dbf.size(), 32 + 4 * 32 + 1 + 4 * (1 + 5 + 8 + 6 + 10) + 1);
    EXPECT_EQ(dbf.back(), '\x1A');
}

TEST_F(Maintenance, FieldWidthChangesKeepEveryRecord)
{
    Table t(QStringLiteral("PED.DBF"));
    t.open(Table::Mode::Exclusive);
    EXPECT_EQ(t.fieldWidth("N_CAUSA"), 8);
    t.changeFieldWidth("N_CAUSA", 15);
    t.changeFieldWidth("C_PED", 8);
    EXPECT_EQ(t.fieldWidth("N_CAUSA"), 15);
    EXPECT_EQ(t.physicalRecordCount(), 6u); // deleted records stay, still deleted
    t.edit();
    t.setValue("N_CAUSA", QStringLiteral("123456789012345"));
    t.post();
    EXPECT_THROW(t.changeFieldWidth("N_CAUSA", 10), DatabaseError); // would cut a value
    EXPECT_EQ(t.fieldWidth("N_CAUSA"), 15);
    EXPECT_THROW(t.changeFieldWidth("X_OBS", 20), DatabaseError);
    t.close();
    const QStringList after = contents();
    ASSERT_EQ(after.size(), 4);
    EXPECT_EQ(after[0], QStringLiteral("1 123456789012345 1.25 600"));
    EXPECT_EQ(after[3], QStringLiteral("6 C-000006 7.5 3600"));
    const QByteArray dbf = test::readAll(folder.dir.file("PED.DBF"));
    EXPECT_EQ(dbf.mid(32 + 32 + 16, 1), QByteArray(1, 15)); // the descriptor's width
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(Maintenance, AddedFieldsAreBlankInEveryRecord)
{
    const QStringList before = contents();
    {
        Table t(QStringLiteral("PED.DBF"));
        t.open(Table::Mode::Exclusive);
        t.addField(fieldOf("X_OAPE", 'C', 15));
        t.addField(fieldOf("VERIF_ID", 'N', 8));
        t.addField(fieldOf("F_PAGO", 'D'));
        t.addField(fieldOf("M_MENOR", 'L'));
        EXPECT_THROW(t.addField(fieldOf("X_OAPE", 'C', 3)), DatabaseError);
        EXPECT_THROW(t.addField(fieldOf("B_X", 'B')), DatabaseError);
        EXPECT_EQ(t.fields().size(), 8);
        EXPECT_EQ(t.physicalRecordCount(), 6u);
        EXPECT_TRUE(t.value("X_OAPE").isNull());
        EXPECT_TRUE(t.value("M_MENOR").isNull());
    }
    EXPECT_EQ(contents(), before);
}

TEST_F(Maintenance, AnInterruptedReplacementIsFinishedAtTheNextOpen)
{
    // New files complete and the marker written, renames not yet done.
    test::writeAll(folder.dir.file("PED.DBF.qtmp"), test::readAll(folder.dir.file("PED.DBF")));
    Table::create(QStringLiteral("other.dbf"), {fieldOf("A", 'C', 1)});
    test::writeAll(folder.dir.file("PED.DBF"), test::readAll(folder.dir.file("other.dbf")));
    test::writeAll(folder.dir.file("PED.qpk"), "PED.DBF.qtmp\tPED.DBF\n");
    EXPECT_EQ(contents().size(), 4);
    EXPECT_TRUE(leftovers().isEmpty());
}

namespace {

// Records of a little over 1 KB: a few thousand of them span several of the pieces that a
// pack or an index build reads (and a pack writes) at a time.
class WideTable : public ::testing::Test
{
protected:
    static constexpr int kRecords = 2500;

    void SetUp() override
    {
        Table::create(QStringLiteral("W.DBF"),
                      {fieldOf("C_PED", 'N', 8), fieldOf("X_APE1", 'C', 20), fieldOf("N_IMP", 'N', 10, 2),
                       fieldOf("X_PAD1", 'C', 250), fieldOf("X_PAD2", 'C', 250), fieldOf("X_PAD3", 'C', 250),
                       fieldOf("X_PAD4", 'C', 250)},
                      {{"C_PED", "C_PED"}, {"APED", "UPPER(X_APE1)", true, false}, {"N_IMP", "N_IMP"},
                       {"IMPU", "N_IMP", false, true}});
        emptyIndex = test::readAll(folder.dir.file("W.MDX"));
    }

    // Writes the records straight into the DBF (deleted where asked), then regenerates the
    // index from them. C_PED is the record number; N_IMP takes negative and decimal values,
    // some of them repeated.
    void fill(const std::function<bool(int)> &deleted)
    {
        {
            DbfFile dbf;
            dbf.open(folder.dir.file("W.DBF"), File::Access::ReadWrite, File::Share::Exclusive);
            const FieldList &f = dbf.fields();
            for (int i = 1; i <= kRecords; ++i) {
                QByteArray r = dbf.blankRecord();
                r[0] = deleted(i) ? DbfFile::kDeleted : DbfFile::kLive;
                r.replace(f[0].offset, 8, QByteArray::number(i).rightJustified(8));
                r.replace(f[1].offset, 20, QByteArray(i % 3 ? "p\xE9rez " : "GOMEZ ").append(QByteArray::number(i % 40)).leftJustified(20));
                r.replace(f[2].offset, 10, QByteArray::number((i * 7919 % 1201 - 600) / 100.0, 'f', 2).rightJustified(10));
                r.replace(f[3].offset, 250, QByteArray::number(i).leftJustified(250, '.'));
                dbf.appendRecord(r);
            }
        }
        Table t(QStringLiteral("W.DBF"));
        t.open(Table::Mode::Exclusive);
        t.regenerateIndexes();
        EXPECT_TRUE(t.checkIndex().isEmpty()) << t.checkIndex().join('\n').toStdString();
    }

    // C_PED of every record in file order, and whether each is deleted.
    static QList<int> numbers(const QString &fileName)
    {
        DbfFile dbf;
        dbf.open(ProgramFolder::resolve(fileName), File::Access::ReadOnly, File::Share::Shared);
        QList<int> out;
        for (std::uint32_t r = 1; r <= dbf.recordCount(); ++r) {
            const QByteArray rec = dbf.readRecord(r);
            EXPECT_EQ(rec[0], DbfFile::kLive);
            out << rec.mid(dbf.fields()[0].offset, 8).trimmed().toInt();
            EXPECT_EQ(rec.mid(dbf.fields()[3].offset, 250), QByteArray::number(out.back()).leftJustified(250, '.'));
        }
        return out;
    }

    // Packs, then checks the records left and every tag.
    void packAndCheck(const std::function<bool(int)> &deleted)
    {
        QList<int> live;
        for (int i = 1; i <= kRecords; ++i) {
            if (!deleted(i))
                live << i;
        }
        Table t(QStringLiteral("W.DBF"));
        t.open(Table::Mode::Exclusive);
        t.pack();
        EXPECT_EQ(t.physicalRecordCount(), std::uint32_t(live.size()));
        EXPECT_TRUE(t.checkIndex().isEmpty()) << t.checkIndex().join('\n').toStdString();
        t.setIndexField("C_PED");
        QList<int> inOrder;
        for (t.first(); !t.eof(); t.next())
            inOrder << t.value("C_PED").toInt();
        EXPECT_EQ(inOrder, live);
        t.close();
        EXPECT_EQ(numbers(QStringLiteral("W.DBF")), live);
        EXPECT_EQ(QFileInfo(folder.dir.file("W.DBF")).size(), 32 + 7 * 32 + 1 + qint64(live.size()) * 1039 + 1);
        EXPECT_TRUE(leftovers().isEmpty());
    }

    QStringList leftovers() { return QDir(folder.dir.path()).entryList({"*.qtmp", "*.qpk", "*.qjl"}, QDir::Files); }

    test::ProgramFolderScope folder;
    QByteArray emptyIndex; // as created, before any record
};

} // namespace

TEST_F(WideTable, PackClosesGapsWithinAndAcrossThePiecesItReads)
{
    // A run of deleted records across the end of the first piece (1009 records of 1039
    // bytes), scattered ones, and the last record.
    const auto deleted = [](int i) { return (i >= 990 && i <= 1030) || i % 97 == 5 || i == kRecords; };
    fill(deleted);
    packAndCheck(deleted);
}

TEST_F(WideTable, PackOfOnlyDeletedRecordsLeavesAnEmptyTableThatTakesNewOnes)
{
    fill([](int) { return true; });
    packAndCheck([](int) { return true; });
    Table t(QStringLiteral("W.DBF"));
    t.open(Table::Mode::Exclusive);
    EXPECT_TRUE(t.eof());
    t.append();
    t.setValue("C_PED", 7);
    t.setValue("N_IMP", -0.5);
    t.post();
    t.setIndexField("C_PED");
    EXPECT_TRUE(t.findKey(7));
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 1u);
    EXPECT_TRUE(t.checkIndex().isEmpty());
}

TEST_F(WideTable, PackAndRegenerationOfATableWithoutRecords)
{
    Table t(QStringLiteral("W.DBF"));
    t.open(Table::Mode::Exclusive);
    t.pack();
    t.regenerateIndexes();
    EXPECT_EQ(t.physicalRecordCount(), 0u);
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.checkIndex().isEmpty());
    EXPECT_EQ(t.productionIndex()->tagCount(), 4);
}

TEST_F(WideTable, PackWithNothingDeletedLeavesTheRecordsAsTheyAreAndWritesTheIndexAnew)
{
    fill([](int) { return false; });
    const QByteArray dbf = test::readAll(folder.dir.file("W.DBF"));
    test::writeAll(folder.dir.file("W.MDX"), emptyIndex); // sound, but out of step with the records
    packAndCheck([](int) { return false; });
    EXPECT_EQ(test::readAll(folder.dir.file("W.DBF")), dbf);
}
