#include "imaging/ImageProperties.h"
#include "imaging/TiffFile.h"
#include "imaging/forms/ImageView.h"
#include "support/TempFolder.h"

#include <QPainter>
#include <QScrollBar>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace qal;

namespace {

QImage numberedPage(int number, int width, int height)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(250);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 6));
    painter.drawRect(20, 20, width - 40, height - 40);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(height / 4);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, width, height), Qt::AlignCenter, QStringLiteral("Página %1").arg(number));
    painter.end();
    image.setDotsPerMeterX(dotsPerMeterFromPpi(300));
    image.setDotsPerMeterY(dotsPerMeterFromPpi(300));
    return image;
}

// A three-page document: grey, black and white, grey landscape.
QString document(test::TempFolder &folder)
{
    const QString doc = folder.file(QStringLiteral("doc.tif"));
    const std::pair<QImage, PageFormat> pages[] = {
        {numberedPage(1, 1240, 1754), PageFormat::GreyDocument},
        {numberedPage(2, 1240, 1754), PageFormat::BlackWhiteDocument},
        {numberedPage(3, 1754, 1240), PageFormat::GreyDocument},
    };
    int i = 0;
    for (const auto &[image, format] : pages) {
        const QString name = folder.file(QStringLiteral("p%1.tif").arg(++i));
        EXPECT_TRUE(TiffFile::writePage(name, image, format));
        EXPECT_TRUE(TiffFile::appendPage(doc, name));
    }
    return doc;
}

} // namespace

TEST(ImageView, NavigatesPagesWithinTheDocument)
{
    test::TempFolder folder;
    ImageView view;
    QSignalSpy pages(&view, &ImageView::pageChanged);
    ASSERT_TRUE(view.openFile(document(folder)));
    EXPECT_EQ(view.pageCount(), 3);
    EXPECT_EQ(view.currentPage(), 1);
    EXPECT_TRUE(view.setPage(9));
    EXPECT_EQ(view.currentPage(), 3);
    EXPECT_EQ(view.currentImage().size(), QSize(1754, 1240));
    EXPECT_TRUE(view.setPage(-4));
    EXPECT_EQ(view.currentPage(), 1);
    ASSERT_FALSE(pages.isEmpty());
    EXPECT_EQ(pages.back(), (QList<QVariant> {1, 3}));

    QString error;
    EXPECT_FALSE(view.openFile(folder.file("p1.tif") + "-missing", &error));
    EXPECT_TRUE(view.isEmpty());
    EXPECT_EQ(view.currentPage(), 0);
    EXPECT_FALSE(view.setPage(1));
    EXPECT_FALSE(error.isEmpty());

    ASSERT_TRUE(TiffFile::writePage(folder.file("card.bmp"), numberedPage(7, 300, 200), PageFormat::CardBmp));
    ASSERT_TRUE(view.openFile(folder.file("card.bmp")));
    EXPECT_EQ(view.pageCount(), 1);
}

TEST(ImageView, ZoomModesScaleToTheWindow)
{
    test::TempFolder folder;
    ImageView view;
    view.resize(640, 480);
    view.show();
    ASSERT_TRUE(view.openFile(document(folder)));
    const QSize area = view.viewport()->size();

    view.setZoomMode(ImageView::ZoomMode::FitWidth);
    EXPECT_NEAR(view.scalePercent(), 100.0 * area.width() / 1240, 0.01);
    view.setZoomMode(ImageView::ZoomMode::FitHeight);
    EXPECT_NEAR(view.scalePercent(), 100.0 * area.height() / 1754, 0.01);
    view.setZoomMode(ImageView::ZoomMode::FitWindow);
    EXPECT_NEAR(view.scalePercent(), 100.0 * std::min(area.width() / 1240.0, area.height() / 1754.0), 0.01);
    view.setPage(3); // landscape: the window now limits the width
    EXPECT_NEAR(view.scalePercent(), 100.0 * std::min(area.width() / 1754.0, area.height() / 1240.0), 0.01);

    view.setZoom(50);
    EXPECT_EQ(view.zoomMode(), ImageView::ZoomMode::Free);
    EXPECT_DOUBLE_EQ(view.scalePercent(), 50.0);
    view.setZoom(250);
    EXPECT_EQ(view.zoom(), 200);
    view.setZoom(0);
    EXPECT_EQ(view.zoom(), 2);
    // a page larger than the window scrolls
    view.setZoom(100);
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(view.verticalScrollBar()->maximum(), 0);
    view.setZoomMode(ImageView::ZoomMode::FitWindow);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);

    if (const QByteArray dir = qgetenv("QAL_SCREENSHOT_DIR"); !dir.isEmpty()) {
        view.setPage(1);
        view.setZoomMode(ImageView::ZoomMode::FitWindow);
        view.grab().save(QString::fromLocal8Bit(dir) + "/image-view-fit-window.png");
        view.setZoom(30);
        view.grab().save(QString::fromLocal8Bit(dir) + "/image-view-free-30.png");
    }
}

TEST(ImageView, RotationIsPendingUntilSaved)
{
    test::TempFolder folder;
    const QString doc = document(folder);
    ImageView view;
    ASSERT_TRUE(view.openFile(doc));
    view.setPage(2);
    view.rotateRight();
    EXPECT_EQ(view.currentImage().size(), QSize(1754, 1240));
    EXPECT_TRUE(view.hasPendingEdits());
    EXPECT_EQ(readImageProperties(doc, 2)->width, 1240); // nothing written yet
    view.setPage(1);
    view.rotateLeft();
    view.rotateLeft();
    QString error;
    ASSERT_TRUE(view.savePendingEdits(&error)) << error.toStdString();
    EXPECT_FALSE(view.hasPendingEdits());
    const auto second = readImageProperties(doc, 2);
    EXPECT_EQ(second->width, 1754);
    EXPECT_EQ(second->compressionType, codes::CompressionGroup4);
    EXPECT_EQ(readImageProperties(doc, 1)->compressionInfo, codes::InfoJpegMediumQuality);
    // upside down: the frame's corner is still at the corner, the text is not
    const QImage first = TiffFile::readPage(doc, 1);
    EXPECT_EQ(first.size(), QSize(1240, 1754));
}

TEST(ImageView, PrintsAPageRangeOnePagePerSheet)
{
    test::TempFolder folder;
    ImageView view;
    ASSERT_TRUE(view.openFile(document(folder)));
    const auto printTo = [&](const QString &name, int start, int end, ImageView::PrintFit fit) {
        QPdfWriter pdf(folder.file(name));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(150);
        const int printed = view.print(&pdf, start, end, fit);
        return printed;
    };
    EXPECT_EQ(printTo("all.pdf", 1, view.pageCount(), ImageView::PrintFit::FitPage), 3);
    EXPECT_EQ(printTo("tail.pdf", 2, 99, ImageView::PrintFit::PageWidth), 2);
    QFile pdf(folder.file("all.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_EQ(QString::fromLatin1(bytes).count(QRegularExpression("/Type\\s*/Page[^s]")), 3);
    ImageView empty;
    EXPECT_EQ(empty.print(nullptr, 1, 1), 0);
}
