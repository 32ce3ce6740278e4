#include "LiveScanFixture.h"

#include "biometrics/PrintSetZip.h"
#include "biometrics/TenPrintCard.h"
#include "biometrics/forms/TFCalidad.h"
#include "biometrics/forms/TFVerDedo.h"
#include "biometrics/forms/TInfoWnd.h"
#include "biometrics/wsq/WsqPack.h"
#include "core/ProgramFolder.h"
#include "reports/Report.h"
#include "reports/forms/ImprimirDocumento.h"
#include "support/Typing.h"
#include "support/Controls.h"
#include "biometrics/forms/TClasFundEdit.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>
#include <thread>

using qal::test::child;
using qal::test::trigger;

using namespace qal;

namespace {

using LiveScanSession = test::LiveScanFixture;

QStringList wsqLeft(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.wsq")}, QDir::Files);
}

TEST_F(LiveScanSession, TenPrintsSavedAndReopenedAsTheyWereStored)
{
    dm->GrabarParametro(QStringLiteral("AutoAvance"), QStringLiteral("S"));
    TenQualityRecords scored {};
    const bool saved = capture([&](TFLiveScanPlano &form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Captura de huellas con LiveScan"));
        EXPECT_EQ(child<QLabel>(form, "lbCodTram")->text(), QStringLiteral("Pedido: 7 - Regional: 3"));
        for (int n = 1; n <= 10; ++n) {
            ASSERT_EQ(form.dedoActual(), n);
            ASSERT_TRUE(take(print(n - 1)));
            EXPECT_EQ(form.calidades()[n - 1].code, QualityScored) << n;
            // the timer moves on by itself; after the tenth print the save button waits
            ASSERT_TRUE(QTest::qWaitFor([&] { return n == 10 ? child<QPushButton>(form, "btGrabar")->hasFocus() : form.dedoActual() == n + 1; }, 5000));
        }
        EXPECT_EQ(form.dedoActual(), 10);
        const QualityRecord &last = form.calidades()[9];
        EXPECT_EQ(child<QLabel>(form, "lblHuella")->text(), QStringLiteral("Huella: ") + FingerQualityText(last.code, last.nfiq));
        EXPECT_EQ(child<QLabel>(form, "lblProm")->text(), QStringLiteral("Promedio: ") + AverageNfiqText(AverageNfiq(form.calidades())));
        ASSERT_LE(AverageNfiq(form.calidades()), 3) << "the fixture set should not ask about its quality";
        scored = form.calidades();
        child<TClasFundEdit>(form, "edClasDer")->setFocus();
        QTest::keyClick(child<TClasFundEdit>(form, "edClasDer"), Qt::Key_Home);
        test::typeText(child<TClasFundEdit>(form, "edClasDer"), QStringLiteral("v1234"));
        // Enter on the save button saves
        child<QPushButton>(form, "btGrabar")->setFocus();
        QTest::keyClick(child<QPushButton>(form, "btGrabar"), Qt::Key_Return);
        EXPECT_FALSE(form.isVisible());
        EXPECT_TRUE(form.estado(0).endsWith(QStringLiteral(" grabada exitosamente! - Total: 0 seg."))) << form.estado(0).toStdString();
    });
    ASSERT_TRUE(saved);
    EXPECT_EQ(resultZip, ProgramFolder::resolve(QStringLiteral("dedos.zip")));
    EXPECT_EQ(clasDer, QStringLiteral("V1234"));
    EXPECT_EQ(clasIzq, QStringLiteral("_____"));
    EXPECT_TRUE(wsqLeft(dir.path()).isEmpty());
    for (int n = 1; n <= 10; ++n)
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::dedoBmp(n))) << "closing removes the prints";

    // The archive holds the ten WSQ files; stored as the request's set it opens again with
    // the same pictures the archive decodes to.
    QTemporaryDir unpacked;
    QString message;
    ASSERT_TRUE(UnzipFile(resultZip, unpacked.path(), message)) << message.toStdString();
    ASSERT_EQ(wsqLeft(unpacked.path()).size(), 10);
    ASSERT_TRUE(QFile::rename(resultZip, ProgramFolder::resolve(QStringLiteral("z7.3"))));

    const bool again = capture([&](TFLiveScanPlano &form) {
        EXPECT_FALSE(form.modificado());
        for (int n = 1; n <= 10; ++n) {
            QFile wsq(QDir(unpacked.path()).filePath(QStringLiteral("dedo%1.wsq").arg(n)));
            ASSERT_TRUE(wsq.open(QIODevice::ReadOnly));
            const QByteArray data = wsq.readAll();
            unsigned char *pixels = nullptr;
            int w = 0, h = 0, d = 0, ppi = 0, lossy = 0;
            WSQPACK_Uncompress(&pixels, &w, &h, &d, &ppi, &lossy, reinterpret_cast<const unsigned char *>(data.constData()), int(data.size()));
            ASSERT_NE(pixels, nullptr);
            const GreyImage shown = BmpFile::readGrey(TFLiveScanPlano::dedoBmp(n));
            ASSERT_EQ(shown.width(), w);
            ASSERT_EQ(shown.height(), h);
            int worst = 0;
            for (int i = 0; i < w * h; ++i)
                worst = std::max(worst, std::abs(int(shown.pixels()[std::size_t(i)]) - int(pixels[i])));
            WSQPACK_Free(&pixels);
            EXPECT_LE(worst, 1) << "finger " << n;
            // the original, through WSQ, stays close and keeps its size (less the crop to 4)
            const GreyImage original = BmpFile::readGrey(print(n - 1));
            EXPECT_EQ(w, original.width());
            EXPECT_EQ(h, original.height());
            EXPECT_EQ(form.calidades()[n - 1].code, QualityScored) << n;
            // rescored from the WSQ file: NFIQ 1 moves by up to two levels under compression
            // on prints near a class boundary
            EXPECT_NEAR(form.calidades()[n - 1].nfiq, scored[n - 1].nfiq, 2) << n;
        }
        // nothing changed: leaving asks nothing (an unscripted question fails the test)
        QTest::mouseClick(child<QPushButton>(form, "btSalir"), Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_FALSE(again);
}

TEST_F(LiveScanSession, ASetWithAFingerMissingIsNotSaved)
{
    capture([&](TFLiveScanPlano &form) {
        for (int n = 1; n <= 10; ++n) {
            if (n != 3) {
                ASSERT_TRUE(take(print(n - 1)));
            }
            QTest::keyClick(form.slot(n), Qt::Key_Space);
        }
        EXPECT_FALSE(test::pressGrabar(form));
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.estado(0), QStringLiteral("Error: falta el Medio Derecho!"));
        EXPECT_EQ(form.dedoActual(), 3);
        EXPECT_TRUE(form.ResultZip.isEmpty());
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::zipPath()));
        EXPECT_TRUE(wsqLeft(dir.path()).isEmpty());
        EXPECT_TRUE(QFile::exists(TFLiveScanPlano::dedoBmp(2))) << "the prints stay for another try";
    });
    EXPECT_TRUE(resultZip.isEmpty());
}

