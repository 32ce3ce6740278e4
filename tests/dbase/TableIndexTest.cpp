// The cursor over tables with a production index: order, seeks, detail ranges, and the
// index kept whole by posts, deletes and every maintenance operation.

#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/MdxFile.h"
#include "dbase/Table.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

class TableIndex : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table::create(QStringLiteral("PED.DBF"),
                      {fieldOf("C_PED", 'N', 8), fieldOf("X_APE1", 'C', 15), fieldOf("F_PED", 'D'),
                       fieldOf("B_HUELLA", 'B')},
                      {{"C_PED", "C_PED"}, {"X_APE1", "X_APE1"}, {"F_PED", "F_PED"}});
        Table t(QStringLiteral("PED.DBF"));
        t.open();
        const QList<QPair<int, const char *>> rows = {
            {30, "PEREZ"}, {10, "GOMEZ"}, {50, "ÑANDÚ"}, {20, "ALVAREZ"}, {40, "GOMEZ"}};
        for (const auto &[k, n] : rows) {
            t.append();
            t.setValue("C_PED", k);
            t.setValue("X_APE1", QString::fromUtf8(n));
            t.setValue("F_PED", QDate(2024, 1, 1).addDays(k));
            t.post();
        }
    }

    static QList<int> keys(Table &t)
    {
        QList<int> out;
        for (t.first(); !t.eof(); t.next())
            out << t.value("C_PED").toInt();
        return out;
    }

    test::ProgramFolderScope folder;
};

} // namespace

TEST_F(TableIndex, WalksAndSeeksInTheActiveIndexOrder)
{
    Table t(QStringLiteral("ped.dbf"));
    t.open();
    EXPECT_TRUE(t.hasProductionIndex());
    EXPECT_EQ(keys(t), QList<int>({30, 10, 50, 20, 40})); // file order
    t.setIndexField("c_ped");
    EXPECT_EQ(keys(t), QList<int>({10, 20, 30, 40, 50}));
    t.last();
    EXPECT_EQ(t.value("C_PED").toInt(), 50);
    t.prior();
    EXPECT_EQ(t.value("C_PED").toInt(), 40);

    EXPECT_TRUE(t.findKey(30));
    EXPECT_EQ(t.value("X_APE1").toString(), QStringLiteral("PEREZ"));
    EXPECT_FALSE(t.findKey(35));
    EXPECT_EQ(t.value("C_PED").toInt(), 30); // a missed seek does not move
    t.next();
    EXPECT_EQ(t.value("C_PED").toInt(), 40); // and the walk goes on from the found key

    t.setIndexField("X_APE1");
    QStringList names;
    for (t.first(); !t.eof(); t.next())
        names << t.value("X_APE1").toString();
    EXPECT_EQ(names, QStringList({"ALVAREZ", "GOMEZ", "GOMEZ", "PEREZ", "ÑANDÚ"}));
    EXPECT_TRUE(t.findKey(QStringLiteral("GOMEZ")));
    EXPECT_EQ(t.value("C_PED").toInt(), 10); // the first of equal keys
    EXPECT_THROW(t.setIndexField("B_HUELLA"), DatabaseError);
    EXPECT_EQ(t.lookup("C_PED", 50, "X_APE1").toString(), QStringLiteral("ÑANDÚ"));
}

