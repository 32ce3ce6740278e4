#include "data/TableSchema.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace qal;

TEST(TableSchema, EveryTableHasUniqueFieldsLaidOutInOrder)
{
    for (const TableDef &t : tableDefinitions()) {
        QSet<QString> names;
        int offset = 1;
        for (const auto &f : t.descriptors()) {
            EXPECT_FALSE(names.contains(f.name)) << t.component.toStdString() << " " << f.name.toStdString();
            names.insert(f.name);
            EXPECT_LE(f.name.size(), 10);
            EXPECT_EQ(f.offset, offset);
            offset += f.length;
        }
        EXPECT_LE(offset, 4000);
        if (!t.keyField.isEmpty() && t.hasIndex) {
            EXPECT_TRUE(t.field(t.keyField)) << t.component.toStdString();
        }
        for (const auto &tag : t.tags)
            EXPECT_TRUE(t.field(tag.expression)) << tag.expression.toStdString();
    }
}

TEST(TableSchema, LegacyTablesLackTheUpgradesFieldsAndWidths)
{
    const TableDef &ped = tableDefinition("ped");
    const auto legacy = ped.descriptors(true);
    EXPECT_EQ(dbase::fieldIndex(legacy, "X_OAPE"), -1);
    EXPECT_EQ(dbase::fieldIndex(legacy, "M_MENOR"), -1);
    EXPECT_EQ(legacy[dbase::fieldIndex(legacy, "N_CAUSA")].length, 8);
    EXPECT_EQ(ped.descriptors()[dbase::fieldIndex(ped.descriptors(), "N_CAUSA")].length, 15);
    const auto sup = tableDefinition("sup").descriptors(true);
    EXPECT_EQ(sup[dbase::fieldIndex(sup, "C_PED")].length, 5);
    EXPECT_EQ(sup[dbase::fieldIndex(sup, "C_REG")].length, 3);
    EXPECT_EQ(dbase::fieldIndex(tableDefinition("org").descriptors(true), "X_EMAIL"), -1);
}

TEST(TableSchema, LongFieldNamesAreStoredCutAndFoundWhole)
{
    const auto pedp = tableDefinition("pedp").descriptors();
    const int i = dbase::fieldIndex(pedp, "c_pago_domic");
    ASSERT_GE(i, 0);
    EXPECT_EQ(pedp[i].name, "C_PAGO_DOM");
    EXPECT_EQ(pedp[i].length, 32);
    EXPECT_EQ(dbase::fieldIndex(pedp, "C_PAGO"), dbase::fieldIndex(pedp, "c_pago")); // not confused with the cut name
    EXPECT_NE(dbase::fieldIndex(pedp, "C_PAGO"), i);
}
