#include "EngineTestUtil.h"

#include "data/engine/DatabaseError.h"
#include "data/engine/Table.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::db;
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
