#include "imaging/BmpFile.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

using namespace qal;

namespace {

// A grey ramp with an odd width so that every row needs padding.
GreyImage ramp(int width, int height, int ppi)
{
    GreyImage image(width, height, ppi);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, std::uint8_t((x * 7 + y * 13) & 0xff));
    return image;
}

quint32 u32At(const QByteArray &data, int offset)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData()) + offset;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// Qt's own BMP reader, as an independent check of what we write.
QImage qtDecode(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "bmp");
    return reader.read();
}

} // namespace

TEST(BmpFile, GreyIsWrittenInTheFingerImageLayout)
{
    const GreyImage image = ramp(13, 5, 500);
    const QByteArray bmp = BmpFile::encodeGrey(image);
    const int stride = 16;
    ASSERT_EQ(bmp.size(), 1078 + stride * 5);
    EXPECT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(u32At(bmp, 2), quint32(bmp.size()));
    EXPECT_EQ(u32At(bmp, 10), 1078u);
    EXPECT_EQ(u32At(bmp, 14), 40u);
    EXPECT_EQ(u32At(bmp, 18), 13u);
    EXPECT_EQ(u32At(bmp, 22), 5u); // positive height: bottom-up
    EXPECT_EQ(bmp[28], 8);
    EXPECT_EQ(u32At(bmp, 30), 0u);
    EXPECT_EQ(u32At(bmp, 34), quint32(stride * 5));
    EXPECT_EQ(u32At(bmp, 38), 19685u); // 500 ppi
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(u32At(bmp, 54 + 4 * i), quint32(i | i << 8 | i << 16)) << i;
    // first stored row is the bottom one, padded with zeros
    for (int x = 0; x < 13; ++x)
        EXPECT_EQ(uchar(bmp[1078 + x]), image.pixel(x, 4));
    EXPECT_EQ(bmp.mid(1078 + 13, 3), QByteArray(3, '\0'));
    EXPECT_EQ(uchar(bmp[1078 + 4 * stride]), image.pixel(0, 0));

    const QImage qt = qtDecode(bmp);
    ASSERT_FALSE(qt.isNull());
    EXPECT_EQ(GreyImage::fromQImage(qt), image);
}

TEST(BmpFile, RoundTripsEveryWrittenDepth)
{
    test::TempFolder folder;
    const GreyImage grey = ramp(37, 11, 300);
    ASSERT_TRUE(BmpFile::writeGrey(folder.file("g.bmp"), grey));
    EXPECT_EQ(BmpFile::readGrey(folder.file("g.bmp")), grey);

    // 1 bit: grey below 128 black, palette 0 black and 1 white, resolution kept
    QString error;
    ASSERT_TRUE(BmpFile::write(folder.file("bw.bmp"), grey.toQImage(), 1, &error)) << error.toStdString();
    const QImage bw = BmpFile::read(folder.file("bw.bmp"));
    ASSERT_EQ(bw.format(), QImage::Format_Mono);
    EXPECT_EQ(bw.size(), QSize(37, 11));
    EXPECT_EQ(ppiFromDotsPerMeter(bw.dotsPerMeterX()), 300);
    const GreyImage bwGrey = BmpFile::readGrey(folder.file("bw.bmp"));
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(bwGrey.pixel(x, y), grey.pixel(x, y) >= 128 ? 255 : 0) << x << "," << y;
    EXPECT_EQ(GreyImage::fromQImage(qtDecode(BmpFile::encode(grey.toQImage(), 1))), bwGrey);

    // 24 bits: colours exact, rows padded (37 * 3 = 111 -> 112)
    QImage colour(37, 11, QImage::Format_RGB32);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            colour.setPixel(x, y, qRgb(x * 6, y * 20, (x + y) * 5));
    const QByteArray rgb = BmpFile::encode(colour, 24);
    EXPECT_EQ(rgb.size(), 54 + 112 * 11);
    const QImage back = BmpFile::read(rgb);
    ASSERT_EQ(back.size(), colour.size());
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(back.pixel(x, y), colour.pixel(x, y));
    EXPECT_EQ(qtDecode(rgb).convertToFormat(QImage::Format_RGB32), colour);
    EXPECT_TRUE(BmpFile::encode(colour, 16).isEmpty());
}

