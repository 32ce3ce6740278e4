#include "imaging/Deskew.h"
#include "imaging/Rotate.h"

#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace qal;

namespace {

// An A4 page at 300 dpi as a scanner delivers it: paragraphs of text, a ruled table,
// slightly grey paper and sensor noise.
GreyImage scannedPage()
{
    QImage image(2480, 3508, QImage::Format_Grayscale8);
    image.fill(235);
    QPainter painter(&image);
    painter.setPen(QColor(30, 30, 30));
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(38);
    painter.setFont(font);
    const QString words = QStringLiteral(
        "Registro Nacional de Reincidencia oficio número expediente juzgado federal "
        "solicitud de antecedentes penales de la persona identificada ");
    int y = 300;
    for (int line = 0; line < 45; ++line, y += 60)
        painter.drawText(250, y, words.mid((line * 7) % 40) + words.left(20));
    painter.setPen(QPen(QColor(20, 20, 20), 4));
    for (int r = 0; r <= 6; ++r)
        painter.drawLine(250, 3100 + r * 50, 2230, 3100 + r * 50);
    painter.end();
    GreyImage page = GreyImage::fromQImage(image);
    page.setResolution(300);
    QRandomGenerator noise(7);
    for (auto &p : page.pixels())
        p = std::uint8_t(std::clamp(int(p) + int(noise.bounded(21)) - 10, 0, 255));
    return page;
}

} // namespace

TEST(Rotate, QuarterTurnsAreExactAndAnyAngleFillsWithWhite)
{
    GreyImage image(3, 2, 200);
    image.pixels() = {1, 2, 3, 4, 5, 6};
    const GreyImage right = rotate(image, 90);
    EXPECT_EQ(right.width(), 2);
    EXPECT_EQ(right.height(), 3);
    EXPECT_EQ(right.pixels(), (std::vector<std::uint8_t> {4, 1, 5, 2, 6, 3}));
    EXPECT_EQ(right.resolution(), 200);
    EXPECT_EQ(rotate(image, -90).pixels(), (std::vector<std::uint8_t> {3, 6, 2, 5, 1, 4}));
    EXPECT_EQ(rotate(image, 180).pixels(), (std::vector<std::uint8_t> {6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(rotate(image, 360), image);
    EXPECT_EQ(rotate(rotate(image, 270), 90), image);

    // 45 degrees: the canvas grows to hold the corners, and the new corners are white
    GreyImage black(100, 50, 300, 0);
    const GreyImage turned = rotate(black, 45);
    EXPECT_NEAR(turned.width(), 107, 1);
    EXPECT_NEAR(turned.height(), 107, 1);
    EXPECT_EQ(turned.pixel(0, 0), 255);
    EXPECT_EQ(turned.pixel(turned.width() - 1, turned.height() - 1), 255);
    EXPECT_EQ(turned.pixel(turned.width() / 2, turned.height() / 2), 0);
    const GreyImage kept = rotate(black, 30, RotateCanvas::KeepSize);
    EXPECT_EQ(kept.width(), 100);
    EXPECT_EQ(kept.height(), 50);
    EXPECT_EQ(kept.pixel(0, 0), 255);
    EXPECT_EQ(kept.pixel(50, 25), 0);

    // a small clockwise turn moves the right end of a horizontal line down
    GreyImage line(200, 100, 300);
    for (int x = 20; x < 180; ++x)
        line.setPixel(x, 50, 0);
    const GreyImage tilted = rotate(line, 10, RotateCanvas::KeepSize);
    const auto darkestRow = [&](int x) {
        int best = 0;
        for (int y = 0; y < 100; ++y)
            if (tilted.pixel(x, y) < tilted.pixel(x, best))
                best = y;
        return best;
    };
    EXPECT_GT(darkestRow(170), darkestRow(30) + 20);

    // QImage pages keep their kind
    QImage mono(40, 20, QImage::Format_Mono);
    mono.fill(1);
    mono.setDotsPerMeterX(11811);
    EXPECT_EQ(rotate(mono, 12.5).format(), QImage::Format_Mono);
    EXPECT_EQ(rotate(mono, 12.5).dotsPerMeterX(), 11811);
    QImage colour(40, 20, QImage::Format_RGB32);
    colour.fill(Qt::red);
    const QImage c = rotate(colour, 90);
    EXPECT_EQ(c.size(), QSize(20, 40));
    EXPECT_EQ(c.pixel(10, 20), qRgb(255, 0, 0));
}

TEST(Deskew, FindsTheSkewOfAScannedPageWithinTwoTenthsOfADegree)
{
    const GreyImage page = scannedPage();
    EXPECT_NEAR(detectSkew(page), 0.0, 0.2);
    for (double angle : {0.7, -2.3, -9.6, 17.2, 44.0}) {
        const GreyImage skewed = rotate(page, angle, RotateCanvas::KeepSize);
        const double found = detectSkew(skewed);
        EXPECT_NEAR(found, angle, 0.2) << "turned by " << angle;
        // straightening by minus the angle brings the page back level
        EXPECT_NEAR(detectSkew(rotate(skewed, -found, RotateCanvas::KeepSize)), 0.0, 0.2) << angle;
    }
    EXPECT_EQ(detectSkew(GreyImage(500, 500, 300, 255)), 0.0); // blank page
    EXPECT_EQ(detectSkew(GreyImage()), 0.0);
    // a narrower search does not look past its range
    EXPECT_LE(std::abs(detectSkew(rotate(page, 20, RotateCanvas::KeepSize), {10.0, 0.1})), 5.0);
}