// Many index blocks, so that every walk crosses blocks and reads records ahead of itself.
TEST_F(TableIndex, LongWalksInIndexOrderSeeEveryRecordAsItIs)
{
    Table t(QStringLiteral("PED.DBF"));
    t.open(Table::Mode::Exclusive);
    std::mt19937 rng(5);
    // the fixture's five first, then many more
    std::vector<std::pair<QString, int>> expected = {{QStringLiteral("PEREZ"), 30}, {QStringLiteral("GOMEZ"), 10},
                                                     {QString::fromUtf8("ÑANDÚ"), 50}, {QStringLiteral("ALVAREZ"), 20},
                                                     {QStringLiteral("GOMEZ"), 40}};
    for (int k = 100; k < 1600; ++k) {
        const QString name = QStringLiteral("N%1").arg(rng() % 400, 4, 10, QLatin1Char('0'));
        t.append();
        t.setValue("C_PED", k);
        t.setValue("X_APE1", name);
        t.post();
        expected.emplace_back(name, k);
    }
    t.setIndexField("C_PED");
    for (int k = 100; k < 1600; k += 7) {
        ASSERT_TRUE(t.findKey(k));
        t.deleteRecord();
    }
    std::erase_if(expected, [](const auto &e) { return e.second >= 100 && (e.second - 100) % 7 == 0; });
    std::stable_sort(expected.begin(), expected.end(), [](const auto &a, const auto &b) { return a.first < b.first; });

    t.setIndexField("X_APE1");
    std::vector<std::pair<QString, int>> forward, backward;
    for (t.first(); !t.eof(); t.next())
        forward.emplace_back(t.value("X_APE1").toString(), t.value("C_PED").toInt());
    for (t.last(); !t.bof(); t.prior())
        backward.emplace_back(t.value("X_APE1").toString(), t.value("C_PED").toInt());
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(forward.size(), expected.size());
    EXPECT_TRUE(forward == expected);
    EXPECT_TRUE(backward == expected);
}

