#include "LiveScanFixture.h"

#include "biometrics/LiveScanPrograms.h"
#include "biometrics/forms/TFBioVerif.h"
#include "core/IniFile.h"
#include "exchange/soap/CentralSim.h"
#include "exchange/soap/ServicioBiometrico.h"

#include <QDir>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

using namespace qal;

namespace {

// The verification window on screen, the scanner fed by a simulated device, and the central
// office simulated on loopback.
struct BioVerif : test::LiveScanFixture
{
    void SetUp() override
    {
        LiveScanFixture::SetUp();
        ASSERT_TRUE(sim.running());
        form = std::make_unique<TFBioVerif>(*dm, scan.get());
        form->setVerificador(&servicio);
    }
    void TearDown() override
    {
        form.reset();
        LiveScanFixture::TearDown();
    }

    void answer(const QJsonObject &behaviour) { sim.setScenario({{"VerificarHuella", behaviour}}); }

    void open(const QString &user = QStringLiteral("operador"))
    {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->edAppID()->setText(user);
    }

    // A print from the scanner, handled by the window (verification included).
    void press(int finger = 0) { ASSERT_TRUE(take(print(finger))); }

    int verifications() const
    {
        int n = 0;
        for (const QStringList &r : sim.requests())
            n += r.value(4) == QLatin1String("VerificarHuella");
        return n;
    }

    // What the office received in its last verification: the user name and the print.
    QString lastAppId() const { return field(QStringLiteral("AppId")); }
    QByteArray lastWsq() const
    {
        return QByteArray::fromBase64(field(QStringLiteral("WSQBase64")).remove(QStringLiteral("\r\n")).toLatin1());
    }
    QString field(const QString &name) const
    {
        const QList<QStringList> r = sim.requests();
        if (r.isEmpty())
            return {};
        const QString body = QString::fromUtf8(sim.requestBody(r.back().value(0).toInt()));
        const QRegularExpression e(QStringLiteral("<(?:\\w+:)?%1>(.*)</(?:\\w+:)?%1>").arg(name),
                                   QRegularExpression::DotMatchesEverythingOption);
        QString text = e.match(body).captured(1);
        static const std::pair<const char *, const char *> entities[] = {
            {"&#13;", "\r"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}};
        for (const auto &[entity, c] : entities)
            text.replace(QString::fromLatin1(entity), QString::fromLatin1(c));
        return text;
    }

    bool statusIsResult(const QString &value) const
    {
        return QRegularExpression(QStringLiteral("^Resultado: %1 - Tiempo: \\d+ ms\\.$").arg(QRegularExpression::escape(value)))
            .match(form->estado())
            .hasMatch();
    }

    test::CentralSim sim;
    soap::ServicioBiometrico servicio {[this] { return sim.settings(timeoutMs); }};
    int timeoutMs = 10000;
    std::unique_ptr<TFBioVerif> form;
};

TEST_F(BioVerif, OnlyAPositiveThirtyTwoBitAnswerVerifies)
{
    // 2^32 + 1 has low 32 bits of 1: it is no verification
    for (const char *value : {"0", "-1", "4294967297"}) {
        answer({{"result", value}});
        open();
        press();
        EXPECT_TRUE(statusIsResult(QString::fromLatin1(value))) << form->estado().toStdString();
        EXPECT_TRUE(form->isVisible()) << value;
        EXPECT_LT(form->resultado(), 1) << value;
        EXPECT_TRUE(form->usuarioVerificado().isEmpty());
        EXPECT_FALSE(form->img()->pixmap().isNull());
    }
    EXPECT_EQ(form->respuesta(), Q_INT64_C(4294967297));
    EXPECT_EQ(form->resultado(), 0);

    answer({{"result", "42"}});
    press(1);
    EXPECT_TRUE(statusIsResult(QStringLiteral("42")));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(form->resultado(), 42);
    EXPECT_EQ(form->usuarioVerificado(), QStringLiteral("operador"));
    EXPECT_EQ(verifications(), 4);
    EXPECT_EQ(lastAppId(), QStringLiteral("operador"));
    const QByteArray wsq = lastWsq();
    EXPECT_TRUE(wsq.startsWith("\xFF\xA0") && wsq.endsWith("\xFF\xA1")) << "a WSQ image";

    // the next visit starts unconfirmed; closing it unverified is no confirmation
    open();
    EXPECT_EQ(form->resultado(), 0);
    EXPECT_TRUE(form->estado().isEmpty());
    form->reject();
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_EQ(form->resultado(), 0);
}

TEST_F(BioVerif, AFaultOrATimeOutIsReportedAndKeepsTheResult)
{
    answer({{"result", "-1"}});
    open();
    press();
    ASSERT_EQ(form->resultado(), -1);

    answer({{"mode", "fault"}, {"fault", "Servicio biométrico fuera de línea"}});
    press(1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->resultado(), -1);
    ASSERT_FALSE(dialogs.shown().isEmpty());
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("Error VerificarHuella: "))) << dialogs.lastText().toStdString();
    EXPECT_TRUE(dialogs.lastText().contains(QStringLiteral("fuera de línea")));

    timeoutMs = 300;
    answer({{"result", "7"}, {"delayMs", 3000}});
    dialogs.clear();
    press(2);
    EXPECT_TRUE(form->isVisible()) << "an answer after the time-out verifies nothing";
    EXPECT_EQ(form->resultado(), -1);
    EXPECT_EQ(dialogs.shown().size(), 1);
    EXPECT_FALSE(form->verificando());
    EXPECT_TRUE(form->btCap()->isEnabled());
}

