#pragma once

#include "data/forms/FormsFixture.h"

#include "biometrics/NfiqLibrary.h"
#include "biometrics/SimulatedFingerScanner.h"
#include "biometrics/TCrono.h"
#include "biometrics/TFingerScan.h"
#include "biometrics/forms/TFLiveScanPlano.h"
#include "imaging/BmpFile.h"
#include "support/Controls.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace qal::test {

// The converters and the quality module of the build, linked into a program folder.
inline void linkCaptureTools(const TempFolder &dir)
{
    for (const QString &f : {QStringLiteral("bmp2wsq"), QStringLiteral("wsq2bmp"), NfiqLibrary::fileName()})
        ASSERT_TRUE(QFile::link(QStringLiteral(QAL_BIN_DIR "/") + f, dir.file(f))) << f.toStdString();
    NfiqLibrary::unload();
    ASSERT_TRUE(NfiqLibrary::loadAtStart());
}

// Finger images of the fixtures, in the order the tests take them.
inline QString fixturePrint(int i)
{
    static const char *const files[] = {
        "nbis_sivv_card0001_01_500ppi.bmp", "nist_piv_02_r_index_jpegl.bmp", "nbis_sivv_card0003_05_500ppi.bmp",
        "nist_piv_07_l_index_jpegl.bmp",    "safis_probe.bmp",               "nist_tip_wsq.bmp",
        "nbis_valid1.7_r3_jpeg388.bmp",     "nbis_sivv_card0005_07_500ppi.bmp", "nist_tpcard_09_l_ring.bmp",
        "nist_exemplar_08_l_middle_uncompressed.bmp"};
    return TempFolder::fixture(QStringLiteral("fingers/bmp/") + QString::fromLatin1(files[i % 10]));
}

// The scanner takes one print: a simulated device delivers the image from its own thread,
// and the caller waits until the window on screen has handled it.
inline bool takePrint(TFingerScan &scan, const QString &file, int ppi = 0, int burst = 1)
{
    QSignalSpy handled(&scan, &TFingerScan::imageHandled);
    QSignalSpy refused(&scan, &TFingerScan::imageRefused);
    auto device = std::make_unique<SimulatedFingerScanner>();
    device->setSteps({{file, 0, ppi, burst}});
    QString message;
    if (!scan.start(std::move(device), message))
        return false;
    const bool done = QTest::qWaitFor([&] { return handled.count() + refused.count() > 0; }, 20000);
    scan.stop();
    QCoreApplication::processEvents();
    return done;
}

// Presses "&Grabar" as the operator does; true when the set was saved and the window closed.
// A button the operator cannot press saves nothing.
inline bool pressGrabar(TFLiveScanPlano &form)
{
    auto *button = child<QPushButton>(form, "btGrabar");
    if (!button->isEnabled() || !button->isVisibleTo(&form))
        return false;
    form.setResult(QDialog::Rejected);
    QTest::mouseClick(button, Qt::LeftButton);
    return form.result() == QDialog::Accepted && !form.isVisible();
}

// Ten prints, one per finger, moving on with Space.
inline void takeTenPrints(TFingerScan &scan, TFLiveScanPlano &form)
{
    for (int n = 1; n <= 10; ++n) {
        ASSERT_EQ(form.dedoActual(), n);
        ASSERT_TRUE(takePrint(scan, fixturePrint(n - 1)));
        ASSERT_TRUE(QFile::exists(TFLiveScanPlano::dedoBmp(n)));
        QTest::keyClick(form.slot(n), Qt::Key_Space);
    }
}

// A demo program folder ready for captures, a scanner object, and a stopwatch counter the
// test moves by hand.
struct LiveScanFixture : FormsFixture
{
    void SetUp() override
    {
        FormsFixture::SetUp();
        linkCaptureTools(dir);
        dm->GrabarParametro(QStringLiteral("LiveScan"), QStringLiteral("Plano"));
        dm->GrabarParametro(QStringLiteral("AutoAvance"), QStringLiteral("N"));
        scan = std::make_unique<TFingerScan>();
        TCrono::setCounter([this] { return ms; });
    }
    void TearDown() override
    {
        TCrono::setCounter({});
        scan.reset();
        NfiqLibrary::unload();
        FormsFixture::TearDown();
    }

    static QString print(int i) { return fixturePrint(i); }
    bool take(const QString &file, int ppi = 0, int burst = 1) { return takePrint(*scan, file, ppi, burst); }
    void takeTen(TFLiveScanPlano &form) { takeTenPrints(*scan, form); }

    // Opens a session; whileOpen runs with the form on screen. Other modal windows the
    // session opens go to onModal. Returns what CaptureTenPrints returns.
    bool capture(const std::function<void(TFLiveScanPlano &)> &whileOpen, bool readOnly = false, int cPed = 7,
                 int cReg = 3)
    {
        TFLiveScanPlano form(*dm, scan.get());
        form.mostrarModal = [&](QDialog &d) {
            d.show();
            if (&d == &form) {
                d.activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
                whileOpen(form);
            }
            else if (onModal)
                onModal(d);
            if (d.isVisible())
                d.reject();
            return d.result();
        };
        const bool ok = form.CaptureTenPrints(cPed, cReg, readOnly, true, clasIzq, clasDer);
        resultZip = form.ResultZip;
        return ok;
    }

    void click(TFLiveScanPlano &form, int n)
    {
        QTest::mouseClick(form.slot(n), Qt::LeftButton);
    }
    static void click(QAbstractButton *button) { test::click(button); }

    std::unique_ptr<TFingerScan> scan;
    qint64 ms = 100000;
    QString clasIzq = QStringLiteral("_____");
    QString clasDer = QStringLiteral("_____");
    QString resultZip;
    std::function<void(QDialog &)> onModal;
};

} // namespace qal::test