TEST_F(LiveScanSession, LowQualityAsksAndNoSavesAnyway)
{
    static const char *const poor[] = {"nist_tpcard_02_r_index.bmp", "nist_tpcard_03_r_middle.bmp",
                                       "nist_tpcard_05_r_little.bmp", "nist_tpcard_07_l_index.bmp",
                                       "nist_tpcard_10_l_little.bmp", "nist_latent_08_uncompressed.bmp",
                                       "nist_eji_b_wsq.bmp", "nist_eji_c_wsq.bmp", "nist_eji_d_wsq.bmp",
                                       "nbis_valid1.5_r3_latent_jpeg.bmp"};
    const QString question = QStringLiteral("La ficha del trámite es de baja calidad\r¿Desea volver a tomar las impresiones?");
    const bool saved = capture([&](TFLiveScanPlano &form) {
        for (int n = 1; n <= 10; ++n) {
            ASSERT_TRUE(take(test::TempFolder::fixture(QStringLiteral("fingers/bmp/") + QString::fromLatin1(poor[n - 1]))));
            QTest::keyClick(form.slot(n), Qt::Key_Space);
        }
        ASSERT_EQ(AverageNfiq(form.calidades()), 4);
        dialogs.answer(DialogButton::Yes); // retake
        EXPECT_FALSE(test::pressGrabar(form));
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::zipPath()));
        dialogs.answer(DialogButton::No); // save as they are
        EXPECT_TRUE(test::pressGrabar(form));
    });
    EXPECT_TRUE(saved);
    ASSERT_EQ(dialogs.shown().size(), 2);
    EXPECT_EQ(dialogs.shown()[0].text, question);
    EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Atención"));
    EXPECT_TRUE(QFile::exists(resultZip));
}

