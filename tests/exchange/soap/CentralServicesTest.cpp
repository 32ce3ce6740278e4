// The web-service client against the central office simulator: every operation with good,
// failing, slow and unreadable answers, and messages that arrive byte for byte.
#include "exchange/soap/CentralSim.h"

#include "exchange/soap/CentralServices.h"
#include "exchange/soap/SoapCall.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::soap;
using namespace qal::test;

namespace {

// The smallest text the biometric service takes: the start and end markers of a WSQ image.
const QString kWsqMinimo = QStringLiteral("/6D/oQ==");

// Calls every operation once; returns the error of each failed call by operation name.
QMap<QString, QString> callEverything(const CentralServices &ws)
{
    QMap<QString, QString> errors;
    QString text, error, desc;
    qint64 big = 0;
    int number = 0;
    QALMessage msg;
    msg.Pedido = 7;
    msg.Regional = 3;
    if (!ws.SendMessage(msg, text, error))
        errors["SendMessage"] = error;
    if (!ws.VerifyMessage(msg, text, error))
        errors["VerifyMessage"] = error;
    if (!ws.ObtenerMotivoRechazoOficial(7, 3, text, error))
        errors["ObtenerMotivoRechazoOficial"] = error;
    if (!ws.ObtenerMotivoRechazoPrivado(7, 3, text, error))
        errors["ObtenerMotivoRechazoPrivado"] = error;
    if (!ws.VerificarHuella("app", kWsqMinimo, big, error))
        errors["VerificarHuella"] = error;
    if (!ws.ActualizarCodSegur(7, 3, "0123456789", "ABCDEF0123", number, error))
        errors["ActualizarCodSegur"] = error;
    if (!ws.GetPedidoByBoletaDoc("01234567890", 20123456, number, error))
        errors["GetPedidoByBoletaDoc"] = error;
    if (!ws.GetFechaByBoleta("01234567890", text, error))
        errors["GetFechaByBoleta"] = error;
    if (!ws.GetPedidoByTram("I", 4711, 20123456, "", text, desc, error))
        errors["GetPedidoByTram"] = error;
    return errors;
}

const QStringList kOperations = {"SendMessage",          "VerifyMessage",       "ObtenerMotivoRechazoOficial",
                                 "ObtenerMotivoRechazoPrivado", "VerificarHuella",  "ActualizarCodSegur",
                                 "GetPedidoByBoletaDoc", "GetFechaByBoleta",    "GetPedidoByTram"};

QJsonObject everyOperation(const QJsonObject &behaviour)
{
    QJsonObject scenario;
    for (const QString &op : kOperations)
        scenario[op] = behaviour;
    return scenario;
}

} // namespace

