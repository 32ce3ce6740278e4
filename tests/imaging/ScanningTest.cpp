#include "imaging/Deskew.h"
#include "imaging/Rotate.h"
#include "imaging/ScanJob.h"
#include "imaging/ScannerConfig.h"

#include "SaneTestFolder.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QSignalSpy>
#include <QTimer>

using namespace qal;

namespace {

class Scanning : public test::SaneTestFolder
{
protected:
    struct Outcome
    {
        bool ok = false;
        QString error;
        QList<ScannedPage> pages;
        int progressCalls = 0;
        bool cancelled = false;
    };

    // Runs a job to its end with the event loop turning; cancelAfterProgress cancels it at
    // its first progress report.
    Outcome run(SaneScanner *scanner, const ScanSettings &settings, PageTreatment treatment = {},
                bool cancelAfterProgress = false)
    {
        Outcome out;
        ScanJob job(std::unique_ptr<Scanner>(scanner), settings, treatment);
        QEventLoop loop;
        QObject::connect(&job, &ScanJob::pageReady, [&](const ScannedPage &p) { out.pages.push_back(p); });
        QObject::connect(&job, &ScanJob::progress, [&](int, int percent) {
            ++out.progressCalls;
            if (cancelAfterProgress && percent > 0)
                job.cancel();
        });
        QObject::connect(&job, &ScanJob::finished, [&](bool ok, const QString &error) {
            out.ok = ok;
            out.error = error;
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit); // a hung scan fails, never hangs
        job.start();
        loop.exec();
        out.cancelled = job.cancelled();
        return out;
    }

    static SaneScanner *device(std::initializer_list<std::pair<const char *, const char *>> options = {})
    {
        auto *scanner = new SaneScanner(QStringLiteral("test:0"));
        for (const auto &[name, value] : options)
            scanner->setExtraOption(QString::fromLatin1(name), QString::fromLatin1(value));
        return scanner;
    }
};

QImage grid(int width, int height)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 3));
    for (int x = 40; x < width; x += 80)
        p.drawLine(x, 0, x, height);
    for (int y = 40; y < height; y += 80)
        p.drawLine(0, y, width, y);
    p.end();
    image.setDotsPerMeterX(dotsPerMeterFromPpi(300));
    image.setDotsPerMeterY(dotsPerMeterFromPpi(300));
    return image;
}

} // namespace

TEST(ScannerConfig, DefaultsPassTheRulesAndFileValuesAreBroughtIntoRange)
{
    test::TempFolder folder;
    const QString ini = folder.file(QStringLiteral("Docu.INI"));
    // missing file: the defaults; a document is an A4 page, a card 210 x 110 mm
    const ScannerConfig document = ScannerConfig::load(ini, ScannerConfig::document());
    EXPECT_EQ(document.abajo, 297);
    EXPECT_EQ(document.derecha, 210);
    EXPECT_EQ(ScannerConfig::load(ini).abajo, 110);
    const ScanSettings s = document.scanSettings(1, false);
    EXPECT_EQ(s.dpi, 300);
    EXPECT_EQ(s.pixelType, ScanPixelType::Gray);
    EXPECT_FALSE(s.feeder);

    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[config]\r\ndpi=620\r\nIzquierda=-5\r\nDerecha=30\r\nArriba=200\r\nAbajo=20\r\nBrillo=5000\r\n"
               "TipoImagen=9\r\nUIMode=4\r\nRotarGrados=370\r\n");
    file.close();
    const ScannerConfig read = ScannerConfig::load(ini, ScannerConfig::document());
    EXPECT_EQ(read.dpi, 500);
    EXPECT_EQ(read.izquierda, 0);
    EXPECT_EQ(read.brillo, 1000);
    EXPECT_EQ(read.tipoImagen, ScanPixelType::Color24);
    EXPECT_EQ(read.rotarGrados, 10);
    EXPECT_TRUE(read.usesFeeder());
    // edges typed the wrong way round still give an area
    const ScanSettings area = read.scanSettings(0, false);
    EXPECT_EQ(area.topMm, 20);
    EXPECT_EQ(area.bottomMm, 200);
    EXPECT_EQ(area.pages, 1);
    EXPECT_TRUE(area.feeder);

    ASSERT_TRUE(read.save(ini));
    EXPECT_EQ(ScannerConfig::load(ini), read);
}