TEST_F(LiveScanSession, ClicksWithin500msOpenTheEnlargedView)
{
    QStringList views;
    onModal = [&](QDialog &d) {
        if (auto *v = qobject_cast<TFVerDedo *>(&d))
            views << v->windowTitle();
    };
    capture([&](TFLiveScanPlano &form) {
        ASSERT_TRUE(take(print(0)));
        const QualityRecord r = form.calidades()[0];
        ms += 1000;
        click(form, 1);
        ms += 400;
        click(form, 1);
        ASSERT_EQ(views.size(), 1);
        EXPECT_EQ(views[0], QStringLiteral("Pulgar Derecho - NFIQ: ") + FingerQualityText(r.code, r.nfiq));
        ms += 1000;
        click(form, 1);
        ms += 600;
        click(form, 1);
        EXPECT_EQ(views.size(), 1) << "600 ms apart is two clicks";
        EXPECT_EQ(child<QLabel>(form, "lblHuella")->text(), QStringLiteral("Huella: ") + FingerQualityText(r.code, r.nfiq));
        // a quick second click on another finger only selects it; an empty finger clears the labels
        ms += 100;
        click(form, 4);
        EXPECT_EQ(form.dedoActual(), 4);
        EXPECT_EQ(views.size(), 1);
        EXPECT_TRUE(child<QLabel>(form, "lblHuella")->text().isEmpty());
        EXPECT_TRUE(child<QLabel>(form, "lblProm")->text().isEmpty());
    });
}

