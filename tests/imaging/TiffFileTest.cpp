#include "imaging/ImageProperties.h"
#include "imaging/TiffFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>
#include <tiffio.h>

using namespace qal;
using namespace qal::codes;

namespace {

// A page with some structure (text and a frame) at a resolution.
QImage page(int width, int height, int dpi, QImage::Format format = QImage::Format_Grayscale8)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(10, 10, width - 20, height - 20);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 24));
    painter.drawText(QRect(20, 20, width - 40, height - 40), Qt::TextWordWrap,
                     QStringLiteral("Registro 0123456789 prueba de página"));
    painter.fillRect(width / 2, height / 2, width / 4, height / 4, QColor(90, 90, 90));
    painter.end();
    image.setDotsPerMeterX(dotsPerMeterFromPpi(dpi));
    image.setDotsPerMeterY(dotsPerMeterFromPpi(dpi));
    QImage converted = image.convertToFormat(format);
    converted.setDotsPerMeterX(image.dotsPerMeterX());
    converted.setDotsPerMeterY(image.dotsPerMeterY());
    return converted;
}

// Writes a grey TIFF the way other programs might, straight through libtiff.
struct Foreign
{
    uint16_t compression = COMPRESSION_JPEG;
    int quality = 75;
    bool bigEndian = false;
    bool tiled = false;
    bool tablesInline = false; // every strip a complete JPEG stream with its own tables
    uint16_t unit = RESUNIT_INCH;
    float resolution = 300;
};

void writeForeign(const QString &path, const QImage &source, const Foreign &how)
{
    const QImage grey = source.convertToFormat(QImage::Format_Grayscale8);
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), how.bigEndian ? "wb" : "wl");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(grey.width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(grey.height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, how.compression);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, how.resolution);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, how.resolution);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, how.unit);
    if (how.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, how.quality);
        if (how.tablesInline)
            TIFFSetField(tif, TIFFTAG_JPEGTABLESMODE, 0);
    }
    if (how.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 64);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 64);
        std::vector<uchar> tile(64 * 64);
        for (int ty = 0; ty < grey.height(); ty += 64)
            for (int tx = 0; tx < grey.width(); tx += 64) {
                std::fill(tile.begin(), tile.end(), 255);
                for (int y = 0; y < 64 && ty + y < grey.height(); ++y)
                    for (int x = 0; x < 64 && tx + x < grey.width(); ++x)
                        tile[size_t(y * 64 + x)] = grey.constScanLine(ty + y)[tx + x];
                ASSERT_GE(TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0), 0);
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 32);
        for (int y = 0; y < grey.height(); ++y)
            ASSERT_GE(TIFFWriteScanline(tif, const_cast<uchar *>(grey.constScanLine(y)), uint32_t(y), 0), 0);
    }
    TIFFClose(tif);
}

ImageProperties props(const QString &path, int pageNumber = 1)
{
    QString error;
    const auto p = readImageProperties(path, pageNumber, &error);
    EXPECT_TRUE(p.has_value()) << error.toStdString();
    return p.value_or(ImageProperties {});
}

int meanAbsDifference(const QImage &a, const QImage &b)
{
    const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
    if (ga.size() != gb.size())
        return 255;
    qint64 sum = 0;
    for (int y = 0; y < ga.height(); ++y)
        for (int x = 0; x < ga.width(); ++x)
            sum += std::abs(ga.constScanLine(y)[x] - gb.constScanLine(y)[x]);
    return int(sum / (qint64(ga.width()) * ga.height()));
}

} // namespace

