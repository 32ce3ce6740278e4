#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/Query.h"
#include "dbase/Table.h"

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

class QueryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table::create(QStringLiteral("ped.DBF"), {fieldOf("C_PED", 'N', 8), fieldOf("C_ORG", 'N', 4),
                                                  fieldOf("X_APE1", 'C', 15), fieldOf("M_ENVIADO", 'L'),
                                                  fieldOf("F_CON", 'D')});
        Table::create(QStringLiteral("org.DBF"), {fieldOf("C_ORG", 'N', 4), fieldOf("X_ORG", 'C', 40)});
        Table org(QStringLiteral("org.DBF"));
        org.open();
        for (const auto &[k, n] : QList<QPair<int, QString>>{{10, "Juzgado"}, {20, "Fiscalía"}}) {
            org.append();
            org.setValue("C_ORG", k);
            org.setValue("X_ORG", n);
            org.post();
        }
        Table ped(QStringLiteral("ped.DBF"));
        ped.open();
        struct Row { int c; int org; const char *ape; bool sent; QDate con; };
        const Row rows[] = {{5, 10, "PEREZ", true, QDate(2024, 1, 1)}, {3, 20, "GOMEZ", false, QDate()},
                            {9, 30, "SOSA", true, QDate(2024, 3, 1)}, {1, 10, "DIAZ", true, QDate(2023, 12, 1)}};
        for (const Row &r : rows) {
            ped.append();
            ped.setValue("C_PED", r.c);
            ped.setValue("C_ORG", r.org);
            ped.setValue("X_APE1", QString::fromLatin1(r.ape));
            ped.setValue("M_ENVIADO", r.sent);
            ped.setValue("F_CON", r.con);
            ped.post();
        }
    }

    test::ProgramFolderScope folder;
};

} // namespace

TEST_F(QueryTest, SelectFiltersAndOrders)
{
    const ResultSet r = query::select(QStringLiteral("ped.dbf"), {"c_ped", "x_ape1"},
                                      [](const Table &t) { return t.value("M_ENVIADO").toBool(); },
                                      {{"c_ped", false}});
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r.value(0, "C_PED").toInt(), 1);
    EXPECT_EQ(r.value(2, "x_ape1").toString(), QStringLiteral("SOSA"));
    const ResultSet all = query::select(QStringLiteral("ped.dbf"), {}, {}, {{"F_CON", true}});
    EXPECT_EQ(all.columns.size(), 5);
    EXPECT_EQ(all.value(0, "C_PED").toInt(), 9);
    EXPECT_TRUE(all.value(3, "F_CON").isNull()); // nulls sort first, so last when descending
    EXPECT_THROW(query::select(QStringLiteral("ped.dbf"), {"NOPE"}), DatabaseError);
    EXPECT_THROW(query::select(QStringLiteral("nada.dbf"), {}), DatabaseError);
}

TEST_F(QueryTest, JoinTakesColumnsFromBothAndDropsUnmatchedRows)
{
    const ResultSet r = query::selectJoin(
        QStringLiteral("ped.DBF"), "c_org", QStringLiteral("org.DBF"), "c_org",
        {{"c_ped", false, "Código"}, {"x_ape1", false, "Apellido"}, {"x_org", true, "Organismo"}},
        [](const Table &t) { return t.value("M_ENVIADO").toBool() == true; }, {{"Código", false}});
    ASSERT_EQ(r.size(), 2); // C_PED 9 has no agency 30
    EXPECT_EQ(r.columns, QStringList({"Código", "Apellido", "Organismo"}));
    EXPECT_EQ(r.rows[0], QVariantList({1LL, QStringLiteral("DIAZ"), QStringLiteral("Juzgado")}));
    EXPECT_EQ(r.rows[1], QVariantList({5LL, QStringLiteral("PEREZ"), QStringLiteral("Juzgado")}));
}

TEST_F(QueryTest, UpdateAllDeleteWhereAndAddField)
{
    query::addField(QStringLiteral("ped.dbf"), fieldOf("M_MENOR", 'L'));
    EXPECT_EQ(query::updateAll(QStringLiteral("ped.dbf"), "M_MENOR", false), 4);
    EXPECT_EQ(query::updateAll(QStringLiteral("ped.dbf"), "X_APE1", QStringLiteral("X"),
                               [](const Table &t) { return t.value("C_ORG").toInt() == 10; }),
              2);
    const int gone = query::deleteWhere(QStringLiteral("ped.dbf"), [](const Table &t) {
        return !t.value("F_CON").isNull() && t.value("F_CON").toDate() < QDate(2024, 2, 1);
    });
    EXPECT_EQ(gone, 2);
    const ResultSet r = query::select(QStringLiteral("ped.dbf"), {"C_PED", "M_MENOR", "X_APE1"}, {}, {{"C_PED"}});
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r.value(0, "C_PED").toInt(), 3);
    EXPECT_EQ(r.value(1, "M_MENOR"), QVariant(false));
    EXPECT_EQ(r.value(1, "X_APE1").toString(), QStringLiteral("SOSA"));
}