TEST_F(LiveScanSession, SpaceTabAndShiftTabWrapAroundTheTenFingers)
{
    capture([&](TFLiveScanPlano &form) {
        EXPECT_EQ(form.dedoActual(), 1);
        EXPECT_EQ(form.estado(1), QStringLiteral("Pulgar Derecho"));
        QTest::keyClick(form.slot(1), Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(form.dedoActual(), 10);
        EXPECT_EQ(form.estado(1), QString::fromUtf8("Meñique Izquierdo"));
        EXPECT_TRUE(form.slot(10)->hasFocus());
        QTest::keyClick(form.slot(10), Qt::Key_Space);
        EXPECT_EQ(form.dedoActual(), 1);
        QTest::keyClick(form.slot(1), Qt::Key_Tab);
        EXPECT_EQ(form.dedoActual(), 2);
        QTest::keyClick(&form, Qt::Key_Space);
        EXPECT_EQ(form.dedoActual(), 3);
        EXPECT_TRUE(form.marco(3)->styleSheet().contains(QStringLiteral("red")));
        EXPECT_FALSE(form.marco(2)->styleSheet().contains(QStringLiteral("red")));
    });
}

TEST_F(LiveScanSession, AmputationKeepsTheScoreAndNeedsItsPlaceholder)
{
    ASSERT_TRUE(WriteAmputationPlaceholder(ProgramFolder::resolve(QString::fromLatin1(AmputationFile))));
    capture([&](TFLiveScanPlano &form) {
        for (int n = 1; n <= 3; ++n) {
            ASSERT_TRUE(take(print(n - 1)));
            QTest::keyClick(form.slot(n), Qt::Key_Space);
        }
        const TenQualityRecords before = form.calidades();
        form.findChild<QAction *>(QStringLiteral("amp_d2"))->trigger();
        EXPECT_EQ(form.dedoActual(), 3);
        EXPECT_EQ(form.calidades()[2].nfiq, before[2].nfiq);
        EXPECT_EQ(form.calidades()[2].code, before[2].code);
        EXPECT_EQ(AverageNfiq(form.calidades()), AverageNfiq(before));
        EXPECT_EQ(BmpFile::readGrey(TFLiveScanPlano::dedoBmp(3)), BmpFile::readGrey(ProgramFolder::resolve(QString::fromLatin1(AmputationFile))));
        EXPECT_TRUE(form.modificado());

        QFile::remove(ProgramFolder::resolve(QString::fromLatin1(AmputationFile)));
        form.findChild<QAction *>(QStringLiteral("amp_d4"))->trigger();
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("Falta el archivo \"Amputado.BMP\""));
        EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("Error"));
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::dedoBmp(5)));
        click(child<QPushButton>(form, "btLimpiar"));
        EXPECT_EQ(form.estado(0), QStringLiteral("OK"));
        EXPECT_EQ(form.dedoActual(), 1);
        EXPECT_EQ(AverageNfiq(form.calidades()), NoPrintsAverage);
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::dedoBmp(1)));
        dialogs.answer(DialogButton::No);
        click(child<QPushButton>(form, "btSalir"));
    });
}

TEST_F(LiveScanSession, AReadOnlySessionShowsThePrintsAndRefusesEveryChange)
{
    // a stored set to show
    capture([&](TFLiveScanPlano &form) {
        takeTen(form);
        EXPECT_TRUE(test::pressGrabar(form));
    });
    ASSERT_TRUE(QFile::rename(resultZip, ProgramFolder::resolve(QStringLiteral("z7.3"))));
    ASSERT_TRUE(WriteAmputationPlaceholder(ProgramFolder::resolve(QString::fromLatin1(AmputationFile))));
    clasDer = QStringLiteral("V1234");
    capture([&](TFLiveScanPlano &form) {
        const TenQualityRecords shown = form.calidades();
        const QByteArray first = [] { QFile f(TFLiveScanPlano::dedoBmp(1)); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        EXPECT_EQ(shown[0].code, QualityScored);
        EXPECT_FALSE(child<TClasFundEdit>(form, "edClasDer")->isEnabled());
        EXPECT_FALSE(child<TClasFundEdit>(form, "edClasIzq")->isEnabled());
        EXPECT_FALSE(child<QToolButton>(form, "sbGomaDer")->isEnabled());
        EXPECT_EQ(child<TClasFundEdit>(form, "edClasDer")->Clasificacion(), QStringLiteral("V1234"));
        // the scanner, the external programs, amputation, clearing and saving change nothing
        EXPECT_TRUE(take(print(5)));
        QTest::keyClick(form.slot(1), Qt::Key_Return);
        QTest::mouseClick(child<QPushButton>(form, "btCapturar"), Qt::LeftButton);
        child<QAction>(form, "amp_d0")->trigger();
        QTest::mouseClick(child<QPushButton>(form, "btLimpiar"), Qt::LeftButton);
        EXPECT_FALSE(test::pressGrabar(form));
        QFile f(TFLiveScanPlano::dedoBmp(1));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), first);
        EXPECT_FALSE(form.modificado());
        for (int n = 0; n < 10; ++n)
            EXPECT_EQ(form.calidades()[n].nfiq, shown[n].nfiq);
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::zipPath()));
        EXPECT_TRUE(dialogs.shown().isEmpty());
        click(child<QPushButton>(form, "btSalir"));
        EXPECT_FALSE(form.isVisible());
    }, true);
    EXPECT_TRUE(QFile::exists(ProgramFolder::resolve(QStringLiteral("z7.3"))));
}