TEST_F(Scanning, ListsTheDeviceAndItsOptions)
{
    SaneScanner sane(QStringLiteral("test:1"));
    const QList<ScannerDevice> devices = sane.deviceList();
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0].name, QStringLiteral("test:0"));
    EXPECT_FALSE(devices[0].vendor.isEmpty());

    QString error;
    const QList<ScannerOption> options = sane.options(&error);
    ASSERT_FALSE(options.isEmpty()) << error.toStdString();
    const auto find = [&](const QString &name) {
        for (const ScannerOption &o : options)
            if (o.name == name)
                return o;
        ADD_FAILURE() << name.toStdString() << " is not listed";
        return ScannerOption {};
    };
    const ScannerOption resolution = find(QStringLiteral("resolution"));
    EXPECT_EQ(resolution.constraint, QStringLiteral("Range"));
    EXPECT_EQ(resolution.minimum, QStringLiteral("1"));
    EXPECT_EQ(resolution.maximum, QStringLiteral("1200"));
    EXPECT_EQ(resolution.unit, QStringLiteral("dpi"));
    EXPECT_EQ(resolution.current, QStringLiteral("300"));
    EXPECT_EQ(find(QStringLiteral("br-y")).maximum, QStringLiteral("300")); // the glass of our configuration
    const ScannerOption source = find(QStringLiteral("source"));
    EXPECT_EQ(source.constraint, QStringLiteral("StringList"));
    EXPECT_TRUE(source.values.contains(QStringLiteral("Automatic Document Feeder")));
    EXPECT_EQ(source.current, QStringLiteral("Flatbed"));
    EXPECT_EQ(find(QStringLiteral("test-picture")).current, QStringLiteral("Grid"));

    SaneScanner missing(QStringLiteral("test:9"));
    EXPECT_TRUE(missing.options(&error).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("test:9")));
}

TEST_F(Scanning, AreaBeyondTheGlassIsClampedToIt)
{
    ScannerConfig c = ScannerConfig::document();
    c.dpi = 100;
    c.derecha = 500; // the glass is 300 mm
    c.abajo = 40;
    const Outcome out = run(device(), c.scanSettings(1, false));
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    ASSERT_EQ(out.pages.size(), 1);
    EXPECT_NEAR(out.pages[0].image.width(), 1181, 2); // 300 mm at 100 dpi
    EXPECT_NEAR(out.pages[0].image.height(), 157, 2);
    EXPECT_GT(out.progressCalls, 1);
}

TEST_F(Scanning, FeederBatchDeliversEveryPageInOrder)
{
    ScannerConfig c = ScannerConfig::document();
    c.dpi = 100;
    c.uiMode = ScannerUiMode::FeederHide;
    const Outcome out = run(device(), c.scanSettings(3, false));
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    ASSERT_EQ(out.pages.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(out.pages[i].number, i + 1);
}

TEST_F(Scanning, JammedAndCancelledDevicesFailTheScan)
{
    ScannerConfig c = ScannerConfig::card();
    c.dpi = 100;
    Outcome out = run(device({{"read-return-value", "SANE_STATUS_JAMMED"}}), c.scanSettings(1, false));
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.pages.isEmpty());
    EXPECT_TRUE(out.error.startsWith(QStringLiteral("Error del scanner: "))) << out.error.toStdString();

    // a device that reports its own cancellation is a cancelled scan, not a device error
    out = run(device({{"read-return-value", "SANE_STATUS_CANCELLED"}}), c.scanSettings(1, false));
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, kScanCancelled);
}

TEST_F(Scanning, SlowScanStopsSoonAfterCancel)
{
    ScannerConfig c = ScannerConfig::document();
    c.dpi = 150;
    // about 2 MB in 4 KB pieces, 20 ms each: ten seconds for the page unless cancelled
    SaneScanner *slow = device({{"read-limit", "yes"}, {"read-limit-size", "4096"}, {"read-delay", "yes"},
                                {"read-delay-duration", "20000"}});
    QElapsedTimer clock;
    clock.start();
    const Outcome out = run(slow, c.scanSettings(1, false), {}, true);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(out.error, kScanCancelled);
    EXPECT_TRUE(out.pages.isEmpty());
}

TEST(PageTreatment, DeskewStraightensARotatedGridAndKeepsTheSize)
{
    const QImage page = grid(1200, 1600);
    const QImage turned = rotate(page, 3.0, RotateCanvas::KeepSize);
    const ScannedPage straight = treatPage(turned, {true, 0});
    EXPECT_TRUE(straight.deskewed);
    EXPECT_NEAR(straight.skew, 3.0, 0.15);
    EXPECT_EQ(straight.image.size(), page.size());
    EXPECT_NEAR(detectSkew(straight.image), 0.0, 0.15);
    EXPECT_EQ(straight.image.dotsPerMeterX(), page.dotsPerMeterX());

    // the fixed rotation comes after, on the whole page
    const ScannedPage quarter = treatPage(page, {false, 90});
    EXPECT_FALSE(quarter.deskewed);
    EXPECT_EQ(quarter.image.size(), QSize(1600, 1200));
}
