// The official form's answer button for a rejected request against the central office
// simulator: the reason it gives over the real SOAP client, and a fault.
#include "RequestFormFixture.h"

#include "exchange/soap/CentralSim.h"
#include "requests/central/MotivoRechazoOficialSoap.h"

#include "core/ProgramFolder.h"
#include "support/Controls.h"

#include <QApplication>
#include <QFile>
#include <QJsonObject>
#include <QTimer>
#include <QPushButton>

using qal::test::child;

using namespace qal;

namespace {

class OfficialCentral : public test::RequestFormFixture
{
protected:
    void SetUp() override
    {
        RequestFormFixture::SetUp();
        ASSERT_TRUE(sim.running());
        sim.writeQalRegIni(ProgramFolder::resolve(QStringLiteral("QalReg.INI")));
        form->setConsultaMotivoRechazo(motivoRechazoOficialSoap(*dm));
    }

    void rejected(const QVariant &motivo)
    {
        storeRequest({{"M_ENVIADO", true}});
        ped().edit();
        ped().setValue("C_EST", "R");
        ped().setValue("X_RECHAZO", motivo);
        dm->grabacionAutorizada = true;
        ped().post();
    }
    int asked() const
    {
        int n = 0;
        for (const QStringList &r : sim.requests())
            n += r.value(4) == QLatin1String("ObtenerMotivoRechazoOficial");
        return n;
    }
    void answerButton() { QTest::mouseClick(child<QPushButton>(form, "btContes"), Qt::LeftButton); }

    test::CentralSim sim;
};

} // namespace

TEST_F(OfficialCentral, AStoredReasonIsShownWithoutAskingTheCentralOffice)
{
    rejected(QStringLiteral("FALTA EL OFICIO"));
    answerButton();
    EXPECT_EQ(dialogs.texts(), QStringList {"FALTA EL OFICIO"});
    EXPECT_EQ(dialogs.titles(), QStringList {"Motivo del Rechazo"});
    EXPECT_EQ(asked(), 0);
}

TEST_F(OfficialCentral, WithoutAStoredReasonTheCentralOfficeIsAskedBehindTheHourglassEveryTime)
{
    sim.setScenario({{"ObtenerMotivoRechazoOficial",
                      QJsonObject {{"result", "La ficha dactiloscópica es ilegible."}, {"delayMs", 300}}}});
    rejected(QVariant());
    const qlonglong cPed = ped().value("C_PED").toLongLong();
    bool hourglass = false;
    QTimer::singleShot(150, [&hourglass] {
        hourglass = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    answerButton();
    EXPECT_TRUE(hourglass) << "while the office is asked";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(dialogs.texts(), QStringList {"La ficha dactiloscópica es ilegible."});
    EXPECT_EQ(dialogs.titles(), QStringList {"Motivo del Rechazo"});
    ASSERT_EQ(asked(), 1);
    const QByteArray body = sim.requestBody(sim.requests().back().value(0).toInt());
    EXPECT_TRUE(body.contains(QStringLiteral("<c_ped>%1</c_ped>").arg(cPed).toLatin1())) << body.toStdString();
    EXPECT_TRUE(body.contains("<c_reg>" + ped().value("C_REG").toByteArray() + "</c_reg>")) << body.toStdString();
    EXPECT_TRUE(ped().isNull("X_RECHAZO")) << "the fetched reason is not stored";

    dialogs.clear();
    answerButton();
    EXPECT_EQ(asked(), 2);
    EXPECT_EQ(dialogs.texts(), QStringList {"La ficha dactiloscópica es ilegible."});
}

TEST_F(OfficialCentral, AFaultReachesTheGeneralErrorDisplayWithTheCursorRestored)
{
    sim.setScenario({{"ObtenerMotivoRechazoOficial", QJsonObject {{"mode", "fault"}, {"fault", "fuera de servicio"}}}});
    rejected(QVariant());
    answerButton();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts()[0].contains("ObtenerMotivoRechazoOficial")) << dialogs.texts()[0].toStdString();
    EXPECT_TRUE(dialogs.texts()[0].contains("fuera de servicio")) << dialogs.texts()[0].toStdString();
    EXPECT_EQ(dialogs.titles(), QStringList {"Error"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // a server that is not there at all: the same display
    dialogs.clear();
    QFile ini(ProgramFolder::resolve(QStringLiteral("QalReg.INI")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[QALService]\r\nServidor=http://127.0.0.1:9\r\nTimeOut=5\r\n");
    ini.close();
    answerButton();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts()[0].startsWith("Error ObtenerMotivoRechazoOficial")) << dialogs.texts()[0].toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
