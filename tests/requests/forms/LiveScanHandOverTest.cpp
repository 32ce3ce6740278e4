#include "RequestFormFixture.h"

#include "biometrics/forms/LiveScanFixture.h"
#include "biometrics/forms/TFLiveScanPlano.h"
#include "data/RequestFiles.h"
#include "support/Controls.h"
#include "biometrics/forms/TClasFundEdit.h"

#include <QDir>
#include <QMenu>
#include <QLabel>
#include <QPushButton>

using qal::test::child;

using namespace qal;
using State = dbase::Table::State;

namespace {

// The official request form's "LiveScan" command with a scanner fed by a simulated device.
struct LiveScanHandOver : test::RequestFormFixture
{
    void SetUp() override
    {
        RequestFormFixture::SetUp();
        test::linkCaptureTools(dir);
        dm->GrabarParametro(QStringLiteral("LiveScan"), QStringLiteral("Plano"));
        dm->GrabarParametro(QStringLiteral("AutoAvance"), QStringLiteral("N")); // the test moves on itself
        scan = std::make_unique<TFingerScan>();
        TFingerScan::setInstance(scan.get());
        driveModalWindows<QDialog>(whileShown);
        cPed = storeRequest();
        cReg = ped().value(QStringLiteral("C_REG"));
    }
    void TearDown() override
    {
        form.reset();
        TFingerScan::setInstance(nullptr);
        scan.reset();
        NfiqLibrary::unload();
        RequestFormFixture::TearDown();
    }

    void liveScan() { test::trigger(test::child<QAction>(form, "LiveScan1")); }
    QString stored() const { return ArchivoPedido(QStringLiteral("z"), cPed, cReg); }
    void setState(const char *state)
    {
        ped().edit();
        ped().setValue(QStringLiteral("C_EST"), QString::fromLatin1(state));
        dm->grabacionAutorizada = true;
        ped().post();
    }

    std::function<void(QDialog &)> whileShown;
    std::unique_ptr<TFingerScan> scan;
    QVariant cPed, cReg;
};

TEST_F(LiveScanHandOver, ASavedSetBecomesTheWorkingFileAndTheRequestsSetAtThePost)
{
    int sessions = 0;
    whileShown = [&](QDialog &d) {
        auto *captura = qobject_cast<TFLiveScanPlano *>(&d);
        ASSERT_NE(captura, nullptr);
        ++sessions;
        EXPECT_FALSE(captura->soloLectura());
        EXPECT_EQ(child<QLabel>(captura, "lbCodTram")->text(), QStringLiteral("Pedido: %1 - Regional: %2").arg(cPed.toInt()).arg(cReg.toInt()));
        test::takeTenPrints(*scan, *captura);
        child<TClasFundEdit>(captura, "edClasIzq")->SetClasificacion(QStringLiteral("A1111"));
        EXPECT_TRUE(test::pressGrabar(*captura));
    };
    liveScan();
    ASSERT_EQ(sessions, 1);
    EXPECT_EQ(ped().state(), State::Edit);
    EXPECT_TRUE(ExisteArchivo(archivos::editZip));
    EXPECT_FALSE(ExisteArchivo(QStringLiteral("dedos.zip")));
    EXPECT_EQ(ped().value(QStringLiteral("C_CLASIZQ")).toString(), QStringLiteral("A1111"));

    press(ui::DbNavigator::Button::Post);
    EXPECT_EQ(ped().state(), State::Browse);
    EXPECT_TRUE(ExisteArchivo(stored()));
    EXPECT_FALSE(ExisteArchivo(archivos::editZip));

    // reopened, the session shows the stored prints; in state T it changes nothing
    setState("T");
    whileShown = [&](QDialog &d) {
        auto &captura = dynamic_cast<TFLiveScanPlano &>(d);
        ++sessions;
        EXPECT_TRUE(captura.soloLectura());
        for (int n = 1; n <= 10; ++n)
            EXPECT_EQ(captura.calidades()[n - 1].code, QualityScored) << n;
        EXPECT_FALSE(test::pressGrabar(captura));
        test::click(child<QPushButton>(captura, "btSalir"));
    };
    liveScan();
    EXPECT_EQ(sessions, 2);
    EXPECT_EQ(ped().state(), State::Browse);
    EXPECT_FALSE(ExisteArchivo(archivos::editZip));
}

TEST_F(LiveScanHandOver, AFailedCopyIsReportedAndOtherDevicesOpenNothing)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(archivos::editZip)); // the working file cannot be written
    whileShown = [&](QDialog &d) {
        auto &captura = dynamic_cast<TFLiveScanPlano &>(d);
        test::takeTenPrints(*scan, captura);
        EXPECT_TRUE(test::pressGrabar(captura));
    };
    liveScan();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Error al crear la ficha comprimida"));
    QDir(dir.path()).rmdir(archivos::editZip);

    dm->GrabarParametro(QStringLiteral("LiveScan"), QStringLiteral("Otro"));
    bool opened = false;
    whileShown = [&](QDialog &) { opened = true; };
    liveScan();
    EXPECT_FALSE(opened);
}

} // namespace
