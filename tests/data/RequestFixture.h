#pragma once

#include "data/ProgramFolderSetup.h"
#include "data/RequestFiles.h"
#include "biometrics/ImageRules.h"
#include "data/Tdm.h"
#include "dbase/Table.h"

#include "core/Clock.h"
#include "core/ProgramFolder.h"
#include "imaging/TiffFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace qal::test {

// A started data module over a fresh program folder, with the clock fixed at noon of
// 31/03/2026.
class RequestFixture : public ::testing::Test
{
protected:
    static QDate today() { return QDate(2026, 3, 31); }

    void SetUp() override
    {
        m_before = ProgramFolder::path();
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        Clock::setFixed(QDateTime(today(), QTime(12, 0)));
        dm = std::make_unique<Tdm>();
        dm->aceptacionImagenes = std::make_unique<ImageRulesAcceptance>();
        dm->dmCreate();
        ASSERT_TRUE(dm->InicioCompleto);
        dm->VersionPrograma = QStringLiteral("3.1.7");
        dialogs.clear();
    }
    void TearDown() override
    {
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
        dm.reset();
        ProgramFolder::setPath(m_before);
        Clock::reset();
    }

    // Posts as the navigator's post button does.
    void post(dbase::Table &t)
    {
        dm->grabacionAutorizada = true;
        t.post();
    }

    // An official request that passes every check, in insert state.
    void newOfficial()
    {
        dbase::Table &t = dm->ped;
        t.append();
        t.setValue("C_ORG", 2);
        t.setValue("C_NAC", 1);
        t.setValue("C_SEXO", "M");
        t.setValue("X_APE1", "GOMEZ");
        t.setValue("X_NOM1", "JUAN");
        t.setValue("C_PRIOR", 1);
        t.setValue("C_TDEL", 101);
    }

    // A personal request that passes every check before sending, in insert state.
    void newPersonal()
    {
        dbase::Table &t = dm->pedp;
        t.append();
        t.setValue("C_TDOC", "DU");
        t.setValue("C_SEXO", "F");
        t.setValue("C_NAC", 1);
        t.setValue("X_APE1", "PEREZ");
        t.setValue("X_NOM1", "ANA");
        t.setValue("N_DOC", 20123456);
        t.setValue("F_NAC", QDate(1980, 5, 17));
        t.setValue("C_TRAM", "3");
        t.setValue("F_PAGO", today().addDays(-10));
    }

    // Saved requests, numbered from 1.
    qlonglong savedOfficial()
    {
        newOfficial();
        post(dm->ped);
        return dm->ped.value("C_PED").toLongLong();
    }
    qlonglong savedPersonal()
    {
        newPersonal();
        post(dm->pedp);
        return dm->pedp.value("C_PED").toLongLong();
    }

    static QImage grey(int width, int height)
    {
        QImage image(width, height, QImage::Format_Grayscale8);
        image.fill(180);
        const int dpm = qRound(300 / 0.0254);
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
        return image;
    }
    // A card the acceptance rules take, and one they refuse for its width.
    void writeCard(const QString &name, int width = 1500)
    {
        ASSERT_TRUE(TiffFile::writePage(ProgramFolder::resolve(name), grey(width, 800), PageFormat::CardTiff));
    }
    void writeDocument(const QString &name, int width = 2480, int height = 3508)
    {
        ASSERT_TRUE(TiffFile::writePage(ProgramFolder::resolve(name), grey(width, height), PageFormat::GreyDocument));
    }
    void writeFile(const QString &name, const QByteArray &data)
    {
        QFile f(ProgramFolder::resolve(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    QByteArray bytes(const QString &name)
    {
        QFile f(ProgramFolder::resolve(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool exists(const QString &name) { return QFile::exists(ProgramFolder::resolve(name)); }
    bool workingFilesGone()
    {
        return !exists("edit.tif") && !exists("edit.zip") && !exists("docu.tif");
    }

    TempFolder dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tdm> dm;

private:
    QString m_before;
};

} // namespace qal::test
