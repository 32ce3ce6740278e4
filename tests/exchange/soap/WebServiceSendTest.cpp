// Sending a message by the message web service on its worker thread: waiting or not, the log
// line of each send, failures, and leaving while a send runs.
#include "exchange/soap/CentralSim.h"

#include "exchange/soap/SoapMessageTransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::soap;
using namespace qal::test;

namespace {

struct WebServiceSend : ::testing::Test
{
    CentralSim sim;
    TempFolder folder;
    QStringList log;

    std::unique_ptr<SoapMessageTransport> transport(int timeoutMs = 10000)
    {
        auto t = std::make_unique<SoapMessageTransport>([this, timeoutMs] { return sim.settings(timeoutMs); },
                                                        [this](const QString &line) { log << line; });
        t->obtenerIdentidad = [] { return NetworkIdentity {"00:1A:2B:3C:4D:5E", "10.0.0.7", "oficina-3"}; };
        return t;
    }

    exchange::OutgoingMessage message()
    {
        QFile file(folder.file("ped.dat"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[PEDIDO]\r\nC_PED=12\r\n");
        exchange::OutgoingMessage m;
        m.pedido = 12;
        m.regional = 3;
        m.recipients = "central@qal.test";
        m.subject = "PEDIDO OFICIAL";
        m.body = "cuerpo";
        m.attachmentPaths = {folder.file("ped.dat")};
        return m;
    }
};

const QRegularExpression kLine(QStringLiteral("^Envío pedido: 12 - regional: 3 - tiempo: \\d+ \\(ms\\) - Resultado: (.*)$"));

} // namespace

TEST_F(WebServiceSend, WaitingForTheServiceGivesItsAnswerToTheLogAndItsFailureToTheSender)
{
    ASSERT_TRUE(sim.running());
    auto ws = transport();
    QString error;
    ASSERT_TRUE(ws->send(message(), true, &error)) << error.toStdString();
    ASSERT_EQ(log.size(), 1) << "logged when the send returns";
    auto match = kLine.match(log[0]);
    ASSERT_TRUE(match.hasMatch()) << log[0].toStdString();
    EXPECT_EQ(match.captured(1), "Mensaje recibido: pedido 12, regional 3, 1 adjuntos");
    const QByteArray body = sim.requestBody(1);
    EXPECT_TRUE(body.contains("<MAC>00:1A:2B:3C:4D:5E</MAC><HostName>oficina-3</HostName>")) << body.data();
    QFile received(sim.attachmentsDir() + "/ped.dat");
    ASSERT_TRUE(received.open(QIODevice::ReadOnly));
    EXPECT_EQ(received.readAll(), "[PEDIDO]\r\nC_PED=12\r\n");

    sim.setScenario({{"SendMessage", QJsonObject {{"mode", "fault"}, {"fault", "Regional desconocida"}}}});
    log.clear();
    EXPECT_FALSE(ws->send(message(), true, &error)) << "a fault is a failed send";
    EXPECT_EQ(error, "Error SendMessage: Regional desconocida");
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(kLine.match(log[0]).captured(1), "Error SendMessage: Regional desconocida");

    sim.setScenario({{"SendMessage", QJsonObject {{"mode", "html"}}}});
    EXPECT_FALSE(ws->send(message(), true, &error));
    EXPECT_EQ(error, "Error SendMessage: HTTP 500 Internal Server Error");
    EXPECT_EQ(ws->enCurso(), 0);
}

TEST_F(WebServiceSend, WithoutWaitingTheSenderGoesOnAndTheLineArrivesLater)
{
    ASSERT_TRUE(sim.running());
    sim.setScenario({{"SendMessage", QJsonObject {{"delayMs", 700}}}});
    auto ws = transport();
    QElapsedTimer clock;
    clock.start();
    QString error;
    ASSERT_TRUE(ws->send(message(), false, &error));
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(ws->enCurso(), 1);
    // A failure is only logged: the sender was already told the message went.
    QTRY_COMPARE_WITH_TIMEOUT(sim.requests().size(), 1, 10000);
    sim.setScenario({{"SendMessage", QJsonObject {{"mode", "fault"}, {"fault", "Sin servicio"}}}});
    ASSERT_TRUE(ws->send(message(), false, &error));
    QTRY_COMPARE_WITH_TIMEOUT(log.size(), 2, 10000);
    QStringList results;
    for (const QString &line : log)
        results << kLine.match(line).captured(1);
    results.sort();
    EXPECT_EQ(results, (QStringList {"Error SendMessage: Sin servicio",
                                     "Mensaje recibido: pedido 12, regional 3, 1 adjuntos"}));
    EXPECT_EQ(ws->enCurso(), 0);
}

TEST_F(WebServiceSend, LeavingWaitsForRunningSendsAndLogsThem)
{
    ASSERT_TRUE(sim.running());
    sim.setScenario({{"SendMessage", QJsonObject {{"delayMs", 800}}}});
    auto ws = transport();
    QString error;
    ASSERT_TRUE(ws->send(message(), false, &error));
    ASSERT_TRUE(ws->send(message(), false, &error));
    QElapsedTimer clock;
    clock.start();
    ws.reset(); // the program ends
    EXPECT_GE(clock.elapsed(), 300) << "it waited for the central office";
    ASSERT_EQ(log.size(), 2);
    for (const QString &line : log)
        EXPECT_EQ(kLine.match(line).captured(1), "Mensaje recibido: pedido 12, regional 3, 1 adjuntos");
    QCoreApplication::processEvents(); // no late delivery to the transport that is gone
    EXPECT_EQ(log.size(), 2);
}

TEST_F(WebServiceSend, ASilentCentralOfficeEndsTheSendAtTheTimeOut)
{
    ASSERT_TRUE(sim.running());
    sim.setScenario({{"SendMessage", QJsonObject {{"delayMs", 5000}}}});
    auto ws = transport(1000);
    QString error;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ws->send(message(), true, &error));
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_EQ(error, "Error SendMessage: el servicio no respondió a tiempo (1 s)");
    ASSERT_EQ(log.size(), 1);
}
