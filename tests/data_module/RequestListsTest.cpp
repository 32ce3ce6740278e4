#include "data/ProgramFolderSetup.h"
#include "data/RequestLists.h"
#include "data/engine/Table.h"

#include "core/ProgramFolder.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace qal;

TEST(RequestLists, OfficialRequestsWithTheirAgencyByMarksAndInNumberOrder)
{
    test::TempFolder dir;
    const QString before = ProgramFolder::path();
    createProgramFolder(dir.path());
    ProgramFolder::setPath(dir.path());
    {
        db::Table ped("PED.DBF");
        ped.open();
        const auto add = [&](int n, int org, bool sent, bool answered) {
            ped.append();
            ped.setValue("C_PED", n);
            ped.setValue("C_ORG", org);
            ped.setValue("X_APE1", QStringLiteral("PEÑA%1").arg(n));
            ped.setValue("M_ENVIADO", sent);
            ped.setValue("M_CONTESTA", answered);
            ped.post();
        };
        add(5, 2, true, false);
        add(3, 1, true, false);
        add(4, 1, true, true);
        add(1, 99, true, false); // no such agency: left out
        add(2, 3, false, false);
    }
    const db::ResultSet sent = Cped(true, false);
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent.value(0, "c_ped").toInt(), 3);
    EXPECT_EQ(sent.value(1, "c_ped").toInt(), 5);
    EXPECT_EQ(sent.value(1, "x_org").toString(), QStringLiteral("FISCALÍA DE INSTRUCCIÓN Nº 3"));
    EXPECT_EQ(sent.value(0, "x_ape1").toString(), QStringLiteral("PEÑA3"));
    EXPECT_EQ(Cped(true, true).size(), 1);
    const db::ResultSet all = CpedT();
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all.value(0, "c_ped").toInt(), 2);
    EXPECT_EQ(all.columns.size(), requestListLabels().size());
    EXPECT_EQ(requestListLabels().front(), QStringLiteral("Código"));
    EXPECT_TRUE(QFile::exists(dir.file("fmodelo.bemepe")));
    EXPECT_TRUE(QFile::exists(dir.file("amputado.bmp")));
    ProgramFolder::setPath(before);
}
