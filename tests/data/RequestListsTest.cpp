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
        add(1, 99, true, false); // its agency is gone: listed with an empty agency
        add(2, 3, false, false);
        ped.append(); // never marked: in no list but the whole one
        ped.setValue("C_PED", 6);
        ped.post();
        add(7, 1, true, false);
        ped.deleteRecord();
    }
    const auto numbers = [](const ListaPedidos &list) {
        QList<int> n;
        dbase::Table &t = *list.pedidos.table;
        for (std::uint32_t r : list.pedidos.records) {
            t.gotoBookmark(r);
            n << t.value("C_PED").toInt();
        }
        return n;
    };
    const ListaPedidos sent = Cped(true, false);
    EXPECT_EQ(numbers(sent), QList<int>({1, 3, 5}));
    EXPECT_EQ(sent.organismo(2), QStringLiteral("FISCALÍA DE INSTRUCCIÓN Nº 3"));
    EXPECT_EQ(sent.organismo(99), QString());
    EXPECT_EQ(numbers(Cped(true, true)), QList<int>({4}));
    EXPECT_EQ(numbers(Cped(false, false)), QList<int>({2}));
    EXPECT_EQ(numbers(CpedT()), QList<int>({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(requestListLabels(), QStringList({"Código", "Fech.Ped.", "Exp. Nro.", "Apellido", "Nombre",
                                               "Fech.Con.", "Organismo"}));
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