TEST_F(BioVerif, WhileTheOfficeIsAskedTheWindowPaintsSaysSoAndDropsPrints)
{
    answer({{"result", "0"}, {"delayMs", 1500}});
    open();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    QString during;
    bool closedDuring = true;
    bool nameLocked = false;
    int dropped = 0;
    QTimer::singleShot(500, form.get(), [&] {
        during = form->estado();
        nameLocked = form->edAppID()->isReadOnly() && !form->btCap()->isEnabled();
        form->reject();
        closedDuring = !form->isVisible();
        // a second print arrives while the first one is being verified
        auto device = std::make_unique<SimulatedFingerScanner>();
        device->setSteps({{print(3), 0, 0, 1}});
        QString message;
        scan->start(std::move(device), message);
        dropped = QTest::qWaitFor([&] { return scan->droppedWhileBusy() > 0; }, 3000);
    });
    press();
    scan->stop();
    EXPECT_EQ(during, QStringLiteral("Verificando identidad, por favor espere..."));
    EXPECT_GT(ticks, 10) << "the event loop ran while the office was asked";
    EXPECT_FALSE(closedDuring);
    EXPECT_TRUE(nameLocked);
    EXPECT_TRUE(dropped);
    QTest::qWait(300);
    EXPECT_EQ(verifications(), 1);
    EXPECT_TRUE(statusIsResult(QStringLiteral("0")));
    EXPECT_FALSE(form->edAppID()->isReadOnly());
}

TEST_F(BioVerif, APrintBeforeANameIsTypedIsVerifiedForTheEmptyName)
{
    // no scenario: the office knows no one by an empty name and answers 0
    open(QString());
    press();
    EXPECT_FALSE(form->img()->pixmap().isNull()) << "the print is shown";
    EXPECT_EQ(verifications(), 1);
    EXPECT_EQ(lastAppId(), QString());
    EXPECT_TRUE(statusIsResult(QStringLiteral("0"))) << form->estado().toStdString();
    EXPECT_EQ(form->resultado(), 0);
    EXPECT_TRUE(form->isVisible()) << "open for another attempt";

    // with the name typed the next print is verified for it
    answer({{"result", "3"}});
    form->edAppID()->setText(QStringLiteral("operador"));
    press(1);
    EXPECT_EQ(verifications(), 2);
    EXPECT_EQ(lastAppId(), QStringLiteral("operador"));
    EXPECT_EQ(form->resultado(), 3);
    EXPECT_EQ(form->usuarioVerificado(), QStringLiteral("operador"));
    EXPECT_FALSE(form->isVisible());
}

