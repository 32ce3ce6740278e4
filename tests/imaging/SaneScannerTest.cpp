#include "imaging/Scanner.h"
#include "support/TempFolder.h"

#include <QFile>

#include <dlfcn.h>

#include <gtest/gtest.h>

using namespace qal;

namespace {

// SANE's virtual "test" backend, enabled through a configuration folder of our own.
class SaneTestBackend : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile conf(m_folder.file("dll.conf"));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("test\n");
        conf.close();
        // Keep the backend mapped after sane_exit, so that a leak inside it still names
        // its module (see sane-backend.supp).
        static void *const backend = dlopen(QAL_SANE_TEST_BACKEND, RTLD_NOW | RTLD_NODELETE);
        (void)backend;
        m_previous = qgetenv("SANE_CONFIG_DIR");
        qputenv("SANE_CONFIG_DIR", m_folder.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("SANE_CONFIG_DIR", m_previous); }

    std::vector<QImage> scan(SaneScanner &scanner, const ScanSettings &settings, bool *ok = nullptr,
                             QString *error = nullptr)
    {
        std::vector<QImage> pages;
        const bool result = scanner.scan(settings, [&](const QImage &page) {
            pages.push_back(page);
            return true;
        }, error);
        if (ok)
            *ok = result;
        return pages;
    }

    static ScanSettings small(ScanPixelType type)
    {
        ScanSettings s;
        s.dpi = 100;
        s.leftMm = 10;
        s.topMm = 20;
        s.rightMm = 60;  // 50 mm wide
        s.bottomMm = 50; // 30 mm high
        s.pixelType = type;
        return s;
    }

    test::TempFolder m_folder;
    QByteArray m_previous;
};

int darkShare(const QImage &image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    qint64 dark = 0;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            dark += grey.constScanLine(y)[x] < 128;
    return int(100 * dark / (qint64(grey.width()) * grey.height()));
}

} // namespace

TEST_F(SaneTestBackend, ScansTheAreaAtTheResolutionInEachPixelType)
{
    SaneScanner scanner(QStringLiteral("test:0"));
    EXPECT_TRUE(scanner.devices().contains(QStringLiteral("test:0")));
    scanner.setExtraOption(QStringLiteral("test-picture"), QStringLiteral("Grid"));

    bool ok = false;
    QString error;
    auto pages = scan(scanner, small(ScanPixelType::Gray), &ok, &error);
    ASSERT_TRUE(ok) << error.toStdString();
    ASSERT_EQ(pages.size(), 1u);
    const QImage grey = pages[0];
    EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
    EXPECT_NEAR(grey.width(), 197, 2); // 50 mm at 100 dpi
    EXPECT_NEAR(grey.height(), 118, 2); // 30 mm
    EXPECT_EQ(grey.dotsPerMeterX(), 3937);
    EXPECT_GT(darkShare(grey), 20); // a black and white grid
    EXPECT_LT(darkShare(grey), 80);

    pages = scan(scanner, small(ScanPixelType::BlackWhite), &ok, &error);
    ASSERT_TRUE(ok) << error.toStdString();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].format(), QImage::Format_Mono);
    EXPECT_EQ(pages[0].size(), grey.size());
    EXPECT_NEAR(darkShare(pages[0]), darkShare(grey), 3); // same grid, same polarity

    scanner.setExtraOption(QStringLiteral("test-picture"), QStringLiteral("Color pattern"));
    pages = scan(scanner, small(ScanPixelType::Color24), &ok, &error);
    ASSERT_TRUE(ok) << error.toStdString();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].format(), QImage::Format_RGB32);
    EXPECT_FALSE(pages[0].allGray());

    // the glass holds one page whatever the count; the feeder gives pages until empty
    ScanSettings many = small(ScanPixelType::Gray);
    many.pages = 3;
    EXPECT_EQ(scan(scanner, many).size(), 1u);
    many.feeder = true;
    EXPECT_EQ(scan(scanner, many).size(), 3u);
    many.pages = 999999;
    EXPECT_EQ(scan(scanner, many, &ok).size(), 10u); // the test feeder empties after 10
    EXPECT_TRUE(ok);

    // the receiver can stop
    int seen = 0;
    EXPECT_TRUE(scanner.scan(many, [&](const QImage &) { return ++seen < 2; }, nullptr));
    EXPECT_EQ(seen, 2);
}

TEST_F(SaneTestBackend, ReportsDeviceFailures)
{
    QString error;
    SaneScanner missing(QStringLiteral("test:99"));
    std::vector<QImage> pages;
    EXPECT_FALSE(missing.scan(small(ScanPixelType::Gray), [&](const QImage &p) { pages.push_back(p); return true; }, &error));
    EXPECT_FALSE(error.isEmpty());

    SaneScanner jammed(QStringLiteral("test:0"));
    jammed.setExtraOption(QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_JAMMED"));
    bool ok = true;
    EXPECT_TRUE(scan(jammed, small(ScanPixelType::Gray), &ok, &error).empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error del scanner: "))) << error.toStdString();

    SaneScanner unknownOption(QStringLiteral("test:0"));
    unknownOption.setExtraOption(QStringLiteral("no-such-option"), QStringLiteral("1"));
    EXPECT_FALSE(unknownOption.scan(small(ScanPixelType::Gray), [](const QImage &) { return true; }, &error));
}
