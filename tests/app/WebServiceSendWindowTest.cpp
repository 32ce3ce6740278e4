// Sends by the message web service from the official request form, wired as the program wires
// them: the send's log line reaches the sending-configuration window and the activity log after
// the form was closed, and leaving the program waits for a send still on its way.
#include "app/forms/TFMenu.h"

#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"
#include "data/forms/TFVerConfig.h"
#include "exchange/TSMimeReg.h"
#include "exchange/soap/CentralSim.h"
#include "exchange/soap/ServicioWeb.h"
#include "requests/forms/TFped.h"

#include "core/Cp1252.h"
#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace qal;

namespace {

struct WebServiceSendWindow : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(sim.running());
        before = ProgramFolder::path();
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        QFile ini(dir.file(QStringLiteral("QalReg.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[QALService]\r\nServidor=%1\r\nTimeOut=20\r\n").arg(sim.server()).toLatin1());
        ini.close();
        dm = std::make_unique<Tdm>();
        dm->dmCreate();
        for (const auto &[key, value] : {std::pair {"envWebService", "S"}, {"waitFin", "N"}, {"LogOpeMail", "S"},
                                         {"c_reg", "12"}})
            ASSERT_TRUE(dm->GrabarParametro(QLatin1String(key), QLatin1String(value)));
        menu = std::make_unique<TFMenu>();
        menu->setDataModule(dm.get());
        // as the program's start does
        auto smime = std::make_unique<exchange::TSMimeReg>(*dm, dir.path());
        menu->setTransport(smime.get());
        webService = soap::instalarServicioWeb(*smime, *dm, [m = menu.get()](const QString &line) {
            m->registrarEnvioWeb(line);
        });
        dm->SMime = std::move(smime);
        menu->show();
    }
    void TearDown() override
    {
        menu->otraInstancia = true; // no purge window on close
        menu.reset();
        dm.reset();
        ProgramFolder::setPath(before);
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    }

    // An official request without prints, ready to be sent; the current record of ped.
    qlonglong request()
    {
        dbase::Table &t = dm->ped;
        t.append();
        for (const auto &[field, value] : {std::pair<const char *, QVariant> {"C_ORG", 2}, {"C_NAC", 1},
                                           {"C_SEXO", "M"}, {"X_APE1", "GOMEZ"}, {"X_NOM1", "JUAN"},
                                           {"C_PRIOR", 1}, {"C_TDEL", 101}, {"C_CARPED", "N"}})
            t.setValue(QLatin1String(field), value);
        dm->grabacionAutorizada = true;
        t.post();
        return t.value("C_PED").toLongLong();
    }
    QString sendLog() const
    {
        return menu->findChild<TFVerConfig *>()->findChild<QPlainTextEdit *>(QStringLiteral("Memo1"))->toPlainText();
    }
    QString activityLog() const
    {
        QFile f(dir.file(QStringLiteral("QalRegLog.log")));
        return f.open(QIODevice::ReadOnly) ? fromCp1252(f.readAll()) : QString();
    }
    void pressSend(TFped *form) { QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("btEnv")), Qt::LeftButton); }
    static QString logLine(qlonglong ped) { return QStringLiteral("Envío pedido: %1 - regional: 12 - tiempo: ").arg(ped); }

    test::CentralSim sim;
    test::TempFolder dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<Tdm> dm;
    std::unique_ptr<TFMenu> menu;
    soap::SoapMessageTransport *webService = nullptr;
    QString before;
};

TEST_F(WebServiceSendWindow, ASendEndsAfterItsFormClosedAndLeavingWaitsForTheNext)
{
    sim.setScenario({{"SendMessage", QJsonObject {{"delayMs", 1500}}}});
    const qlonglong ped = request();
    QTest::mouseClick(menu->findChild<QPushButton *>(QStringLiteral("btPedido")), Qt::LeftButton);
    TFped *form = menu->formularioPedido();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(form->isVisible());
    ASSERT_TRUE(dm->ped.findKey(ped));
    QElapsedTimer t;
    t.start();
    pressSend(form);
    EXPECT_LT(t.elapsed(), 1500) << "waitFin N: the form does not wait for the answer";
    EXPECT_EQ(dm->ped.value("C_EST").toString(), "E");
    form->close();
    EXPECT_FALSE(sendLog().contains(logLine(ped)));

    // the worker ends later; its line reaches both logs through the event loop
    while (!sendLog().contains(logLine(ped)) && t.elapsed() < 20000)
        QTest::qWait(50);
    EXPECT_TRUE(sendLog().contains(logLine(ped))) << sendLog().toStdString();
    EXPECT_TRUE(activityLog().contains(logLine(ped)));

    // the request sent again, and the program left at once: leaving waits for it and logs it
    sim.setScenario({{"SendMessage", QJsonObject {{"delayMs", 2000}}}});
    form->show();
    ASSERT_TRUE(dm->ped.findKey(ped));
    dialogs.answer(DialogButton::Yes); // "Este pedido ya fue enviado ..."
    pressSend(form);
    menu->otraInstancia = true;
    menu->close();
    webService->esperarEnvios(); // what the program does once its event loop ended
    EXPECT_EQ(activityLog().count(logLine(ped)), 2) << activityLog().toStdString();
    EXPECT_EQ(sendLog().count(logLine(ped)), 2);
    int sends = 0;
    for (const QStringList &r : sim.requests())
        sends += r.value(4) == QLatin1String("SendMessage");
    EXPECT_EQ(sends, 2);
}

} // namespace
