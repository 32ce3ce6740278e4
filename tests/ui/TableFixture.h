#pragma once

#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace qal::test {

// A small indexed table "gente.dbf" (NOMBRE C10, EDAD N3, ACTIVO C1) with three people,
// open in the program folder of the test, ordered by NOMBRE.
struct TableFixture : ::testing::Test
{
    void SetUp() override
    {
        before = ProgramFolder::path();
        ProgramFolder::setPath(dir.path());
        dbase::FieldList fields {{QStringLiteral("NOMBRE"), 'C', 10}, {QStringLiteral("EDAD"), 'N', 3},
                              {QStringLiteral("ACTIVO"), 'C', 1}};
        dbase::Table::create(QStringLiteral("gente.dbf"), fields, {{QStringLiteral("NOMBRE"), QStringLiteral("NOMBRE")}});
        table.open(QStringLiteral("gente.dbf"));
        table.setIndexField(QStringLiteral("NOMBRE"));
        for (const auto &[name, age, active] : {std::tuple {"carla", 30, "S"}, {"ana", 25, "N"}, {"beto", 41, "S"}}) {
            table.append();
            table.setValue(QStringLiteral("NOMBRE"), QString::fromLatin1(name));
            table.setValue(QStringLiteral("EDAD"), qlonglong(age));
            table.setValue(QStringLiteral("ACTIVO"), QString::fromLatin1(active));
            table.post();
        }
        table.first();
    }
    void TearDown() override
    {
        table.close();
        ProgramFolder::setPath(before);
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    }

    TempFolder dir;
    ScriptedDialogs dialogs;
    dbase::Table table;
    QString before;
};

} // namespace qal::test