TEST(CentralServices, EveryOperationIsAcceptedByTheCentralOfficeAndAnswered)
{
    CentralSim sim;
    ASSERT_TRUE(sim.running());
    const CentralServices ws(sim.settings());
    EXPECT_EQ(callEverything(ws), (QMap<QString, QString> {}));

    const QList<QStringList> requests = sim.requests();
    ASSERT_EQ(requests.size(), kOperations.size());
    const QStringList paths = {"/QALService/QALMessageService.asmx", "/QALService/QALMessageService.asmx",
                               "/QALSVC/QALService.asmx", "/QALSVC/QALService.asmx", "/BioQAL/BioQAL.asmx",
                               "/ActualizaSegurSVC/ActualizaSegur.asmx", "/boletasvc/service.asmx",
                               "/boletasvc/service.asmx", "/trampersvc/tramper.asmx"};
    for (int i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i][1], "POST");
        EXPECT_EQ(requests[i][2], paths[i]);
        EXPECT_EQ(requests[i][3], "\"http://tempuri.org/" + kOperations[i] + "\"") << "quoted SOAPAction";
        EXPECT_EQ(requests[i][4], kOperations[i]);
        EXPECT_EQ(requests[i][5], "200") << requests[i].value(6).toStdString();
    }

    // The answers' values reach the caller.
    QString text, desc, error;
    int number = 0;
    qint64 big = 0;
    QALMessage msg;
    msg.Regional = 12;
    msg.MAC = "00:11:22:33:44:55";
    msg.HostName = "oficina";
    ASSERT_TRUE(ws.VerifyMessage(msg, text, error)) << error.toStdString();
    EXPECT_EQ(text, "Configuración verificada: regional 12, MAC 00:11:22:33:44:55, host oficina");
    sim.setScenario({{"GetPedidoByTram", QJsonObject {{"result", "x_ape1=ÑANDÚ|n_doc=5|"}, {"errorDesc", "nada"}}},
                     {"ObtenerMotivoRechazoOficial", QJsonObject {{"result", "Falta la firma.\r\nFalta el sello."}}},
                     {"VerificarHuella", QJsonObject {{"result", "8589934593"}}},
                     {"GetPedidoByBoletaDoc", QJsonObject {{"result", "0"}}},
                     {"GetFechaByBoleta", QJsonObject {{"result", ""}}}});
    ASSERT_TRUE(ws.GetPedidoByTram("I", 1, 5, "", text, desc, error)) << error.toStdString();
    EXPECT_EQ(text, "x_ape1=ÑANDÚ|n_doc=5|");
    EXPECT_EQ(desc, "nada");
    ASSERT_TRUE(ws.ObtenerMotivoRechazoOficial(1, 2, text, error));
    EXPECT_EQ(text, "Falta la firma.\r\nFalta el sello.");
    ASSERT_TRUE(ws.VerificarHuella("app", kWsqMinimo, big, error));
    EXPECT_EQ(big, Q_INT64_C(8589934593)) << "a 64-bit result";
    ASSERT_TRUE(ws.GetPedidoByBoletaDoc("01234567890", 5, number, error));
    EXPECT_EQ(number, 0);
    ASSERT_TRUE(ws.GetFechaByBoleta("01234567890", text, error));
    EXPECT_TRUE(text.isEmpty() && !text.isNull()) << "an empty answer is not a missing one";
}

TEST(CentralServices, FaultsErrorPagesGarbageAndOversizedAnswersFailWithTheOperationsName)
{
    CentralSim sim;
    ASSERT_TRUE(sim.running());
    const CentralServices ws(sim.settings());

    sim.setScenario(everyOperation({{"mode", "fault"}, {"fault", "Base de datos fuera de servicio"}}));
    QMap<QString, QString> errors = callEverything(ws);
    ASSERT_EQ(errors.size(), kOperations.size());
    for (const QString &op : kOperations)
        EXPECT_EQ(errors.value(op), "Error " + op + ": Base de datos fuera de servicio");

    sim.setScenario(everyOperation({{"mode", "html"}}));
    errors = callEverything(ws);
    for (const QString &op : kOperations)
        EXPECT_EQ(errors.value(op), "Error " + op + ": HTTP 500 Internal Server Error");

    sim.setScenario(everyOperation({{"mode", "garbage"}}));
    errors = callEverything(ws);
    for (const QString &op : kOperations)
        EXPECT_TRUE(errors.value(op).startsWith("Error " + op + ": respuesta no válida")) << errors.value(op).toStdString();

    sim.setScenario(everyOperation({{"mode", "oversized"}}));
    errors = callEverything(ws);
    for (const QString &op : kOperations)
        EXPECT_EQ(errors.value(op), "Error " + op + QStringLiteral(": la respuesta supera %1 bytes").arg(kMaxAnswerBytes));

    sim.setScenario({{"ActualizarCodSegur", QJsonObject {{"result", "sí"}}},
                     {"GetPedidoByBoletaDoc", QJsonObject {{"result", "99999999999"}}}});
    int number = 0;
    QString error;
    EXPECT_FALSE(ws.ActualizarCodSegur(1, 2, "a", "b", number, error));
    EXPECT_EQ(error, "Error ActualizarCodSegur: respuesta no válida: ActualizarCodSegurResult = \"sí\"");
    EXPECT_FALSE(ws.GetPedidoByBoletaDoc("01234567890", 1, number, error)) << "beyond an int";
}

