// The central office on loopback answers by mail: a request the office sends by SMTP reaches
// the central mailbox, qal-central-sim answers it as the central office does, and the office's
// next reception applies the answers.
#include "exchange/IncomingFixture.h"

#include "CentralSim.h"

#include "exchange/EnvioPedido.h"

#include <QElapsedTimer>
#include <QJsonObject>
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
        sim = std::make_unique<CentralSim>(QStringList {
            QStringLiteral("--mail-pop3"), QStringLiteral("pop3://%1:%2").arg(rig.host).arg(rig.pop3Port),
            QStringLiteral("--mail-user"), rig.centralUser, QStringLiteral("--mail-password"), rig.centralPassword,
            QStringLiteral("--mail-smtp"), QStringLiteral("smtp://%1:%2").arg(rig.host).arg(rig.smtpPort),
            QStringLiteral("--mail-interval"), QStringLiteral("200")});
        ASSERT_TRUE(sim->running());
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
    sim->setScenario({{"Correo", QJsonObject {{"oficial", "confirmar"}}}});
    const qlonglong ped = official();
    ASSERT_TRUE(exchange::EnvioPedido(*dm).EnviarPedidoOficial());
    ASSERT_TRUE(waitForAnswers(1));
    ASSERT_TRUE(run());
    EXPECT_EQ(state(false, ped), "T");

    // "Estado vía Mail": the office asks for the states of both its codes.
    writeFile(QStringLiteral("GetEstado.DAT"),
              QStringLiteral("[DATA]\r\nc_reg=%1\r\nc_regp=%2\r\n").arg(kReg).arg(kRegP).toLatin1());
    ASSERT_TRUE(dm->EnviarMensaje(QLatin1String(kCentral), QStringLiteral("GETESTADO"), 0, kRegP,
                                  {QStringLiteral("GetEstado.DAT")}, QString()));
    ASSERT_TRUE(waitForAnswers(1));
    ASSERT_TRUE(run());
    EXPECT_EQ(counters().procesados, 1);
    // official list: the confirmed request in process, as file U<n_expe>; personal list: none
    const QString row = avisos.listas.filter(QRegularExpression(QStringLiteral("^%1 ").arg(ped))).value(0);
    EXPECT_TRUE(row.contains(QStringLiteral(" U%1").arg(expediente(kReg, ped)))) << avisos.listas.join('\n').toStdString();
    EXPECT_TRUE(avisos.listas.contains(QStringLiteral("No existe ningún pedido en trámite de esta regional.")));
    EXPECT_EQ(state(false, ped), "T");
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