TEST(TiffFile, WritesTheFourPageFormatsWithTheirProperties)
{
    test::TempFolder folder;
    const QImage card = page(1500, 700, 300);
    struct Case { PageFormat format; QString name; int file, type, compression, info; };
    const Case cases[] = {
        {PageFormat::CardTiff, "card.tif", FileTiff, PageGray8, CompressionJpeg, InfoJpegMediumQuality},
        {PageFormat::CardBmp, "card.bmp", FileBmp, PageGray8, CompressionNone, InfoNone},
        {PageFormat::GreyDocument, "grey.tif", FileTiff, PageGray8, CompressionJpeg, InfoJpegMediumQuality},
        {PageFormat::BlackWhiteDocument, "bw.tif", FileTiff, PageBlackWhite, CompressionGroup4, InfoGroup4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QString error;
        ASSERT_TRUE(TiffFile::writePage(folder.file(c.name), card, c.format, &error)) << error.toStdString();
        const ImageProperties p = props(folder.file(c.name));
        EXPECT_EQ(p.fileType, c.file);
        EXPECT_EQ(p.pageType, c.type);
        EXPECT_EQ(p.compressionType, c.compression);
        EXPECT_EQ(p.compressionInfo, c.info);
        EXPECT_EQ(p.width, 1500);
        EXPECT_EQ(p.height, 700);
        EXPECT_EQ(p.xResolution, 300);
        EXPECT_EQ(p.yResolution, 300);
        EXPECT_EQ(p.pageCount, 1);
        const QImage back = TiffFile::readPage(folder.file(c.name), 1, &error);
        ASSERT_FALSE(back.isNull()) << error.toStdString();
        EXPECT_EQ(back.size(), card.size());
        EXPECT_LE(meanAbsDifference(back, card), c.type == PageBlackWhite ? 12 : 3);
    }
    // the black-and-white page is bit-exact after thresholding
    const QImage bw = TiffFile::readPage(folder.file("bw.tif"));
    EXPECT_EQ(bw.format(), QImage::Format_Mono);
    EXPECT_EQ(bw.pixelColor(10, 300), QColor(Qt::black));
    EXPECT_EQ(bw.pixelColor(40, 600), QColor(Qt::white));
}

TEST(TiffFile, RecognisesJpegMediumQualityFromTheTablesOfAnyWriter)
{
    test::TempFolder folder;
    const QImage image = page(300, 200, 300);
    struct Case { const char *name; Foreign how; int info; };
    const Case cases[] = {
        {"q75", {}, InfoJpegMediumQuality},
        {"q70", {.quality = 70}, InfoJpegMediumQuality},
        {"q80", {.quality = 80}, InfoJpegMediumQuality},
        {"q69", {.quality = 69}, InfoJpegLowQuality},
        {"q50", {.quality = 50}, InfoJpegLowQuality},
        {"q81", {.quality = 81}, InfoJpegHighQuality},
        {"q95", {.quality = 95}, InfoJpegHighQuality},
        {"inline-tables", {.quality = 75, .tablesInline = true}, InfoJpegMediumQuality},
        {"inline-q90", {.quality = 90, .tablesInline = true}, InfoJpegHighQuality},
        {"tiled-big-endian", {.quality = 75, .bigEndian = true, .tiled = true}, InfoJpegMediumQuality},
        {"lzw", {.compression = COMPRESSION_LZW}, InfoNone},
        {"none", {.compression = COMPRESSION_NONE}, InfoNone},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = folder.file(QString::fromLatin1(c.name) + ".tif");
        writeForeign(path, image, c.how);
        const ImageProperties p = props(path);
        EXPECT_EQ(p.compressionInfo, c.info);
        EXPECT_EQ(p.pageType, PageGray8);
        EXPECT_EQ(p.width, 300);
        EXPECT_EQ(p.height, 200);
        if (c.how.compression == COMPRESSION_JPEG) {
            EXPECT_EQ(p.jpegQuality, c.how.quality);
        }
        EXPECT_FALSE(TiffFile::readPage(path).isNull());
    }
    EXPECT_EQ(estimateJpegQuality(QByteArray("\xff\xd8\xff\xdb\x00\x05\x00", 7)), 0);
    EXPECT_EQ(estimateJpegQuality(QByteArray()), 0);
}

TEST(TiffFile, ReportsResolutionInDotsPerInchWhateverTheUnit)
{
    test::TempFolder folder;
    const QImage image = page(100, 80, 300);
    writeForeign(folder.file("cm.tif"), image, {.compression = COMPRESSION_NONE, .unit = RESUNIT_CENTIMETER, .resolution = 118.11f});
    EXPECT_EQ(props(folder.file("cm.tif")).xResolution, 300);
    writeForeign(folder.file("600.tif"), image, {.compression = COMPRESSION_NONE, .resolution = 600});
    EXPECT_EQ(props(folder.file("600.tif")).yResolution, 600);
    EXPECT_EQ(props(folder.file("600.tif")).compressionType, CompressionNone);

    // Qt's TIFF writer (LZW), and its BMP writer with a colour image
    QImageWriter writer(folder.file("qt.tif"), "tiff");
    writer.setCompression(1);
    ASSERT_TRUE(writer.write(image));
    const ImageProperties qt = props(folder.file("qt.tif"));
    EXPECT_EQ(qt.compressionType, CompressionLzw);
    EXPECT_EQ(qt.xResolution, 300);
    ASSERT_TRUE(page(50, 40, 200, QImage::Format_RGB32).save(folder.file("colour.bmp"), "BMP"));
    const ImageProperties bmp = props(folder.file("colour.bmp"));
    EXPECT_EQ(bmp.fileType, FileBmp);
    EXPECT_EQ(bmp.pageType, PageRgb24);
    EXPECT_EQ(bmp.xResolution, 200);
}

TEST(TiffFile, RefusesWhatIsNotAReadableImage)
{
    test::TempFolder folder;
    QString error;
    EXPECT_FALSE(readImageProperties(folder.file("missing.tif"), 1, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(readImageProperties(QByteArray("hello world, not an image"), 1, &error));
    EXPECT_FALSE(readImageProperties(QByteArray("II*\0\x08\0\0\0", 8), 1, &error));
    EXPECT_EQ(TiffFile::pageCount(folder.file("missing.tif")), -1);

    ASSERT_TRUE(TiffFile::writePage(folder.file("a.tif"), page(200, 100, 300), PageFormat::GreyDocument));
    EXPECT_FALSE(readImageProperties(folder.file("a.tif"), 2, &error));
    EXPECT_TRUE(TiffFile::readPage(folder.file("a.tif"), 2).isNull());
    EXPECT_TRUE(TiffFile::readPage(folder.file("a.tif"), 0).isNull());
    // a few bytes claiming a 50000 x 50000 grey page: properties yes, decoding no
    TIFF *huge = TIFFOpen(QFile::encodeName(folder.file("huge.tif")).constData(), "w");
    ASSERT_NE(huge, nullptr);
    TIFFSetField(huge, TIFFTAG_IMAGEWIDTH, 50000u);
    TIFFSetField(huge, TIFFTAG_IMAGELENGTH, 50000u);
    TIFFSetField(huge, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(huge, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(huge, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(huge, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(huge, TIFFTAG_ROWSPERSTRIP, 50000u);
    char bytes[16] = {};
    TIFFWriteRawStrip(huge, 0, bytes, sizeof bytes);
    TIFFClose(huge);
    EXPECT_EQ(props(folder.file("huge.tif")).width, 50000);
    EXPECT_TRUE(TiffFile::readPage(folder.file("huge.tif"), 1, &error).isNull());
    EXPECT_FALSE(error.isEmpty());

    // every truncation of a real file fails cleanly or reads the header that is left
    QFile file(folder.file("a.tif"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    for (int length = 0; length < whole.size(); length += 7)
        (void)readImageProperties(whole.left(length));
}

TEST(TiffFile, EditsMultiPageDocumentsKeepingEachPageEncoding)
{
    test::TempFolder folder;
    const QString doc = folder.file("doc.tif");
    const QImage a = page(400, 560, 300);
    const QImage b = page(420, 580, 300);
    ASSERT_TRUE(TiffFile::writePage(folder.file("a.tif"), a, PageFormat::GreyDocument));
    ASSERT_TRUE(TiffFile::writePage(folder.file("b.tif"), b, PageFormat::BlackWhiteDocument));
    writeForeign(folder.file("c.tif"), page(300, 200, 200), {.quality = 92, .resolution = 200});

    QString error;
    ASSERT_TRUE(TiffFile::appendPage(doc, folder.file("a.tif"), 1, &error)) << error.toStdString(); // created
    ASSERT_TRUE(TiffFile::appendPage(doc, folder.file("b.tif"), 1, &error)) << error.toStdString();
    ASSERT_TRUE(TiffFile::insertPage(doc, folder.file("c.tif"), 1, 1, &error)) << error.toStdString();
    ASSERT_EQ(TiffFile::pageCount(doc), 3); // c a b
    EXPECT_EQ(props(doc, 1).compressionInfo, InfoJpegHighQuality);
    EXPECT_EQ(props(doc, 1).xResolution, 200);
    EXPECT_EQ(props(doc, 2).compressionInfo, InfoJpegMediumQuality);
    EXPECT_EQ(props(doc, 3).compressionType, CompressionGroup4);
    // raw copies: the pages decode exactly as their sources
    EXPECT_EQ(TiffFile::readPage(doc, 2), TiffFile::readPage(folder.file("a.tif")));
    EXPECT_EQ(TiffFile::readPage(doc, 3), TiffFile::readPage(folder.file("b.tif")));

    ASSERT_TRUE(TiffFile::insertPage(doc, doc, 3, 1, &error)) << error.toStdString(); // c a c b
    ASSERT_EQ(TiffFile::pageCount(doc), 4);
    EXPECT_EQ(props(doc, 3).jpegQuality, 92);

    ASSERT_TRUE(TiffFile::deletePage(doc, 1, &error)) << error.toStdString(); // a c b
    ASSERT_EQ(TiffFile::pageCount(doc), 3);
    const int expectedInfo[] = {InfoJpegMediumQuality, InfoJpegHighQuality, InfoGroup4};
    const int expectedType[] = {PageGray8, PageGray8, PageBlackWhite};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(props(doc, i + 1).compressionInfo, expectedInfo[i]) << i;
        EXPECT_EQ(props(doc, i + 1).pageType, expectedType[i]) << i;
    }
    EXPECT_FALSE(TiffFile::deletePage(doc, 4, &error));
    EXPECT_FALSE(TiffFile::insertPage(doc, folder.file("a.tif"), 1, 2, &error)); // no such source page
    EXPECT_EQ(TiffFile::pageCount(doc), 3);

    // rotation by quarter turns keeps each page's format; four turns give the page back
    const QImage before = TiffFile::readPage(doc, 3);
    ASSERT_TRUE(TiffFile::rotatePage(doc, 3, 1, &error)) << error.toStdString();
    EXPECT_EQ(props(doc, 3).width, 580);
    EXPECT_EQ(props(doc, 3).height, 420);
    EXPECT_EQ(props(doc, 3).compressionInfo, InfoGroup4);
    const QImage turned = TiffFile::readPage(doc, 3);
    EXPECT_EQ(turned.pixelColor(turned.width() - 1 - 100, 200), before.pixelColor(200, 100));
    ASSERT_TRUE(TiffFile::rotatePage(doc, 3, -1));
    EXPECT_EQ(TiffFile::readPage(doc, 3), before);
    ASSERT_TRUE(TiffFile::rotatePage(doc, 1, 2));
    EXPECT_EQ(props(doc, 1).compressionInfo, InfoJpegMediumQuality);
    EXPECT_EQ(props(doc, 1).width, 400);
    EXPECT_EQ(props(doc, 2).compressionInfo, InfoJpegHighQuality); // untouched

    // one page cannot be deleted
    ASSERT_TRUE(TiffFile::deletePage(doc, 1));
    ASSERT_TRUE(TiffFile::deletePage(doc, 1));
    EXPECT_FALSE(TiffFile::deletePage(doc, 1, &error));
    EXPECT_EQ(TiffFile::pageCount(doc), 1);
    EXPECT_EQ(QDir(folder.path()).entryList({"*.tmp"}).size(), 0);
}