// A walk that reads only a record's leading fields reads only those bytes ahead; whatever
// then needs more of the record (a later field, the raw bytes, a look-up, a count, an edit)
// must get the record's own bytes, not the previous record's tail.
TEST_F(TableIndex, AWalkReadingItsLeadingFieldsStillGivesWholeRecords)
{
    std::vector<std::pair<QString, int>> expected = {{QStringLiteral("PEREZ"), 30}, {QStringLiteral("GOMEZ"), 10},
                                                     {QString::fromUtf8("ÑANDÚ"), 50}, {QStringLiteral("ALVAREZ"), 20},
                                                     {QStringLiteral("GOMEZ"), 40}};
    {
        Table t(QStringLiteral("PED.DBF"));
        t.open(Table::Mode::Exclusive);
        std::mt19937 rng(11);
        for (int k = 100; k < 1600; ++k) {
            const QString name = QStringLiteral("N%1").arg(rng() % 400, 4, 10, QLatin1Char('0'));
            t.append();
            t.setValue("C_PED", k);
            t.setValue("X_APE1", name);
            t.setValue("F_PED", QDate(2024, 1, 1).addDays(k));
            t.post();
            expected.emplace_back(name, k);
        }
    }
    std::stable_sort(expected.begin(), expected.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    const auto date = [](int k) { return QDate(2024, 1, 1).addDays(k); };

    using Check = std::function<void(Table &, int)>;
    const std::vector<std::pair<const char *, Check>> checks = {
        {"a later field", [&](Table &t, int k) { EXPECT_EQ(t.value("F_PED").toDate(), date(k)); }},
        {"the raw bytes",
         [&](Table &t, int k) { EXPECT_EQ(t.rawRecord().mid(24, 8), date(k).toString("yyyyMMdd").toLatin1()); }},
        {"a look-up",
         [&](Table &t, int k) {
             EXPECT_EQ(t.lookup("C_PED", 150, "C_PED").toInt(), 150);
             EXPECT_EQ(t.value("F_PED").toDate(), date(k));
         }},
        {"a count",
         [&](Table &t, int k) {
             EXPECT_EQ(t.recordCount(), int(expected.size()));
             EXPECT_EQ(t.value("F_PED").toDate(), date(k));
         }},
        {"an edit",
         [&](Table &t, int k) {
             t.edit();
             EXPECT_EQ(t.value("F_PED").toDate(), date(k));
             t.cancel();
             EXPECT_EQ(t.value("F_PED").toDate(), date(k));
         }},
    };
    Table t(QStringLiteral("PED.DBF"));
    t.open(Table::Mode::Exclusive);
    t.setIndexField("X_APE1");
    for (const auto &[what, check] : checks) {
        SCOPED_TRACE(what);
        std::vector<int> seen;
        for (t.first(); !t.eof(); t.next()) {
            seen.push_back(t.value("C_PED").toInt());
            if (seen.size() == 700) // well past the first batch, read whole
                check(t, seen.back());
        }
        ASSERT_EQ(seen.size(), expected.size());
        for (std::size_t i = 0; i < seen.size(); ++i)
            ASSERT_EQ(seen[i], expected[i].second) << i;
    }
}

// What a walk reads ahead must not hide a change: by another table of this program at once,
// by another program (a raw write here) once a moment has passed, as an operator's next step.
TEST_F(TableIndex, AWalkInIndexOrderSeesChangesMadeBehindItsBack)
{
    {
        Table t(QStringLiteral("PED.DBF"));
        t.open();
        for (int k = 100; k < 400; ++k) {
            t.append();
            t.setValue("C_PED", k);
            t.setValue("X_APE1", QStringLiteral("N%1").arg(k * 7919 % 300, 4, 10, QLatin1Char('0')));
            t.post();
        }
    }
    QList<int> order;
    std::uint32_t thirdRecno = 0;
    {
        Table t(QStringLiteral("PED.DBF"));
        t.open();
        t.setIndexField("X_APE1");
        for (t.first(); !t.eof(); t.next()) {
            order << t.value("C_PED").toInt();
            if (order.size() == 4)
                thirdRecno = t.recordNumber();
        }
    }
    Table walk(QStringLiteral("PED.DBF"));
    walk.open();
    walk.setIndexField("X_APE1");
    walk.first(); // reads the records of the first index block ahead
    walk.next();
    walk.next();

    {
        QFile raw(folder.dir.file("PED.DBF"));
        ASSERT_TRUE(raw.open(QIODevice::ReadWrite));
        const QByteArray header = raw.read(12);
        const qint64 headerLength = std::uint8_t(header[8]) | std::uint8_t(header[9]) << 8;
        const qint64 recordLength = std::uint8_t(header[10]) | std::uint8_t(header[11]) << 8;
        raw.seek(headerLength + (qint64(thirdRecno) - 1) * recordLength + 1 + 8 + 15);
        raw.write("20310101");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    walk.next();
    ASSERT_EQ(walk.value("C_PED").toInt(), order[3]);
    EXPECT_EQ(walk.value("F_PED").toDate(), QDate(2031, 1, 1));

    Table other(QStringLiteral("PED.DBF"));
    other.open();
    other.setIndexField("C_PED");
    ASSERT_TRUE(other.findKey(order[4]));
    other.edit();
    other.setValue("F_PED", QDate(2030, 5, 6));
    other.post();
    walk.next();
    ASSERT_EQ(walk.value("C_PED").toInt(), order[4]);
    EXPECT_EQ(walk.value("F_PED").toDate(), QDate(2030, 5, 6));
}

TEST_F(TableIndex, PostsAndDeletesKeepTheIndex)
{
    Table t(QStringLiteral("PED.DBF"));
    t.open();
    t.setIndexField("C_PED");
    ASSERT_TRUE(t.findKey(20));
    t.edit();
    t.setValue("C_PED", 60);
    t.post();
    EXPECT_EQ(t.value("C_PED").toInt(), 60);
    t.next();
    EXPECT_TRUE(t.eof()); // the record moved to its new place
    ASSERT_TRUE(t.findKey(30));
    t.deleteRecord();
    EXPECT_EQ(t.value("C_PED").toInt(), 40); // on to the next in index order
    EXPECT_FALSE(t.findKey(30));
    t.append();
    t.setValue("C_PED", 5);
    t.post();
    EXPECT_EQ(keys(t), QList<int>({5, 10, 40, 50, 60}));
    EXPECT_TRUE(t.checkIndex().isEmpty()) << t.checkIndex().join('\n').toStdString();

    // closing, reopening and seeking again, as after every post of the program
    t.close();
    t.open();
    EXPECT_EQ(t.indexField(), QStringLiteral("C_PED"));
    EXPECT_FALSE(t.findKey(999));
    EXPECT_EQ(t.value("C_PED").toInt(), 5); // where open leaves it: first in index order
    EXPECT_TRUE(t.findKey(60));
}

TEST_F(TableIndex, DetailLinkOnTheIndexedFieldWalksOnlyItsRange)
{
    Table::create(QStringLiteral("sup.dbf"), {fieldOf("C_PED", 'N', 8), fieldOf("X_NOM1", 'C', 15)},
                  {{"C_PED", "C_PED"}});
    Table sup(QStringLiteral("sup.dbf"));
    sup.open();
    for (const auto &[k, n] : QList<QPair<int, const char *>>{{30, "A"}, {10, "B"}, {30, "C"}, {50, "D"}}) {
        sup.append();
        sup.setValue("C_PED", k);
        sup.setValue("X_NOM1", QString::fromLatin1(n));
        sup.post();
    }
    sup.setIndexField("C_PED");
    Table ped(QStringLiteral("PED.DBF"));
    ped.open();
    ped.setIndexField("C_PED");
    sup.setMasterLink(&ped, "C_PED", "C_PED");
    ASSERT_TRUE(ped.findKey(30));
    QString seen;
    for (sup.first(); !sup.eof(); sup.next())
        seen += sup.value("X_NOM1").toString();
    EXPECT_EQ(seen, QStringLiteral("AC"));
    sup.last();
    EXPECT_EQ(sup.value("X_NOM1").toString(), QStringLiteral("C"));
    ASSERT_TRUE(ped.findKey(20));
    EXPECT_TRUE(sup.isEmpty());
    EXPECT_EQ(sup.recordCount(), 0);
}

TEST_F(TableIndex, MaintenanceRebuildsTheIndex)
{
    Table t(QStringLiteral("PED.DBF"));
    t.open(Table::Mode::Exclusive);
    t.setIndexField("C_PED");
    ASSERT_TRUE(t.findKey(10));
    t.deleteRecord();
    t.edit();
    t.setValue("B_HUELLA", QByteArray(3000, '\x01'));
    t.post();
    t.pack();
    EXPECT_EQ(t.physicalRecordCount(), 4u);
    EXPECT_EQ(keys(t), QList<int>({20, 30, 40, 50}));
    EXPECT_TRUE(t.checkIndex().isEmpty());
    EXPECT_TRUE(t.findKey(20));
    EXPECT_EQ(t.value("B_HUELLA").toByteArray(), QByteArray(3000, '\x01'));

    t.changeFieldWidth("X_APE1", 20);
    t.addField(fieldOf("X_OAPE", 'C', 15));
    EXPECT_TRUE(t.checkIndex().isEmpty());
    t.setIndexField("X_APE1");
    EXPECT_TRUE(t.findKey(QStringLiteral("PEREZ")));
    t.regenerateIndexes();
    EXPECT_TRUE(t.checkIndex().isEmpty());
    EXPECT_EQ(t.productionIndex()->tagCount(), 3);
}

TEST_F(TableIndex, AMissingOrDamagedIndexIsAnErrorAtOpen)
{
    const QByteArray mdx = test::readAll(folder.dir.file("PED.MDX"));
    QFile::remove(folder.dir.file("PED.MDX"));
    Table t(QStringLiteral("PED.DBF"));
    EXPECT_THROW(t.open(), DatabaseError);
    test::writeAll(folder.dir.file("PED.MDX"), mdx.left(600));
    EXPECT_THROW(t.open(), DatabaseError);
    test::writeAll(folder.dir.file("PED.MDX"), mdx);
    EXPECT_NO_THROW(t.open());
}
