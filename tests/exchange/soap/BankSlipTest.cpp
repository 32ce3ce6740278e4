// Bank slips and Internet procedures against the central office simulator: the slip's data
// read into PedBol and compared with a request, a slip code applied to a personal request,
// and a procedure started on the Internet made into a personal request.
#include "exchange/soap/CentralSim.h"

#include "data/RequestFixture.h"
#include "exchange/forms/TFSelInternet.h"
#include "exchange/soap/ServicioBoleta.h"
#include "exchange/soap/ServicioWeb.h"

#include "core/IniFile.h"
#include "support/Controls.h"

#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

using namespace qal;
using namespace qal::test;

namespace {

struct BankSlips : RequestFixture
{
    CentralSim sim;
    std::unique_ptr<soap::ServicioBoleta> slips()
    {
        return std::make_unique<soap::ServicioBoleta>(*dm, [this] { return sim.settings(); });
    }
};

} // namespace

TEST(BankSlipAnswer, ItemsEndAtEachBarAndValuesConvertByTheirField)
{
    EXPECT_EQ(partirRespuestaBoleta("x_ape1=PEREZ|n_doc=5|"), (QStringList {"x_ape1=PEREZ", "n_doc=5"}));
    EXPECT_EQ(partirRespuestaBoleta("x_ape1=PEREZ|n_doc=5"), (QStringList {"x_ape1=PEREZ"})) << "no last bar";
    EXPECT_EQ(valorItemBoleta({"X_APE1=A", "x_ape1=B"}, "x_ape1"), "A") << "first match, any case";

    PedBol bol;
    ASSERT_TRUE(bol.llenar({"n_doc=20123456", "f_nac=15/03/1980", "x_nom1=MARIA JOSEFINA DE LAS MERCEDES",
                            "m_tramvirtual=True", "v_monto_e=12,50", "c_pais=", "f_ped=2026-03-01 10:30:00"}));
    EXPECT_EQ(bol.value("n_doc"), 20123456);
    EXPECT_EQ(bol.value("f_nac").toDateTime(), QDateTime(QDate(1980, 3, 15), QTime(0, 0)));
    EXPECT_EQ(bol.value("x_nom1"), "MARIA JOSEFINA ") << "cut to its 15 characters";
    EXPECT_EQ(bol.value("m_tramvirtual"), true);
    EXPECT_DOUBLE_EQ(bol.value("v_monto_e").toDouble(), 12.5);
    EXPECT_TRUE(bol.value("c_pais").isNull()) << "an empty value leaves the field empty";
    EXPECT_EQ(bol.value("f_ped").toDateTime(), QDateTime(QDate(2026, 3, 1), QTime(10, 30)));
    EXPECT_FALSE(bol.llenar({"n_doc=veinte"}));
    EXPECT_FALSE(bol.llenar({"c_banco=70000"})) << "beyond a small integer";
}

