#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/RecordSearch.h"
#include "dbase/Table.h"

#include <gtest/gtest.h>

#include <random>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

// The same records twice: one table with tags on the searched fields, one without, so that
// a key seek and a read of the whole file must agree.
class RecordSearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const FieldList fields {fieldOf("C_PED", 'N', 8), fieldOf("X_APE1", 'C', 15), fieldOf("X_NOM1", 'C', 15),
                                fieldOf("N_DOC", 'N', 10), fieldOf("F_NAC", 'D')};
        Table::create(QStringLiteral("con.DBF"), fields,
                      {{"C_PED", "C_PED"}, {"X_APE1", "X_APE1"}, {"N_DOC", "N_DOC"}});
        Table::create(QStringLiteral("sin.DBF"), fields);
        const QStringList surnames {"GÓMEZ", "D'ANGELO", "O\"BRIEN", "PEÑA", "gómez", "GOMEZ", "MUÑOZ"};
        for (const char *file : {"con.DBF", "sin.DBF"}) {
            Table t(QString::fromLatin1(file));
            t.open();
            std::mt19937 same(7);
            for (int i = 1; i <= 3000; ++i) {
                t.append();
                t.setValue("C_PED", i % 1000 + 1); // numbers repeat, as aliases of one request do
                t.setValue("X_APE1", surnames[int(same() % surnames.size())]);
                t.setValue("X_NOM1", i % 2 ? QStringLiteral("ANA") : QStringLiteral("JOSÉ"));
                t.setValue("N_DOC", 20000000 + int(same() % 500));
                t.post();
            }
            // deleted records are never found, whatever their index keys say
            for (int recno : {5, 6, 2999}) {
                t.gotoBookmark(Table::Bookmark(recno));
                t.deleteRecord();
            }
        }
    }

    std::vector<std::uint32_t> both(const QList<FieldEquals> &conditions)
    {
        const auto indexed = query::openForReading(QStringLiteral("con.dbf"));
        const auto plain = query::openForReading(QStringLiteral("sin.dbf"));
        const std::vector<std::uint32_t> a = query::recordsWhere(*indexed, conditions);
        const std::vector<std::uint32_t> b = query::recordsWhere(*plain, conditions);
        EXPECT_EQ(a, b) << "a key seek and a scan disagree";
        return a;
    }

    // What a plain walk through the table finds, as the reference.
    std::vector<std::uint32_t> walk(const std::function<bool(Table &)> &accept)
    {
        Table t(QStringLiteral("sin.DBF"));
        t.open();
        std::vector<std::uint32_t> found;
        for (t.first(); !t.eof(); t.next()) {
            if (accept(t))
                found.push_back(t.recordNumber());
        }
        return found;
    }

    test::ProgramFolderScope folder;
};

} // namespace

TEST_F(RecordSearchTest, KeySeekAndScanFindTheSameLiveRecordsInFileOrder)
{
    const auto byNumber = both({{"C_PED", 6}});
    EXPECT_EQ(byNumber, walk([](Table &t) { return t.value("C_PED").toInt() == 6; }));
    EXPECT_EQ(byNumber, std::vector<std::uint32_t>({1005, 2005})) << "record 5, deleted, was number 6 too";

    const auto byDocument = both({{"N_DOC", qint64(20000123)}});
    EXPECT_EQ(byDocument, walk([](Table &t) { return t.value("N_DOC").toLongLong() == 20000123; }));
    EXPECT_FALSE(byDocument.empty());

    for (const QString &surname : {QStringLiteral("D'ANGELO"), QStringLiteral("O\"BRIEN"), QStringLiteral("PEÑA")}) {
        const auto found = both({{"X_APE1", surname}, {"X_NOM1", "JOSÉ"}});
        EXPECT_EQ(found, walk([&](Table &t) {
                      return t.value("X_APE1").toString() == surname && t.value("X_NOM1").toString() == "JOSÉ";
                  })) << surname.toStdString();
        EXPECT_FALSE(found.empty()) << surname.toStdString();
    }
}

TEST_F(RecordSearchTest, TextMatchesExactlyAndWhatAFieldCannotHoldMatchesNothing)
{
    const auto upper = both({{"X_APE1", "GÓMEZ"}});
    EXPECT_EQ(upper, walk([](Table &t) { return t.value("X_APE1").toString() == "GÓMEZ"; }));
    EXPECT_TRUE(both({{"X_APE1", "GÓM"}}).empty()) << "not a prefix";
    EXPECT_TRUE(both({{"X_APE1", "Gómez"}}).empty()) << "case counts";
    EXPECT_TRUE(both({{"X_APE1", "GÓMEZ          X"}}).empty()) << "longer than the field";
    EXPECT_TRUE(both({{"X_APE1", QStringLiteral("GÓMEZ\u4E2D")}}).empty()) << "not storable";
    EXPECT_TRUE(both({{"C_PED", 0}}).empty());
}

TEST_F(RecordSearchTest, AnUnknownFieldIsTheEnginesError)
{
    const auto t = query::openForReading(QStringLiteral("con.dbf"));
    EXPECT_THROW(query::recordsWhere(*t, QList<FieldEquals> {{"N_CAUSA", "1"}}), DatabaseError);
    EXPECT_THROW(query::openForReading(QStringLiteral("nada.dbf")), DatabaseError);
}
