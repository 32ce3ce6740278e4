// The personal form against the central office simulator: the slip's payment date, the
// security code's renewal and a rejection's reason, over the real SOAP client.
#include "PersonalFormFixture.h"

#include "exchange/soap/CentralSim.h"
#include "exchange/soap/ServicioBoleta.h"
#include "requests/forms/TFCompPedBol.h"
#include "requests/central/CentralPersonalSoap.h"

#include "core/ProgramFolder.h"
#include "support/Controls.h"
#include "ui/DbEdit.h"

#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>

using qal::test::child;

using namespace qal;
using B = ui::DbNavigator::Button;
using State = dbase::Table::State;

namespace {

class PersonalCentral : public test::PersonalFormFixture
{
protected:
    void SetUp() override
    {
        PersonalFormFixture::SetUp();
        ASSERT_TRUE(sim.running());
        sim.writeQalRegIni(ProgramFolder::resolve(QStringLiteral("QalReg.INI")));
        // as the program installs them: the slip's payment date comes from the bank-slip service
        dm->servicioBoleta =
            std::make_unique<soap::ServicioBoleta>(*dm, [d = dm.get()] { return soap::SoapSettings::current(d); });
        soapCentral = std::make_unique<CentralPersonalSoap>(*dm);
        form->setServicioCentral(soapCentral.get());
    }

    // The body of the last request the simulator received for an operation.
    QByteArray lastBodyOf(const QString &operation)
    {
        const QList<QStringList> lines = sim.requests();
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            if (it->size() > 4 && it->at(4) == operation)
                return sim.requestBody(it->at(0).toInt());
        return {};
    }

    test::CentralSim sim;
    std::unique_ptr<CentralPersonalSoap> soapCentral;
};

} // namespace

TEST_F(PersonalCentral, TheSlipBringsItsProcedurePriorityBankAndPaymentDate)
{
    sim.setScenario({{"GetFechaByBoleta", QJsonObject {{"result", "20/03/2026 00:00:00"}}}});
    storeRequest({{"C_TRAM", "1"}});
    press(B::Edit);
    type(child<ui::DbEdit>(form, "dbTalon"), QStringLiteral("03123456789"));
    QTest::keyClick(child<ui::DbEdit>(form, "dbTalon"), Qt::Key_Return);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(pedp().value("C_TRAM").toString(), "3");
    EXPECT_EQ(pedp().value("C_PRIOR").toInt(), 3);
    EXPECT_EQ(pedp().value("C_BANCO").toInt(), 2);
    EXPECT_EQ(pedp().value("F_PAGO").toDate(), QDate(2026, 3, 20));
    EXPECT_TRUE(lastBodyOf("GetFechaByBoleta").contains("03123456789"));
    press(B::Post);
    EXPECT_EQ(pedp().state(), State::Browse);

    // a service that fails leaves the date for the operator
    press(B::Edit);
    sim.setScenario({{"GetFechaByBoleta", QJsonObject {{"mode", "fault"}, {"fault", "fuera de servicio"}}}});
    pedp().clearValue("F_PAGO");
    type(child<ui::DbEdit>(form, "dbTalon"), QStringLiteral("04123456789"));
    QTest::keyClick(child<ui::DbEdit>(form, "dbTalon"), Qt::Key_Return);
    EXPECT_EQ(dialogs.texts(), QStringList {"ERROR al intentar obtener la fecha del pago."});
    EXPECT_EQ(pedp().value("C_TRAM").toString(), "4");
    EXPECT_TRUE(pedp().isNull("F_PAGO"));

    // an exempt slip clears the bank and the date, and asks nothing
    dialogs.clear();
    pedp().setValue("F_PAGO", QDate(2026, 3, 1));
    type(child<ui::DbEdit>(form, "dbTalon"), QStringLiteral("06123456789"));
    QTest::keyClick(child<ui::DbEdit>(form, "dbTalon"), Qt::Key_Return);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_TRUE(pedp().isNull("F_PAGO"));
    EXPECT_TRUE(pedp().isNull("C_BANCO"));
    press(B::Cancel);
}