TEST_F(BankSlips, TheSlipsDataAreReadAndComparedWithTheRequest)
{
    ASSERT_TRUE(sim.running());
    auto service = slips();
    QString error, differences;
    ASSERT_EQ(service->ObtenerDatosBoleta("01234567890", 20123456, error), 1) << error.toStdString();
    EXPECT_EQ(dm->pedBol.value("x_ape1"), "PEREZ");
    EXPECT_EQ(dm->pedBol.value("c_pedido"), 4711);
    EXPECT_TRUE(service->CompararDatosBoleta("01234567890", " PEREZ ", QDate(1980, 3, 15), 20123456.0, "JUAN",
                                             differences));
    EXPECT_TRUE(differences.isEmpty());
    EXPECT_FALSE(service->CompararDatosBoleta("01234567890", "GOMEZ", QDate(1980, 3, 15), QVariant(), "JUAN",
                                              differences));
    EXPECT_EQ(differences, " apellido1, documento");
    EXPECT_TRUE(service->CompararDatosBoleta("", "GOMEZ", QDate(), QVariant(), "X", differences)) << "no slip";

    sim.setScenario({{"GetPedidoByBoletaDoc", QJsonObject {{"result", "0"}}}});
    EXPECT_EQ(service->ObtenerDatosBoleta("01234567890", 1, error), 0);
    EXPECT_TRUE(dm->pedBol.values.isEmpty());

    sim.setScenario({{"GetPedidoByBoletaDoc", QJsonObject {{"mode", "fault"}}}});
    EXPECT_EQ(service->ObtenerDatosBoleta("01234567890", 1, error), -1);
    EXPECT_EQ(error, "Error al intentar obtener el código de la boleta.");

    sim.setScenario({{"GetPedidoByTram", QJsonObject {{"result", "x"}}}});
    EXPECT_EQ(service->ObtenerDatosBoleta("01234567890", 1, error), -1);
    sim.setScenario({{"GetPedidoByTram", QJsonObject {{"mode", "garbage"}}}});
    EXPECT_EQ(service->ObtenerDatosBoleta("01234567890", 1, error), -1);
    EXPECT_EQ(dialogs.texts(), (QStringList {"Error: La respuesta a la solicitud de datos de la boleta esta vacia.",
                                             "Error al solicitar los datos de la boleta."}));
    dialogs.clear();

    sim.setScenario({{"GetPedidoByTram", QJsonObject {{"result", "x_ape1=PEREZ|n_doc=cinco|"}}}});
    EXPECT_EQ(service->ObtenerDatosBoleta("01234567890", 1, error), -1);
    EXPECT_EQ(error, "Error al decodificar datos de la boleta");
    EXPECT_TRUE(dm->pedBol.values.isEmpty()) << "no half-filled record";
}