TEST_F(LiveScanSession, ScannerImagesAreResampledCheckedAndTakenOneAtATime)
{
    capture([&](TFLiveScanPlano &form) {
        // at 1000 ppi the image is halved in both directions
        const GreyImage big = BmpFile::readGrey(print(9));
        ASSERT_TRUE(take(print(9), 1000));
        const GreyImage stored = BmpFile::readGrey(TFLiveScanPlano::dedoBmp(1));
        EXPECT_EQ(stored.height(), int(std::lround(big.height() / 2.0)));
        EXPECT_EQ(stored.width(), (int(std::lround(big.width() / 2.0)) + 3) / 4 * 4);

        // the resolution table of ScannerConfig.CFG wins over what the device says
        QFile cfg(dir.file(QStringLiteral("ScannerConfig.CFG")));
        ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
        cfg.write("SIM-0001=1000\r\nOTRO=abc\r\n");
        cfg.close();
        scan->loadResolutions(cfg.fileName());
        EXPECT_EQ(scan->resolutionFor(QStringLiteral("SIM-0001"), 500), 1000);
        EXPECT_EQ(scan->resolutionFor(QStringLiteral("OTRO"), 500), 500);
        scan->loadResolutions(dir.file(QStringLiteral("none.cfg")));

        // a resolution of 0 or below, or an absurd size, is dropped with a message
        QSignalSpy refused(scan.get(), &TFingerScan::imageRefused);
        QFile::remove(TFLiveScanPlano::dedoBmp(2));
        QTest::keyClick(form.slot(1), Qt::Key_Space);
        ASSERT_TRUE(take(print(1), -500));
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::dedoBmp(2)));
        EXPECT_TRUE(form.estado(0).startsWith(QStringLiteral("Imagen descartada: resolución inválida"))) << form.estado(0).toStdString();
        ScannerImage huge {QStringLiteral("SIM-0001"), 100, 100, QByteArray(100 * 100, '\xff'), 10};
        scan->deliver(huge);
        ScannerImage flat {QStringLiteral("SIM-0001"), 0, 100, QByteArray(), 500};
        QTest::qWait(50);
        scan->deliver(flat);
        QTest::qWait(50);
        EXPECT_EQ(refused.count(), 3);
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::dedoBmp(2)));

        // a burst from the device's thread: one image is taken, the rest dropped
        SimulatedFingerScanner device;
        ScannerImage one = device.imageOf({print(2), 0, 0, 1});
        ASSERT_FALSE(one.pixels.isEmpty());
        QSignalSpy handled(scan.get(), &TFingerScan::imageHandled);
        std::thread burst([&] {
            for (int i = 0; i < 5; ++i)
                scan->deliver(one);
        });
        burst.join();
        ASSERT_TRUE(QTest::qWaitFor([&] { return handled.count() == 1; }, 10000));
        QTest::qWait(50);
        EXPECT_EQ(handled.count(), 1);
        EXPECT_EQ(scan->droppedWhileBusy(), 4);
        EXPECT_TRUE(QFile::exists(TFLiveScanPlano::dedoBmp(2)));
        // and the next press is taken again
        QTest::keyClick(form.slot(2), Qt::Key_Space);
        scan->deliver(one);
        ASSERT_TRUE(QTest::qWaitFor([&] { return handled.count() == 2; }, 10000));
        EXPECT_TRUE(QFile::exists(TFLiveScanPlano::dedoBmp(3)));
        dialogs.answer(DialogButton::No);
        click(child<QPushButton>(form, "btSalir"));
    });
    // images after the session are not delivered to anyone
    EXPECT_FALSE(scan->delivery());
}

