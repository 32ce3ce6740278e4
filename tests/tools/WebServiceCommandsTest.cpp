// qal-admin and the central office's web services: sends that follow envWebService, and
// "ws" calling one service with the folder's settings.
#include "exchange/soap/CentralSim.h"

#include "core/IniFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::test;

namespace {

struct AdminRun
{
    int status = -1;
    QString out, err;
};

AdminRun admin(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(QAL_BIN_DIR) + "/qal-admin", args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

struct WebServiceCommands : ::testing::Test
{
    TempFolder dir;
    // the demo central office: it knows the slips of the demo's personal requests
    CentralSim sim {{QStringLiteral("--states"), dir.file(QStringLiteral("central/estados.json"))}};

    void SetUp() override
    {
        ASSERT_TRUE(sim.running());
        ASSERT_EQ(admin({"init", "--demo", dir.path()}).status, 0);
        IniFile ini(dir.file("QalReg.INI"));
        ASSERT_TRUE(ini.writeString("QALService", "Servidor", sim.server()));
        ASSERT_TRUE(ini.writeString("QALService", "TimeOut", "5"));
    }
};

} // namespace

TEST_F(WebServiceCommands, SendsGoByTheWebServiceWhenTheFolderSaysSo)
{
    ASSERT_EQ(admin({"set", dir.path(), "envWebService", "S"}).status, 0);
    AdminRun run = admin({"send", dir.path(), "oficial", "4"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QRegularExpression line(
        "^Envío pedido: 4 - regional: \\d+ - tiempo: \\d+ \\(ms\\) - Resultado: Mensaje recibido: pedido 4, "
        "regional \\d+, 3 adjuntos\nPedido oficial 4 enviado; estado: E\n$");
    EXPECT_TRUE(line.match(run.out).hasMatch()) << run.out.toStdString();
    QStringList received = QDir(sim.attachmentsDir()).entryList(QDir::Files);
    received.sort(Qt::CaseInsensitive);
    EXPECT_EQ(received, (QStringList {"docu.tif", "huella.zip", "ped.dat"}));

    // Waiting for the answer: a refusal is a failed send and the request stays as it was.
    sim.setScenario({{"SendMessage", QJsonObject {{"mode", "fault"}, {"fault", "Regional no habilitada"}}}});
    run = admin({"send", dir.path(), "personal", "3"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("Error al enviar: Error SendMessage: Regional no habilitada")) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Resultado: Error SendMessage: Regional no habilitada")) << run.out.toStdString();

    // Not waiting: the send is handed over, and only the log tells of the refusal.
    ASSERT_EQ(admin({"set", dir.path(), "waitFin", "N"}).status, 0);
    run = admin({"send", dir.path(), "personal", "3"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Resultado: Error SendMessage: Regional no habilitada")) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith("Pedido personal 3 enviado; estado: E\n")) << run.out.toStdString();

    // By mail again: the central office hears nothing more.
    const int before = sim.requests().size();
    ASSERT_EQ(admin({"set", dir.path(), "envWebService", "N"}).status, 0);
    ASSERT_EQ(admin({"set", dir.path(), "smtpPort", "1"}).status, 0);
    EXPECT_EQ(admin({"send", "--yes", dir.path(), "oficial", "4"}).status, 1);
    EXPECT_EQ(sim.requests().size(), before);
}

TEST_F(WebServiceCommands, WsCallsOneServiceAndPrintsItsAnswer)
{
    AdminRun run = admin({"ws", dir.path(), "VerifyMessage"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(QRegularExpression("^Configuración verificada: regional \\d+, MAC .*, host .* - tiempo: \\d+ ms.\n$")
                    .match(run.out)
                    .hasMatch())
        << run.out.toStdString();

    // the demo central office knows the procedure of personal request 3, paid with its slip
    run = admin({"ws", dir.path(), "GetPedidoByBoletaDoc", "03512300003", "33222111"});
    EXPECT_EQ(run.out, "4703\n") << run.err.toStdString();
    run = admin({"ws", dir.path(), "GetPedidoByTram", "4703", "33222111"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("c_pedido=4703|")) << run.out.toStdString();
    for (const char *item : {"|x_ape1=BENITEZ|", "|n_doc=33222111|", "|c_sexo=F|", "|c_tdoc=1|", "|c_boleta_web=03512300003|"})
        EXPECT_TRUE(run.out.contains(QLatin1String(item))) << item << " in " << run.out.toStdString();

    sim.setScenario({{"GetFechaByBoleta", QJsonObject {{"mode", "fault"}, {"fault", "Boleta inexistente"}}}});
    run = admin({"ws", dir.path(), "GetFechaByBoleta", "01234567890"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.endsWith("Error GetFechaByBoleta: Boleta inexistente\n")) << run.err.toStdString();

    EXPECT_EQ(admin({"ws", dir.path(), "ActualizarCodSegur", "1", "2", "A", "B"}).out, "1\n");
    EXPECT_EQ(admin({"ws", dir.path(), "GetPedidoByBoletaDoc", "01234567890", "x"}).status, 2);
    EXPECT_EQ(admin({"ws", dir.path(), "Otra"}).status, 2);

    const QList<QStringList> requests = sim.requests();
    ASSERT_EQ(requests.size(), 5);
    for (const QStringList &r : requests)
        EXPECT_TRUE(r[5] == "200" || r[6].startsWith("Server")) << r.join(' ').toStdString();
}