TEST_F(BankSlips, ASlipCodeSetsTheProcedureTypeBankAndPaymentDate)
{
    ASSERT_TRUE(sim.running());
    dm->servicioBoleta = slips();
    sim.setScenario({{"GetFechaByBoleta", QJsonObject {{"result", "05/03/2026 00:00:00"}}}});
    newPersonal();
    dm->pedp.clearValue("F_PAGO");
    ASSERT_TRUE(dm->AplicarBoleta("03123456789"));
    EXPECT_EQ(dm->pedp.value("C_TRAM"), "3");
    EXPECT_EQ(dm->pedp.value("C_PRIOR").toInt(), 3);
    EXPECT_EQ(dm->pedp.value("C_BANCO").toInt(), 2);
    EXPECT_EQ(dm->pedp.value("F_PAGO").toDate(), QDate(2026, 3, 5));

    ASSERT_TRUE(dm->AplicarBoleta("06123456789")) << "exempt: no bank, no payment date";
    EXPECT_TRUE(dm->pedp.value("C_BANCO").isNull());
    EXPECT_TRUE(dm->pedp.value("F_PAGO").isNull());
    EXPECT_EQ(sim.requests().size(), 1) << "no date asked for the exempt type";

    EXPECT_FALSE(dm->AplicarBoleta("09123456789"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Error: No se pudo encontrar el tipo de tramite"});
    EXPECT_EQ(dm->pedp.value("C_TRAM"), "6") << "nothing changed";
    dialogs.clear();

    sim.setScenario({{"GetFechaByBoleta", QJsonObject {{"mode", "fault"}}}});
    ASSERT_TRUE(dm->AplicarBoleta("03123456789"));
    EXPECT_TRUE(dm->pedp.value("F_PAGO").isNull());
    EXPECT_EQ(dialogs.texts(), QStringList {"ERROR al intentar obtener la fecha del pago."});
    dialogs.clear();
    dm->pedp.cancel();
}

TEST_F(BankSlips, AnInternetProcedureBecomesAPersonalRequest)
{
    ASSERT_TRUE(sim.running());
    dm->servicioBoleta = slips();
    exchange::TFSelInternet window(*dm);
    window.configuracion = [this] { return sim.settings(); };
    int shown = 0;
    window.mostrarPedidoPersonal = [&shown] { ++shown; };
    QLineEdit *edBoleta = test::child<QLineEdit>(window, "edBoleta");
    QLineEdit *edDoc = test::child<QLineEdit>(window, "edDoc");
    // "&Consultar" as the operator presses it: true when it made a personal request.
    const auto consultar = [&] {
        const int before = dm->pedp.recordCount();
        test::click(test::child<QPushButton>(window, "btConsultar"));
        return dm->pedp.recordCount() > before;
    };

    EXPECT_FALSE(consultar());
    edBoleta->setText(" 0312345678 ");
    EXPECT_FALSE(consultar());
    edBoleta->setText("03123456789");
    edDoc->setText("0");
    EXPECT_FALSE(consultar());
    EXPECT_EQ(dialogs.texts(), (QStringList {"Debe indicar el código de boleta ",
                                             "El código de boleta debe contener 11 caracteres",
                                             "Debe indicar el número de documento (Debe ser del tipo numérico)"}));
    dialogs.clear();

    sim.setScenario({{"GetPedidoByBoletaDoc", QJsonObject {{"result", "0"}}}});
    edDoc->setText("20123456");
    EXPECT_FALSE(consultar());
    sim.setScenario({{"GetPedidoByTram", QJsonObject {{"mode", "fault"}}}});
    EXPECT_FALSE(consultar());
    sim.setScenario({{"GetPedidoByTram", QJsonObject {{"result", "x_ape1=PEREZ|"}}}});
    EXPECT_FALSE(consultar());
    EXPECT_EQ(dialogs.texts(), (QStringList {"No se pudo recuperar ningún código de trámite con los datos indicados",
                                             "ERROR al intentar obtener los datos del trámite.",
                                             "No se pudo recuperar ningún trámite con los datos indicados"}));
    dialogs.clear();
    EXPECT_EQ(dm->pedp.recordCount(), 0);

    sim.setScenario({});
    ASSERT_TRUE(consultar());
    EXPECT_EQ(shown, 1);
    dbase::Table &t = dm->pedp;
    EXPECT_EQ(t.state(), dbase::Table::State::Browse);
    EXPECT_EQ(t.value("X_APE1").toString().trimmed(), "PEREZ");
    EXPECT_EQ(t.value("X_NOM2").toString().trimmed(), "CARLOS");
    EXPECT_EQ(t.value("X_NOMPADR1").toString().trimmed(), "PEDRO");
    EXPECT_EQ(t.value("X_APEMADR1").toString().trimmed(), "LOPEZ");
    EXPECT_EQ(t.value("N_DOC").toLongLong(), 20123456);
    EXPECT_EQ(t.value("F_NAC").toDate(), QDate(1980, 3, 15));
    EXPECT_EQ(t.value("C_TDOC").toString().trimmed(), "DU") << "through the document types' export code";
    EXPECT_EQ(t.value("C_SEXO"), "M");
    EXPECT_EQ(t.value("C_NAC").toInt(), 1);
    EXPECT_EQ(t.value("C_PAGO").toString().trimmed(), "03123456789");
    EXPECT_EQ(t.value("C_TRAM"), "3");
    EXPECT_EQ(t.value("C_BANCO").toInt(), 2);
}

TEST_F(BankSlips, TheConfigurationCheckNamesThisOfficeAndTellsTheTime)
{
    ASSERT_TRUE(sim.running());
    IniFile ini(dir.file("QalReg.INI"));
    ASSERT_TRUE(ini.writeString("QALService", "Servidor", sim.server()));
    ASSERT_TRUE(dm->GrabarParametro("c_reg", "7"));
    ASSERT_TRUE(dm->GrabarParametro("c_regp", "0"));
    const NetworkIdentity id {"00:1A:2B:3C:4D:5E", "10.0.0.2", "regional-pc"};
    const QRegularExpression answer(
        "^Configuración verificada: regional 7, MAC 00:1A:2B:3C:4D:5E, host regional-pc - tiempo: \\d+ ms\\.$");
    QString line = soap::VerificarConfiguracion(*dm, id);
    EXPECT_TRUE(answer.match(line).hasMatch()) << line.toStdString();
    ASSERT_TRUE(dm->GrabarParametro("c_regp", "31"));
    line = soap::VerificarConfiguracion(*dm, id);
    EXPECT_TRUE(line.startsWith("Configuración verificada: regional 31,")) << "the personal code when not 0";
    sim.setScenario({{"VerifyMessage", QJsonObject {{"mode", "fault"}, {"fault", "MAC no registrada"}}}});
    line = soap::VerificarConfiguracion(*dm, id);
    EXPECT_TRUE(line.startsWith("Error VerifyMessage: MAC no registrada - tiempo: ")) << line.toStdString();
}