TEST_F(LiveScanSession, AFailedSaveOnLeavingKeepsTheSessionAndItsPrints)
{
    QFile::remove(dir.file(QStringLiteral("bmp2wsq")));
    capture([&](TFLiveScanPlano &form) {
        takeTen(form);
        dialogs.answer(DialogButton::Yes);
        click(child<QPushButton>(form, "btSalir"));
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.estado(0), QStringLiteral("Error: convirtiendo el Pulgar Derecho! . Mensaje:ERROR: No se pudo generar dedo1.wsq"));
        for (int n = 1; n <= 10; ++n)
            EXPECT_TRUE(QFile::exists(TFLiveScanPlano::dedoBmp(n))) << n;
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::zipPath()));
        dialogs.answer(DialogButton::No);
        click(child<QPushButton>(form, "btSalir"));
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_EQ(dialogs.texts().count(QStringLiteral("La huella ha sido modificada. ¿Desea guardarla?")), 2);
}

} // namespace

namespace {

// The demo folder's scanner presses the fingers only while a window takes them, from the
// first one each time.
TEST_F(LiveScanSession, ASimulatedScannerPerSessionStartsOverForEachWindow)
{
    QStringList taken;
    scan->BeforeScan = [] { return true; };
    scan->AfterScan = [&](const QByteArray &bmp) { taken << QString::number(BmpFile::readGrey(bmp).width()); };
    auto device = std::make_unique<SimulatedFingerScanner>();
    device->setSteps({{print(0), 0, 0, 1}, {print(1), 500, 0, 1}});
    device->setPerSession(true, 10);
    QString message;
    ASSERT_TRUE(scan->start(std::move(device), message));
    QTest::qWait(200);
    EXPECT_TRUE(taken.isEmpty()) << "no window, no prints";
    scan->setDelivery(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return taken.size() == 2; }, 10000));
    scan->setDelivery(false);
    scan->setDelivery(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return taken.size() == 4; }, 10000));
    EXPECT_EQ(taken[2], taken[0]);
    EXPECT_NE(taken[1], taken[0]);
    scan->setDelivery(false);
    scan->stop();

    auto broken = std::make_unique<SimulatedFingerScanner>();
    broken->setStartFailure(QStringLiteral("sin escáner"));
    EXPECT_FALSE(scan->start(std::move(broken), message));
    EXPECT_EQ(message, QStringLiteral("sin escáner"));
}

} // namespace

namespace {

TEST_F(LiveScanSession, APrintThatCannotBeConvertedStopsTheSaveAtItsFinger)
{
    capture([&](TFLiveScanPlano &form) {
        takeTen(form);
        // what reached the file is not a bitmap the converter reads
        QFile broken(TFLiveScanPlano::dedoBmp(4));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("no es un bmp");
        broken.close();
        EXPECT_FALSE(test::pressGrabar(form));
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.estado(0),
                  QStringLiteral("Error: convirtiendo el Anular Derecho! . Mensaje:ERROR: No se pudo generar dedo4.wsq"));
        EXPECT_EQ(form.dedoActual(), 4);
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::zipPath()));
        EXPECT_TRUE(wsqLeft(dir.path()).isEmpty()) << "the fingers converted beside it are not left behind";
        for (int n = 1; n <= 10; ++n)
            EXPECT_TRUE(QFile::exists(TFLiveScanPlano::dedoBmp(n))) << n;
    });
    EXPECT_TRUE(resultZip.isEmpty());
}

