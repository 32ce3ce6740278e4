#pragma once

#include "data/Operador.h"
#include "data/ProgramFolderSetup.h"
#include "biometrics/ImageRules.h"
#include "data/Tdm.h"

#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace qal::test {

// A demo program folder with its data module started, and no operator logged in.
struct FormsFixture : ::testing::Test
{
    void SetUp() override
    {
        before = ProgramFolder::path();
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        startDataModule();
        Operador::actual() = {};
    }
    void TearDown() override
    {
        dm.reset();
        Operador::actual() = {};
        ProgramFolder::setPath(before);
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    }
    void startDataModule()
    {
        dm.reset();
        dm = std::make_unique<Tdm>();
        dm->aceptacionImagenes = std::make_unique<ImageRulesAcceptance>();
        dm->dmCreate();
        ASSERT_TRUE(dm->InicioCompleto);
    }
    void addUser(const QString &login, const QVariant &clave)
    {
        dm->usu.append();
        dm->usu.setValue(QStringLiteral("C_LOGIN"), login);
        dm->usu.setValue(QStringLiteral("X_USU"), QStringLiteral("Operador"));
        dm->usu.setValue(QStringLiteral("C_CLAVE"), clave);
        dm->usu.post();
    }
    QVariant storedClave(const QString &login)
    {
        return dm->usu.lookup(QStringLiteral("C_LOGIN"), login, QStringLiteral("C_CLAVE"));
    }

    TempFolder dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tdm> dm;
    QString before;
};

} // namespace qal::test
