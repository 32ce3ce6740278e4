#include "biometrics/wsq/FingerBmp.h"
#include "imaging/BmpFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

using namespace qal;

namespace {

// The converters' reader sees every BMP as the program's does, and writes the same bytes.
TEST(FingerBmp, ReadsAndWritesAsTheProgramsBmpFiles)
{
    const QDir fingers(test::TempFolder::fixture(QStringLiteral("fingers/bmp")));
    const QStringList files = fingers.entryList({QStringLiteral("*.bmp")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString &name : files) {
        const GreyImage expected = BmpFile::readGrey(fingers.filePath(name));
        fingerbmp::Image image;
        std::string error;
        ASSERT_TRUE(fingerbmp::read(fingers.filePath(name).toStdString(), image, error)) << name.toStdString() << error;
        ASSERT_EQ(image.width, expected.width());
        ASSERT_EQ(image.height, expected.height());
        EXPECT_EQ(image.ppi, expected.resolution()) << name.toStdString();
        EXPECT_TRUE(image.pixels == expected.pixels()) << name.toStdString();
        const std::vector<std::uint8_t> bytes = fingerbmp::encode(image);
        const QByteArray ours = BmpFile::encodeGrey(expected);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())), ours) << name.toStdString();
    }

    // other depths (colours proper are no finger image: only their greys are compared)
    QImage colour(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            colour.setPixel(x, y, qRgb(x * 30 + y, x * 30 + y, x * 30 + y));
    for (int bits : {1, 8, 24}) {
        const QByteArray file = BmpFile::encode(colour, bits);
        const GreyImage expected = BmpFile::readGrey(file);
        fingerbmp::Image image;
        std::string error;
        ASSERT_TRUE(fingerbmp::decode(reinterpret_cast<const std::uint8_t *>(file.constData()), std::size_t(file.size()), image, error)) << bits;
        EXPECT_TRUE(image.pixels == expected.pixels()) << bits;
    }
}

TEST(FingerBmp, RefusesWhatIsNoBmpOrClaimsMoreThanItHolds)
{
    const QByteArray good = BmpFile::encodeGrey(GreyImage(16, 16, 500, 128));
    fingerbmp::Image image;
    std::string error;
    auto decode = [&](const QByteArray &b) {
        return fingerbmp::decode(reinterpret_cast<const std::uint8_t *>(b.constData()), std::size_t(b.size()), image, error);
    };
    EXPECT_TRUE(decode(good));
    EXPECT_FALSE(decode(good.left(good.size() - 1)));
    EXPECT_FALSE(decode(good.left(30)));
    EXPECT_FALSE(decode(QByteArray("GIF89a")));
    QByteArray huge = good;
    huge[18] = char(0xff); huge[19] = char(0xff); huge[20] = char(0xff); huge[21] = char(0x7f);
    EXPECT_FALSE(decode(huge));
    QByteArray offset = good;
    offset[10] = char(0xff); offset[11] = char(0xff); offset[12] = char(0xff); offset[13] = char(0xff);
    EXPECT_FALSE(decode(offset));
}

} // namespace
