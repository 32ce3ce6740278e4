// The personal form's live-scan capture: the session, the hand-over of the set, the capture
// time and the biometric confirmation of the person whose prints were taken.
#include "PersonalFormFixture.h"

#include "biometrics/forms/LiveScanFixture.h"
#include "biometrics/forms/TFBioVerif.h"
#include "biometrics/forms/TFLiveScanPlano.h"
#include "data/RequestFiles.h"

#include <QLineEdit>
#include <QFileInfo>
#include <QMenu>

using namespace qal;
using State = dbase::Table::State;

namespace {

struct PersonalLiveScan : test::PersonalFormFixture
{
    void SetUp() override
    {
        PersonalFormFixture::SetUp();
        test::linkCaptureTools(dir);
        dm->GrabarParametro(QStringLiteral("LiveScan"), QStringLiteral("Plano"));
        dm->hayLiveScan = true; // as read at start
        dm->GrabarParametro(QStringLiteral("AutoAvance"), QStringLiteral("N"));
        scan = std::make_unique<TFingerScan>();
        TFingerScan::setInstance(scan.get());
        form->formularioBiometrico()->setVerificador(&verifier);
        driveModalWindows([this](QDialog &d) {
            if (auto *captura = qobject_cast<TFLiveScanPlano *>(&d)) {
                ++sessions;
                readOnly = captura->soloLectura();
                if (!readOnly) {
                    test::takeTenPrints(*scan, *captura);
                    EXPECT_TRUE(test::pressGrabar(*captura));
                }
            } else if (auto *bio = qobject_cast<TFBioVerif *>(&d)) {
                ++confirmations;
                EXPECT_EQ(d.windowTitle(), QStringLiteral("Confirmación biometrica"));
                if (confirm) {
                    bio->edAppID()->setText(QStringLiteral("operador"));
                    bio->verificar(test::VerifierStandIn::print());
                }
            }
        });
        cPed = storeRequest({{"VERIF_ID", 5}});
    }
    void TearDown() override
    {
        form.reset();
        TFingerScan::setInstance(nullptr);
        scan.reset();
        NfiqLibrary::unload();
        PersonalFormFixture::TearDown();
    }

    void liveScan() { test::trigger(test::child<QAction>(form, "LiveScan1")); }
    QString stored() const { return ArchivoPedido(QStringLiteral("zp"), cPed, pedp_().value(QStringLiteral("C_REG"))); }
    const dbase::Table &pedp_() const { return dm->pedp; }

    std::unique_ptr<TFingerScan> scan;
    test::VerifierStandIn verifier;
    QVariant cPed;
    int sessions = 0, confirmations = 0;
    bool readOnly = false;
    bool confirm = true;
};

TEST_F(PersonalLiveScan, TheSetIsStoredWithItsTimeAndThePersonsConfirmation)
{
    verifier.answer = 77;
    dm->Timer.start(60000);
    liveScan();
    EXPECT_EQ(sessions, 1);
    EXPECT_FALSE(readOnly);
    EXPECT_EQ(confirmations, 1);
    EXPECT_EQ(pedp().state(), State::Browse);
    EXPECT_TRUE(ExisteArchivo(stored()));
    EXPECT_FALSE(ExisteArchivo(archivos::editZip));
    EXPECT_EQ(pedp().value(QStringLiteral("F_CAPTURA")).toString().trimmed(), QStringLiteral("31/03/2026 12:00:00"));
    EXPECT_EQ(pedp().value(QStringLiteral("VERIF_ID")).toInt(), 77);
    EXPECT_EQ(pedp().value(QStringLiteral("C_LOGIN")).toString().trimmed(), QStringLiteral("operador"));
    EXPECT_EQ(dialogs.texts(), QStringList {QStringLiteral("Las impresiones dactilares de la solicitud %1\r"
                                                           "han sido grabadas exitosamente!")
                                                .arg(cPed.toInt())});
    EXPECT_TRUE(dm->Timer.isActive()) << "reception as the operator had it";

    // a new capture that the person does not confirm leaves the request unconfirmed
    dm->Timer.stop();
    confirm = false;
    dialogs.clear();
    liveScan();
    EXPECT_EQ(confirmations, 2);
    EXPECT_EQ(pedp().state(), State::Browse);
    EXPECT_TRUE(pedp().isNull(QStringLiteral("VERIF_ID")));
    EXPECT_FALSE(dm->Timer.isActive()) << "off stays off";
}

TEST_F(PersonalLiveScan, ARequestTheCentralOfficeHoldsIsOnlyLookedAt)
{
    liveScan(); // a set to look at
    ASSERT_TRUE(ExisteArchivo(stored()));
    change({{"C_EST", "T"}});
    const QDateTime before = QFileInfo(ProgramFolder::resolve(stored())).lastModified();
    const QString captured = pedp().value(QStringLiteral("F_CAPTURA")).toString();
    dialogs.clear();
    liveScan();
    EXPECT_EQ(sessions, 2);
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(confirmations, 1) << "nothing new to confirm";
    EXPECT_EQ(pedp().state(), State::Browse);
    EXPECT_EQ(pedp().value(QStringLiteral("F_CAPTURA")).toString(), captured);
    EXPECT_EQ(QFileInfo(ProgramFolder::resolve(stored())).lastModified(), before);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
}

} // namespace
