// The central office on loopback answers by mail: a request the office sends by SMTP reaches
// the central mailbox, qal-central-sim answers it as the central office does, and the office's
// next reception applies the answers.
#include "exchange/IncomingFixture.h"

#include "CentralSim.h"

#include "exchange/EnvioPedido.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QRegularExpression>
#include <QThread>

using namespace qal;
using namespace qal::test;

namespace {

constexpr char kCentral[] = "qal.central@central.gob.ar";

class CentralMail : public IncomingFixture
{
protected:
    void SetUp() override
    {
        IncomingFixture::SetUp();
        if (IsSkipped())
            return;
        if (rig.central.isEmpty())
            GTEST_SKIP() << "the rig has no central mailbox (MAILRIG_CENTRAL)";
        clearCentral();
        setting("x_toreg", QLatin1String(kCentral));
        setting("x_toregp", QLatin1String(kCentral));
        setting("x_msgreg", QStringLiteral("PEDIDO OFICIAL"));
        setting("x_msgregp", QStringLiteral("PEDIDO PERSONAL"));
        dm->SMime = std::make_unique<exchange::TSMimeReg>(*dm, dir.path());
        startSim();
        ASSERT_TRUE(sim->running());
    }
    // The central office answering the central mailbox (any one running is stopped first).
    void startSim(const QStringList &more = {})
    {
        sim.reset();
        sim = std::make_unique<CentralSim>(QStringList {
            QStringLiteral("--mail-pop3"), QStringLiteral("pop3://%1:%2").arg(rig.host).arg(rig.pop3Port),
            QStringLiteral("--mail-user"), rig.centralUser, QStringLiteral("--mail-password"), rig.centralPassword,
            QStringLiteral("--mail-smtp"), QStringLiteral("smtp://%1:%2").arg(rig.host).arg(rig.smtpPort),
            QStringLiteral("--mail-interval"), QStringLiteral("200")} + more);
    }
    // A page of the simulator's web site, as text.
    QString page(const QString &path)
    {
        QNetworkAccessManager net;
        QNetworkReply *reply = net.get(QNetworkRequest(QUrl(sim->server() + path)));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        const QString text = QString::fromLatin1(reply->readAll());
        reply->deleteLater();
        return text;
    }
    // "Estado vía Mail": asks the central office for the states of both codes and applies
    // the answer.
    void askStatesByMail()
    {
        writeFile(QStringLiteral("GetEstado.DAT"),
                  QStringLiteral("[DATA]\r\nc_reg=%1\r\nc_regp=%2\r\n").arg(kReg).arg(kRegP).toLatin1());
        ASSERT_TRUE(dm->EnviarMensaje(QLatin1String(kCentral), QStringLiteral("GETESTADO"), 0, kRegP,
                                      {QStringLiteral("GetEstado.DAT")}, QString()));
        ASSERT_TRUE(waitForAnswers(1));
        ASSERT_TRUE(run());
    }
    void TearDown() override
    {
        sim.reset();
        IncomingFixture::TearDown();
    }
    void clearCentral()
    {
        const QString maildir = rig.dir + QStringLiteral("/central/Maildir/");
        for (const char *sub : {"new", "cur"}) {
            QDir d(maildir + QLatin1String(sub));
            for (const QString &f : d.entryList(QDir::Files))
                d.remove(f);
        }
    }
    // An official request of this office, entered and not yet sent: the current record of ped.
    qlonglong official()
    {
        const qlonglong number = request(false, QStringLiteral("I"));
        dm->ped.edit();
        dm->ped.setValue("M_ENVIADO", false);
        dm->ped.setValue("C_CARPED", "N");
        dm->grabacionAutorizada = true;
        dm->ped.post();
        return number;
    }
    // An official request sent by mail that the central office only confirms: in state "T".
    qlonglong confirmedOfficial()
    {
        sim->setScenario({{"Correo", QJsonObject {{"oficial", "confirmar"}}}});
        const qlonglong ped = official();
        EXPECT_TRUE(exchange::EnvioPedido(*dm).EnviarPedidoOficial());
        EXPECT_TRUE(waitForAnswers(1));
        EXPECT_TRUE(run());
        EXPECT_EQ(state(false, ped), "T");
        return ped;
    }
    // Waits until the office's mailbox holds count messages.
    bool waitForAnswers(int count)
    {
        QElapsedTimer t;
        t.start();
        while (rig.messageCount() < count && t.elapsed() < 30000)
            QThread::msleep(100);
        QThread::msleep(200); // a message more than expected would arrive now
        return rig.messageCount() == count;
    }
    QStringList mailLog() const
    {
        QFile f(sim->recordDir() + QStringLiteral("/correo.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                           : QStringList();
    }
    static qlonglong expediente(int reg, qlonglong ped) { return 7000000 + reg * 10000 + ped; }
    static bool isTiff(const QByteArray &b) { return b.startsWith("II*") || b.startsWith("MM\0*"); }

    std::unique_ptr<CentralSim> sim;
};

TEST_F(CentralMail, AnOfficialRequestIsConfirmedAndAnsweredWithItsImage)
{
    const qlonglong ped = official();
    ASSERT_TRUE(exchange::EnvioPedido(*dm).EnviarPedidoOficial()) << dialogs.texts().join('|').toStdString();
    ASSERT_TRUE(waitForAnswers(2)) << rig.messageCount();

    ASSERT_TRUE(run());
    EXPECT_EQ(counters().procesados, 2);
    EXPECT_EQ(rig.messageCount(), 0);
    EXPECT_EQ(state(false, ped), "C");
    EXPECT_EQ(field(false, ped, "N_EXPE").toLongLong(), expediente(kReg, ped));
    EXPECT_TRUE(field(false, ped, "M_CONTESTA").toBool());
    EXPECT_TRUE(isTiff(readFile(dir.file(QStringLiteral("c%1.%2").arg(ped).arg(kReg)))));
    ASSERT_EQ(avisos.lineas.size(), 1);
    EXPECT_TRUE(avisos.lineas[0].endsWith(QStringLiteral("  Pedido Oficial %1 Recibido y en Trámite").arg(ped)));
    ASSERT_EQ(mailLog().size(), 1);
    EXPECT_TRUE(mailLog()[0].endsWith(QStringLiteral("\tPEDIDO OFICIAL\tregional@qal.test\toficial 3/%1: CONFIRMO, "
                                                     "CONTESTACION OFICIAL").arg(ped)))
        << mailLog()[0].toStdString();
}

TEST_F(CentralMail, ARejectionAndAPersonalCorrectionAnsweredWithTheResult)
{
    sim->setScenario({{"Correo", QJsonObject {{"oficial", "rechazar"}, {"rechazo", "Falta el oficio"},
                                              {"resultado", "S"}, {"certificado", "CC-123"}}}});
    const qlonglong rejected = official();
    ASSERT_TRUE(exchange::EnvioPedido(*dm).EnviarPedidoOficial());
    const qlonglong corrected = request(true, QStringLiteral("D"));
    ASSERT_TRUE(exchange::EnvioPedido(*dm).EnviarCorreccionPersonal());
    ASSERT_TRUE(waitForAnswers(4)) << rig.messageCount();

    ASSERT_TRUE(run());
    EXPECT_EQ(counters().procesados, 4);
    EXPECT_EQ(state(false, rejected), "R");
    EXPECT_EQ(field(false, rejected, "X_RECHAZO").toString(), "Falta el oficio");
    EXPECT_EQ(state(true, corrected), "C");
    EXPECT_EQ(field(true, corrected, "N_EXPE").toLongLong(), expediente(kRegP, corrected));
    EXPECT_EQ(field(true, corrected, "C_RES").toString(), "S");
    EXPECT_EQ(field(true, corrected, "N_CERT").toString(), "CC-123");
    EXPECT_TRUE(isTiff(readFile(dir.file(QStringLiteral("cp%1.%2").arg(corrected).arg(kRegP)))));
}

TEST_F(CentralMail, AStateRequestIsAnsweredWithTheListsOfTheRequestsTheCentralOfficeHolds)
{
    const qlonglong ped = confirmedOfficial();

    askStatesByMail();
    EXPECT_EQ(counters().procesados, 1);
    // official list: the confirmed request in process, as file U<n_expe>; personal list: none
    const QString row = avisos.listas.filter(QRegularExpression(QStringLiteral("^%1 ").arg(ped))).value(0);
    EXPECT_TRUE(row.contains(QStringLiteral(" U%1").arg(expediente(kReg, ped)))) << avisos.listas.join('\n').toStdString();
    EXPECT_TRUE(avisos.listas.contains(QStringLiteral("No existe ningún pedido en trámite de esta regional.")));
    EXPECT_EQ(state(false, ped), "T");
}

TEST_F(CentralMail, WhatTheOfficeAnsweredByMailOutlivesARestartInItsPagesAndStateLists)
{
    const QString states = dir.file(QStringLiteral("central/estados.json"));
    startSim({QStringLiteral("--states"), states});
    ASSERT_TRUE(sim->running());
    const qlonglong ped = confirmedOfficial();
    ASSERT_TRUE(QFile::exists(states)) << "written when the office answered";

    startSim({QStringLiteral("--states"), states});
    ASSERT_TRUE(sim->running());
    const QString line = QStringLiteral("%1;T|%2").arg(ped).arg(expediente(kReg, ped));
    EXPECT_TRUE(page(QStringLiteral("/qalcentral/GetEstReg.asp?reg=%1").arg(kReg)).split(QStringLiteral("\r\n")).contains(line))
        << page(QStringLiteral("/GetEstReg.asp?reg=%1").arg(kReg)).toStdString();
    EXPECT_TRUE(page(QStringLiteral("/GetEstRegp.asp?reg=%1").arg(kRegP)).startsWith(QStringLiteral("NO_HAY_PEDIDOS")));

    askStatesByMail();
    const QString row = avisos.listas.filter(QRegularExpression(QStringLiteral("^%1 ").arg(ped))).value(0);
    EXPECT_TRUE(row.contains(QStringLiteral(" U%1").arg(expediente(kReg, ped)))) << avisos.listas.join('\n').toStdString();

    // the data stay the office's own: a request added to the file by hand is listed too
    QFile file(states);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QJsonObject data = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonArray oficiales = data.value(QStringLiteral("oficiales")).toArray();
    ASSERT_EQ(oficiales.size(), 1);
    oficiales.append(QJsonObject {{"regional", kReg}, {"pedido", 900}, {"estado", "C"}, {"expediente", 4242}});
    data.insert(QStringLiteral("oficiales"), oficiales);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(data).toJson());
    file.close();
    EXPECT_TRUE(page(QStringLiteral("/GetEstReg.asp?reg=%1").arg(kReg)).contains(QStringLiteral("900;C|4242")));
}

TEST_F(CentralMail, MailThatIsNoRequestIsDeletedUnanswered)
{
    send(QStringLiteral("PEDIDO OFICIAL")); // to central@qal.test: stays in the office's own mailbox
    exchange::THeaderMsg header;
    header.To = QLatin1String(kCentral);
    header.Subject = QStringLiteral("Consulta");
    QString error;
    QStringList body = {QStringLiteral("Hola")};
    ASSERT_TRUE(mail->SendMail(header, body, &error)) << error.toStdString();
    header.Subject = QStringLiteral("PEDIDO OFICIAL"); // without ped.dat
    ASSERT_TRUE(mail->SendMail(header, body, &error)) << error.toStdString();
    QElapsedTimer t;
    t.start();
    while (mailLog().size() < 2 && t.elapsed() < 30000)
        QThread::msleep(100);
    ASSERT_EQ(mailLog().size(), 2);
    EXPECT_TRUE(mailLog()[0].endsWith(QStringLiteral("asunto desconocido: no se contesta")));
    EXPECT_TRUE(mailLog()[1].endsWith(QStringLiteral("sin ped.dat: no se contesta")));
    EXPECT_EQ(rig.messageCount(), 1) << "only the message this test left in the office's mailbox";
}

} // namespace