TEST_F(LiveScanSession, TheCardIsComposedFromTheTenPrintsOnlyWhenAllAndItsTemplateAreThere)
{
    int previews = 0;
    GreyImage shownCard;
    QString title;
    const auto before = reports::SetPrevisualizador([&](const reports::Report &report, QWidget *) {
        ++previews;
        title = report.title();
        // while the preview is up, the composed card is the office's file of this request
        shownCard = BmpFile::readGrey(ProgramFolder::resolve(QStringLiteral("7_3.bmp")));
    });
    capture([&](TFLiveScanPlano &form) {
        for (int n = 1; n <= 9; ++n) {
            ASSERT_TRUE(take(print(n - 1)));
            QTest::keyClick(form.slot(n), Qt::Key_Space);
        }
        trigger(child<QAction>(form, "miImprimir"));
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("Error: falta el dedo Meñique Izquierdo"));
        ASSERT_TRUE(take(print(9)));
        trigger(child<QAction>(form, "miImprimir"));
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("Error: no existe la ficha completa \"fmodelo.bemepe\""));
        EXPECT_EQ(previews, 0);

        ASSERT_TRUE(BmpFile::writeGrey(ProgramFolder::resolve(QStringLiteral("fmodelo.bemepe")),
                                       GreyImage(4000, 2100, 500, 255)));
        trigger(child<QAction>(form, "miImprimir"));
        ASSERT_EQ(previews, 1);
        EXPECT_EQ(shownCard.width(), 4000);
        EXPECT_EQ(shownCard.height(), 2100);
        const auto &px = shownCard.pixels();
        EXPECT_LT(*std::min_element(px.begin(), px.end()), 128) << "the prints are on the card";
        EXPECT_FALSE(title.isEmpty());
        EXPECT_FALSE(QFile::exists(ProgramFolder::resolve(QStringLiteral("7_3.bmp")))) << "the card is not kept";
        EXPECT_FALSE(form.info()->isVisible());
        EXPECT_EQ(form.info()->titulo(), QStringLiteral("Generación de la ficha completa"));
        const QStringList steps = form.info()->lineas();
        ASSERT_EQ(steps.size(), 2);
        EXPECT_TRUE(steps[0].contains(QStringLiteral("Por favor, espera mientras se genera la imágen")));
        EXPECT_TRUE(steps[1].contains(QStringLiteral("Guardando")));
        EXPECT_TRUE(steps[1].endsWith(QStringLiteral("Ok.")));
        EXPECT_TRUE(QFile::exists(TFLiveScanPlano::dedoBmp(1))) << "printing leaves the session as it was";
    });
    reports::SetPrevisualizador(before);
}

TEST_F(LiveScanSession, TheQualityCommandListsTheSessionsScoresWithoutRescoringOrBlocking)
{
    capture([&](TFLiveScanPlano &form) {
        ASSERT_TRUE(take(print(0)));
        QTest::keyClick(form.slot(1), Qt::Key_Space);
        ASSERT_TRUE(take(print(1)));
        const TenQualityRecords scored = form.calidades();
        QTest::mouseClick(child<QPushButton>(form, "btCalidad"), Qt::LeftButton);
        TFCalidad *window = form.calidad();
        ASSERT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isModal());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Calidad de la huella"));
        const QStringList lines = window->memoText().split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 12);
        EXPECT_EQ(lines[1], QStringLiteral("Promedio = ") + AverageNfiqText(AverageNfiq(scored)));
        EXPECT_EQ(lines[2], QStringLiteral("Pulgar Derecho = ") + FingerQualityText(scored[0].code, scored[0].nfiq));
        EXPECT_EQ(lines[3], QStringLiteral("Indice Derecho = ") + FingerQualityText(scored[1].code, scored[1].nfiq));
        EXPECT_TRUE(lines[4].startsWith(QStringLiteral("Medio Derecho = 0 (Error: falta huella!")));

        // the session goes on under it, and the next showing lists what the session has then
        QTest::keyClick(form.slot(2), Qt::Key_Space);
        ASSERT_TRUE(take(print(2)));
        EXPECT_EQ(form.calidades()[2].code, QualityScored);
        QTest::mouseClick(child<QPushButton>(form, "btCalidad"), Qt::LeftButton);
        EXPECT_EQ(window->memoText().split(QLatin1Char('\n')).value(4),
                  QStringLiteral("Medio Derecho = ") + FingerQualityText(form.calidades()[2].code, form.calidades()[2].nfiq));
    });
}

} // namespace
