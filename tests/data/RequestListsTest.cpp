#include "data/ProgramFolderSetup.h"
#include "data/RequestLists.h"
#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

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
        dbase::Table ped("PED.DBF");
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
    const dbase::ResultSet sent = Cped(true, false);
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent.value(0, "c_ped").toInt(), 3);
    EXPECT_EQ(sent.value(1, "c_ped").toInt(), 5);
    EXPECT_EQ(sent.value(1, "x_org").toString(), QStringLiteral("FISCALÍA DE INSTRUCCIÓN Nº 3"));
    EXPECT_EQ(sent.value(0, "x_ape1").toString(), QStringLiteral("PEÑA3"));
    EXPECT_EQ(Cped(true, true).size(), 1);
    const dbase::ResultSet all = CpedT();
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all.value(0, "c_ped").toInt(), 2);
    EXPECT_EQ(all.columns.size(), requestListLabels().size());
    EXPECT_EQ(requestListLabels().front(), QStringLiteral("Código"));
    ProgramFolder::setPath(before);
}

TEST(ProgramFolderSetup, WritesTheFilesItIsGivenAndFailsWhenOneCannotBeWritten)
{
    test::TempFolder dir;
    const auto writeText = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("plantilla") == 9;
    };
    createProgramFolder(dir.path(), false, {{QStringLiteral("fmodelo.bemepe"), writeText}});
    QFile written(dir.file("fmodelo.bemepe"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("plantilla"));
    EXPECT_TRUE(QFile::exists(dir.file("PED.DBF")));

    const auto fail = [](const QString &) { return false; };
    EXPECT_THROW(createProgramFolder(dir.path(), false, {{QStringLiteral("amputado.bmp"), fail}}), dbase::DatabaseError);
}
