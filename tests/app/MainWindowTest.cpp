#include "app/forms/TFMenu.h"
#include "ui_TFMenu.h"

#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"

#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace qal;

namespace {

struct MainWindowFixture : ::testing::Test
{
    void SetUp() override
    {
        before = ProgramFolder::path();
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        dm = std::make_unique<Tdm>();
        dm->dmCreate();
        menu = std::make_unique<TFMenu>();
        menu->setDataModule(dm.get());
    }
    void TearDown() override
    {
        menu->otraInstancia = true; // no purge window on close
        menu.reset();
        dm.reset();
        ProgramFolder::setPath(before);
    }

    QStringList menuTitles()
    {
        QStringList titles;
        for (QAction *a : menu->menuBar()->actions())
            titles << a->text();
        return titles;
    }

    test::TempFolder dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<Tdm> dm;
    std::unique_ptr<TFMenu> menu;
    QString before;
};

} // namespace

TEST_F(MainWindowFixture, ShowsTheOfficesNameVersionAndMenus)
{
    menu->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
    EXPECT_EQ(menu->windowTitle(), "QAL - Regional");
    EXPECT_EQ(menu->ui()->lbReg->text(), QStringLiteral("Regional: Regional Demostración"));
    EXPECT_EQ(dm->VersionPrograma, "2.36");
    EXPECT_EQ(menuTitles(), QStringList({"&Archivo", "&Consulta", "&Utilidades", "U&suario", "&Envio", "A&yuda"}));
    EXPECT_FALSE(menu->ui()->Usuario1->menuAction()->isVisible()) << "hidden until a password log-in";
    EXPECT_TRUE(menu->ui()->InformeMensual1->isVisible()) << "c_regp is 12";
    EXPECT_GE(menu->minimumWidth(), 665);
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(MainWindowFixture, TheDisableCheckBoxStopsTheTimerForGood)
{
    ASSERT_TRUE(dm->Timer.isActive());
    menu->ui()->cbDesRecibir->click();
    EXPECT_FALSE(dm->Timer.isActive());
    menu->ui()->cbDesRecibir->click();
    EXPECT_FALSE(dm->Timer.isActive()) << "unticking does not switch it on again";
}

TEST_F(MainWindowFixture, ProcessingMailWhileARequestIsEditedDoesNothingSilently)
{
    int fetched = 0;
    dm->fetchMail = [&] { ++fetched; };
    dm->ped.append();
    menu->ui()->btRecibir->click();
    EXPECT_EQ(fetched, 0);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    dm->ped.cancel();
    menu->ui()->btRecibir->click();
    EXPECT_EQ(fetched, 1);
    dm->RecepcionLibre = false;
    menu->ui()->btRecibir->click();
    EXPECT_EQ(dialogs.lastText(), "Advertencia: El proceso de recepción esta en curso..");
    dm->RecepcionLibre = true;
}

TEST_F(MainWindowFixture, TheIndexRebuildCommandReportsSuccess)
{
    menu->ui()->OrdenamientodeArchivos1->trigger();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Finalizó el ordenamiento exitosamente"));
    EXPECT_TRUE(dm->ped.isOpen());
}
