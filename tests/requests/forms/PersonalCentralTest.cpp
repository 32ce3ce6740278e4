// The personal form against the central office simulator: the slip's payment date, the
// security code's renewal and a rejection's reason, over the real SOAP client.
#include "PersonalFormFixture.h"

#include "exchange/soap/CentralSim.h"
#include "exchange/soap/ServicioBoleta.h"
#include "requests/central/CentralPersonalSoap.h"

#include "core/ProgramFolder.h"

#include <QFile>
#include <QJsonObject>

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
        QFile ini(ProgramFolder::resolve(QStringLiteral("QalReg.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(QStringLiteral("[QALService]\r\nServidor=%1\r\nTimeOut=10\r\n").arg(sim.server()).toLatin1());
        ini.close();
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
    type(ui().dbTalon, QStringLiteral("03123456789"));
    QTest::keyClick(ui().dbTalon, Qt::Key_Return);
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
    type(ui().dbTalon, QStringLiteral("04123456789"));
    QTest::keyClick(ui().dbTalon, Qt::Key_Return);
    EXPECT_EQ(dialogs.texts(), QStringList {"ERROR al intentar obtener la fecha del pago."});
    EXPECT_EQ(pedp().value("C_TRAM").toString(), "4");
    EXPECT_TRUE(pedp().isNull("F_PAGO"));

    // an exempt slip clears the bank and the date, and asks nothing
    dialogs.clear();
    pedp().setValue("F_PAGO", QDate(2026, 3, 1));
    type(ui().dbTalon, QStringLiteral("06123456789"));
    QTest::keyClick(ui().dbTalon, Qt::Key_Return);
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
        click(ui().btRegen);
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
    click(ui().btRegen);
    EXPECT_TRUE(dialogs.lastText().startsWith("Imposible conectarse con QAL Central"));
    EXPECT_EQ(pedp().value("C_SEGUR").toString(), code);
}

TEST_F(PersonalCentral, ARejectionWithoutItsReasonAsksTheCentralOffice)
{
    sim.setScenario({{"ObtenerMotivoRechazoPrivado", QJsonObject {{"result", "Falta el comprobante de pago."}}}});
    storeRequest({{"C_EST", "R"}});
    click(ui().btContes);
    EXPECT_EQ(dialogs.texts(), QStringList {"Falta el comprobante de pago."});
    EXPECT_EQ(dialogs.titles(), QStringList {"Motivo del Rechazo"});
    EXPECT_TRUE(lastBodyOf("ObtenerMotivoRechazoPrivado").contains("<c_ped>1</c_ped>"));
}