TEST(CentralServices, ASilentServerIsGivenUpAfterTheTimeOutAndASlowOneIsWaitedFor)
{
    CentralSim sim;
    ASSERT_TRUE(sim.running());
    const CentralServices ws(sim.settings(1000));
    QString text, error;
    QALMessage msg;

    sim.setScenario({{"SendMessage", QJsonObject {{"delayMs", 4000}}}});
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ws.SendMessage(msg, text, error));
    EXPECT_EQ(error, "Error SendMessage: el servicio no respondió a tiempo (1 s)");
    EXPECT_LT(clock.elapsed(), 3000);

    sim.setScenario({{"SendMessage", QJsonObject {{"delayMs", 300}}}});
    EXPECT_TRUE(ws.SendMessage(msg, text, error)) << error.toStdString();
}

TEST(CentralServices, NoServerAndWrongSettingsFail)
{
    QTcpServer closed; // a port that nobody listens on once closed
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    SoapSettings settings;
    settings.server = QStringLiteral("http://127.0.0.1:%1").arg(port);
    settings.messageUrl = settings.server + "/QALService/QALMessageService.asmx";
    settings.ns = "http://tempuri.org/";
    settings.timeoutMs = 5000;
    QString text, error;
    EXPECT_FALSE(CentralServices(settings).GetFechaByBoleta("x", text, error));
    EXPECT_TRUE(error.startsWith("Error GetFechaByBoleta: ")) << error.toStdString();
    EXPECT_GT(error.size(), QString("Error GetFechaByBoleta: ").size());

    settings.messageUrl = "ftp://127.0.0.1/x";
    EXPECT_FALSE(CentralServices(settings).SendMessage({}, text, error));
    EXPECT_EQ(error, "Error SendMessage: dirección del servicio no válida: ftp://127.0.0.1/x");

    // A namespace the central office does not use is refused by it.
    CentralSim sim;
    ASSERT_TRUE(sim.running());
    settings = sim.settings();
    settings.ns = "http://otro.example/";
    EXPECT_FALSE(CentralServices(settings).GetFechaByBoleta("x", text, error));
    EXPECT_EQ(error, "Error GetFechaByBoleta: Espacio de nombres inesperado: \"http://otro.example/\"");
}

TEST(CentralServices, TenAttachmentsArriveWithIdenticalBytesAndTheTextsUnchanged)
{
    CentralSim sim;
    ASSERT_TRUE(sim.running());
    TempFolder files;
    QStringList paths;
    QList<QByteArray> contents;
    for (int i = 0; i < 10; ++i) {
        QByteArray bytes(1000 + i * 7919, Qt::Uninitialized);
        for (auto &b : bytes)
            b = static_cast<char>(QRandomGenerator::global()->bounded(256));
        if (i == 0)
            bytes.clear(); // an empty file
        const QString path = files.file(QStringLiteral("adjunto%1.bin").arg(i));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        paths << path;
        contents << bytes;
    }
    QALMessage msg;
    msg.Pedido = 1234;
    msg.Regional = 5;
    msg.Subject = "PEDIDO OFICIAL";
    msg.Body = "Línea uno\r\nLínea <dos> & \"tres\"\r\n";
    msg.addFiles(paths);
    msg.addFile(files.file("no-existe.tif"));
    ASSERT_EQ(msg.Attachments.size(), 11);
    EXPECT_EQ(msg.Attachments.last().fileName, "no-existe.tif");
    EXPECT_TRUE(msg.Attachments.last().fileContentBase64.isEmpty()) << "a missing file has empty content";

    QString text, error;
    ASSERT_TRUE(CentralServices(sim.settings()).SendMessage(msg, text, error)) << error.toStdString();
    EXPECT_EQ(text, "Mensaje recibido: pedido 1234, regional 5, 11 adjuntos");
    for (int i = 0; i < 10; ++i) {
        QFile f(sim.attachmentsDir() + QStringLiteral("/adjunto%1.bin").arg(i));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << i;
        EXPECT_EQ(f.readAll(), contents[i]) << i;
    }

    // The body keeps its line breaks and marks through the XML.
    QXmlStreamReader xml(sim.requestBody(1));
    QString body;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Body")
            && xml.namespaceUri() == QLatin1String("http://tempuri.org/")) {
            body = xml.readElementText();
            break;
        }
    }
    EXPECT_EQ(body, msg.Body);
}