TEST_F(PersonalCentral, TheSecurityCodeIsRenewedWithTheCentralOffice)
{
    storeRequest({{"C_SEGUR", "AAAAAAAAAA"}});
    for (const auto &[answer, changes] : {std::pair {"0", false}, std::pair {"1", true}}) {
        SCOPED_TRACE(answer);
        sim.setScenario({{"ActualizarCodSegur", QJsonObject {{"result", answer}}}});
        dialogs.clear();
        dialogs.answer(DialogButton::Yes);
        if (changes)
            dialogs.answer(DialogButton::No); // the receipt on paper
        click(child<QPushButton>(form, "btRegen"));
        const QByteArray body = lastBodyOf("ActualizarCodSegur");
        EXPECT_TRUE(body.contains("AAAAAAAAAA")) << body.toStdString();
        EXPECT_EQ(pedp().value("C_SEGUR").toString() != "AAAAAAAAAA", changes);
        if (changes)
            EXPECT_TRUE(body.contains(pedp().value("C_SEGUR").toByteArray()));
        else
            EXPECT_EQ(dialogs.lastText(), "Lo siento, no se ha podido cambiar el código de seguridad en QAL Central");
    }
    const QString code = pedp().value("C_SEGUR").toString();
    sim.setScenario({{"ActualizarCodSegur", QJsonObject {{"mode", "fault"}, {"fault", "fuera de servicio"}}}});
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    click(child<QPushButton>(form, "btRegen"));
    EXPECT_TRUE(dialogs.lastText().startsWith("Imposible conectarse con QAL Central"));
    EXPECT_EQ(pedp().value("C_SEGUR").toString(), code);
}

TEST_F(PersonalCentral, ARejectionWithoutItsReasonAsksTheCentralOffice)
{
    sim.setScenario({{"ObtenerMotivoRechazoPrivado", QJsonObject {{"result", "Falta el comprobante de pago."}}}});
    storeRequest({{"C_EST", "R"}});
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Falta el comprobante de pago."});
    EXPECT_EQ(dialogs.titles(), QStringList {"Motivo del Rechazo"});
    EXPECT_TRUE(lastBodyOf("ObtenerMotivoRechazoPrivado").contains("<c_ped>1</c_ped>"));
}

TEST_F(PersonalCentral, TheSlipTheCentralOfficeDescribesByCodesIsComparedByName)
{
    // the office's record of the slip: PEREZ JUAN CARLOS, c_sexo M, c_pais 1, c_tdoc 1
    dm->mChkDatBol = true;
    ASSERT_TRUE(dm->GrabarParametro("m_obli_doc", "N"));
    const QVariant n = storeRequest({{"C_PAGO", "03123456789"}, {"F_PAGO", QDate(2026, 3, 20)}});
    QFile prints(ProgramFolder::resolve(QStringLiteral("zp%1.12").arg(n.toInt())));
    ASSERT_TRUE(prints.open(QIODevice::WriteOnly));
    prints.write("PK-prints");
    prints.close();
    const auto color = [](QLabel *l) { return l->palette().color(QPalette::WindowText); };
    bool shown = false;
    driveModalWindows([&](QDialog &d) {
        auto *c = qobject_cast<TFCompPedBol *>(&d);
        ASSERT_NE(c, nullptr);
        shown = true;
        EXPECT_EQ(c->valor("Sexo", true)->text(), "FEMENINO");
        EXPECT_EQ(c->valor("Sexo", false)->text(), "MASCULINO");
        EXPECT_EQ(color(c->valor("Sexo", false)), TFCompPedBol::colorDistinto());
        for (const char *igual : {"Nacionalidad", "TipoDocumento"}) {
            EXPECT_EQ(c->valor(igual, false)->text(), c->valor(igual, true)->text()) << igual;
            EXPECT_FALSE(c->valor(igual, false)->text().isEmpty()) << igual;
            EXPECT_EQ(color(c->valor(igual, false)), TFCompPedBol::colorIgual()) << igual;
        }
        EXPECT_EQ(c->valor("Nacionalidad", false)->text(), "ARGENTINA");
        EXPECT_EQ(c->valor("TipoDocumento", false)->text(), "DOCUMENTO ÚNICO");
        EXPECT_EQ(c->valor("Nombres", false)->text(), "JUAN CARLOS");
        EXPECT_EQ(c->valor("Codigo", false)->text(), "01234567890");
        click(c->btCancelar());
    });
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_TRUE(shown) << dialogs.texts().join(" | ").toStdString();
    EXPECT_TRUE(lastBodyOf("GetPedidoByTram").contains("<c_pedido>4711</c_pedido>"));
    EXPECT_TRUE(transport->calls.isEmpty()) << "stopped at the comparison";

    // a code this office's tables do not have names nothing, and so differs
    sim.setScenario({{"GetPedidoByTram", QJsonObject {{"result", "c_pedido=4711|c_sexo=Z|c_pais=77|c_tdoc=9|"
                                                                 "x_ape1=PEREZ|x_nom1=JUAN|n_doc=20123456|"}}}});
    driveModalWindows([&](QDialog &d) {
        auto &c = static_cast<TFCompPedBol &>(d);
        for (const char *fila : {"Sexo", "Nacionalidad", "TipoDocumento"}) {
            EXPECT_TRUE(c.valor(fila, false)->text().isEmpty()) << fila;
            EXPECT_EQ(color(c.valor(fila, false)), TFCompPedBol::colorDistinto()) << fila;
        }
        click(c.btCancelar());
    });
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_TRUE(transport->calls.isEmpty());
}