TEST_F(BioVerif, PrintsWhileAnotherWindowIsActiveAreIgnored)
{
    answer({{"result", "5"}});
    open();
    QDialog other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(scan->delivery());
    auto device = std::make_unique<SimulatedFingerScanner>();
    device->setSteps({{print(0), 0, 0, 1}});
    QString message;
    ASSERT_TRUE(scan->start(std::move(device), message));
    QTest::qWait(800);
    scan->stop();
    EXPECT_EQ(verifications(), 0);
    EXPECT_TRUE(form->img()->pixmap().isNull());
    EXPECT_TRUE(form->isVisible());

    // back on the verification window the scanner delivers again
    other.hide();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_TRUE(scan->delivery());
    press();
    EXPECT_EQ(form->resultado(), 5);
}

// The single-print capture program as a stand-in: it logs each argument on a line of
// captura.log and copies "fuente.bmp" to huella.bmp when the file "escribir" exists.
struct BioVerifCaptura : BioVerif
{
    void SetUp() override
    {
        BioVerif::SetUp();
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("LiveScanIB")));
        folder = dir.file(QStringLiteral("LiveScanIB"));
        ASSERT_TRUE(QFile::copy(print(0), file(QStringLiteral("fuente.bmp"))));
        QFile f(file(QStringLiteral("captura.sh")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n"
                "cd \"$(dirname \"$0\")\"\n"
                "echo \"$#\" >> captura.log\n"
                "for a in \"$@\"; do printf '%s\\n' \"$a\" >> captura.log; done\n"
                "[ -f escribir ] && cp fuente.bmp huella.bmp\n"
                "exit 0\n");
        f.close();
        f.setPermissions(f.permissions() | QFile::ExeOwner);
        IniFile ini(file(QStringLiteral("Prueba.INI")));
        ini.writeString(QStringLiteral("Config"), QStringLiteral("Titulo"), QStringLiteral("Prueba"));
        ini.writeString(QStringLiteral("Config"), QStringLiteral("ExeCaptura"), QStringLiteral("captura.sh"));
        IniFile(dir.file(QStringLiteral("LiveScan.INI")))
            .writeString(QStringLiteral("Config"), QStringLiteral("LiveScanIni"), QStringLiteral("Prueba.INI"));
    }
    QString file(const QString &name) const { return QDir(folder).filePath(name); }
    QStringList log() const
    {
        QFile f(file(QStringLiteral("captura.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                           : QStringList();
    }
    QString folder;
};

TEST_F(BioVerifCaptura, TheNameIsOneArgumentAndOnlyAFreshPrintIsVerified)
{
    answer({{"result", "0"}});
    // a print of an earlier person is in the folder; this run writes none
    ASSERT_TRUE(QFile::copy(print(4), file(QStringLiteral("huella.bmp"))));
    const QString name = QStringLiteral("ana \"x\" $(touch pwned); `touch pwned2`");
    open(name);
    QTest::keyClick(form->edAppID(), Qt::Key_Return);
    EXPECT_EQ(log(), (QStringList {QStringLiteral("1"), name}));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("huella.bmp"))));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("pwned"))) || QFile::exists(file(QStringLiteral("pwned2"))));
    EXPECT_EQ(verifications(), 0);
    EXPECT_TRUE(form->isVisible());

    QFile(file(QStringLiteral("escribir"))).open(QIODevice::WriteOnly);
    answer({{"result", "9"}});
    QTest::mouseClick(form->btCap(), Qt::LeftButton);
    EXPECT_EQ(verifications(), 1);
    EXPECT_EQ(lastAppId(), name);
    EXPECT_EQ(form->resultado(), 9);
    EXPECT_EQ(form->usuarioVerificado(), name);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(BioVerifCaptura, AMissingProgramOrNameRunsNothing)
{
    open(QString());
    QTest::mouseClick(form->btCap(), Qt::LeftButton);
    EXPECT_EQ(form->estado(), QStringLiteral("Debe ingresar el usuario."));
    EXPECT_TRUE(log().isEmpty());

    QFile::remove(file(QStringLiteral("captura.sh")));
    form->edAppID()->setText(QStringLiteral("operador"));
    QTest::mouseClick(form->btCap(), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), livescan::missingProgramText(livescan::programPath(QStringLiteral("captura.sh"))));
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("Error: no existe el programa \"")));
    EXPECT_EQ(verifications(), 0);
    EXPECT_TRUE(form->isVisible());
}

} // namespace