TEST(BmpFile, ReadsLayoutsOtherProgramsWrite)
{
    // Qt writes 8-bit indexed files with its own palette; a non-grey palette maps to luminance
    QImage indexed(9, 4, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            indexed.setPixel(x, y, uint((x + y) % 3));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(indexed.save(&buffer, "BMP"));
    const GreyImage grey = BmpFile::readGrey(buffer.data());
    ASSERT_FALSE(grey.isNull());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(grey.pixel(x, y), qGray(indexed.color((x + y) % 3)));

    // a top-down 4-bit file with a short palette, built by hand
    QByteArray top;
    const auto put32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) top.append(char(v >> (8 * i))); };
    const auto put16 = [&](quint16 v) { top.append(char(v)); top.append(char(v >> 8)); };
    top.append("BM", 2); put32(0); put16(0); put16(0); put32(14 + 40 + 8);
    put32(40); put32(3); put32(quint32(-2)); put16(1); put16(4); put32(0); put32(0);
    put32(11811); put32(11811); put32(2); put32(0);
    put32(0x000000); put32(0xffffff);
    top.append("\x01\x00\x00\x00\x10\x10\x00\x00", 8); // rows: 0 1 0 / 1 0 1 (top first)
    const GreyImage small = BmpFile::readGrey(top);
    ASSERT_EQ(small.width(), 3);
    ASSERT_EQ(small.height(), 2);
    EXPECT_EQ(small.resolution(), 300);
    EXPECT_EQ(small.pixels(), (std::vector<std::uint8_t> {0, 255, 0, 255, 0, 255}));
}

TEST(BmpFile, RefusesDamagedAndHostileFiles)
{
    const QByteArray good = BmpFile::encodeGrey(ramp(10, 10, 500));
    // every truncation is an error, never a read past the end
    for (int length = 0; length < good.size(); ++length) {
        QString error;
        ASSERT_TRUE(BmpFile::read(good.left(length), &error).isNull()) << length;
        ASSERT_FALSE(error.isEmpty()) << length;
    }
    const auto patched = [&](int offset, quint32 value) {
        QByteArray copy = good;
        for (int i = 0; i < 4; ++i)
            copy[offset + i] = char(value >> (8 * i));
        return copy;
    };
    QString error;
    EXPECT_TRUE(BmpFile::read(patched(18, 100000), &error).isNull()); // width beyond the data
    EXPECT_TRUE(BmpFile::read(patched(22, 0x7fffffff)).isNull());      // gigantic height
    EXPECT_TRUE(BmpFile::read(patched(22, 0x80000000)).isNull());      // most negative height
    EXPECT_TRUE(BmpFile::read(patched(18, 0)).isNull());
    EXPECT_TRUE(BmpFile::read(patched(30, 1)).isNull());               // RLE8
    EXPECT_TRUE(BmpFile::read(patched(10, 20)).isNull());              // pixels inside the header
    EXPECT_TRUE(BmpFile::read(patched(10, 0xffffff00)).isNull());      // pixels far past the end
    EXPECT_TRUE(BmpFile::read(patched(14, 0xffffffff)).isNull());      // header size
    QByteArray sixteen = good;
    sixteen[28] = 16;
    EXPECT_TRUE(BmpFile::read(sixteen).isNull());
    EXPECT_TRUE(BmpFile::readGrey(QStringLiteral("/nonexistent/x.bmp"), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(GreyImage, ConvertsToAndFromQImageKeepingResolution)
{
    const GreyImage image = ramp(5, 3, 500);
    const QImage qt = image.toQImage();
    EXPECT_EQ(qt.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(GreyImage::fromQImage(qt), image);
    for (int ppi : {72, 96, 100, 150, 200, 250, 300, 350, 400, 450, 500, 600, 1000})
        EXPECT_EQ(ppiFromDotsPerMeter(dotsPerMeterFromPpi(ppi)), ppi);
    EXPECT_EQ(ppiFromDotsPerMeter(0), 0);
    EXPECT_EQ(ppiFromDotsPerMeter(-5), 0);
    EXPECT_TRUE(GreyImage(-1, 5).isNull());
    EXPECT_EQ(GreyImage(2, 2, 0, 7).pixels(), (std::vector<std::uint8_t> {7, 7, 7, 7}));
}
