// The WSQPACK interface, the file and bitmap conversions on top of it, and the two
// command-line converters.

#include "WsqTestData.h"

#include "biometrics/WsqServices.h"
#include "biometrics/wsq/WsqCodec.h"
#include "biometrics/wsq/WsqPack.h"
#include "imaging/BmpFile.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace qal;
using namespace qal::test::wsq;
namespace fs = std::filesystem;

namespace {

QString fixture(const char *relative) { return QString::fromStdString((fs::path(QAL_TEST_DATA) / relative).string()); }

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

int run(const char *program, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(QAL_BIN_DIR "/") + program, args);
    if (!p.waitForFinished(60000))
        return -100;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -101;
}

const char *kTipBmp = "fingers/bmp/nist_tip_wsq.bmp";
const char *kTipWsq = "wsq/encoded/nist_tip_wsq.wsq";

} // namespace

TEST(WsqPack, CompressHandsOutABlockTheCallerFrees)
{
    const GreyImage src = BmpFile::readGrey(fixture(kTipBmp));
    unsigned char *data = reinterpret_cast<unsigned char *>(1);
    int length = -1;
    ASSERT_EQ(WSQPACK_Compress(&data, &length, 0.75f, src.pixels().data(), src.width(), src.height(), 8, 500,
                               "our comment"),
              0);
    ASSERT_NE(data, nullptr);
    const std::vector<std::uint8_t> file(data, data + length);
    EXPECT_NE(std::search(file.begin(), file.end(), std::begin("our comment"), std::end("our comment") - 1),
              file.end());
    const auto img = wsq::decode(file);
    EXPECT_EQ(img.width, src.width());
    EXPECT_EQ(img.ppi, 500);
    WSQPACK_Free(&data);
    EXPECT_EQ(data, nullptr);
    WSQPACK_Free(&data);  // releasing a cleared pointer does nothing
    WSQPACK_Free(nullptr);

    // refused: other depths, no pixels, no size
    for (int depth : {1, 16, 24}) {
        EXPECT_NE(WSQPACK_Compress(&data, &length, 0.75f, src.pixels().data(), src.width(), src.height(), depth,
                                   500, nullptr),
                  0);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(length, 0);
    }
    EXPECT_NE(WSQPACK_Compress(&data, &length, 0.75f, nullptr, 10, 10, 8, 500, nullptr), 0);
    EXPECT_NE(WSQPACK_Compress(&data, &length, 0.75f, src.pixels().data(), 0, 10, 8, 500, nullptr), 0);
    EXPECT_EQ(data, nullptr);
}

TEST(WsqPack, UncompressGivesPixelsOrNull)
{
    const QByteArray file = readAll(fixture(kTipWsq));
    unsigned char *pixels = nullptr;
    int width = 0, height = 0, depth = 0, ppi = 0, lossy = 0;
    WSQPACK_Uncompress(&pixels, &width, &height, &depth, &ppi, &lossy,
                       reinterpret_cast<const unsigned char *>(file.constData()), int(file.size()));
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 344);
    EXPECT_EQ(height, 370);
    EXPECT_EQ(depth, 8);
    EXPECT_EQ(ppi, 500);
    EXPECT_EQ(lossy, 1);
    const Grey ref = readPgm(dataDir() / "decoded" / "nist_tip_wsq.pgm");
    EXPECT_GE(compare({pixels, pixels + width * height}, ref.pixels).identical, 0.999);
    WSQPACK_Free(&pixels);

    const QByteArray cut = file.left(file.size() / 2);
    width = height = 7;
    EXPECT_NE(WSQPACK_Uncompress(&pixels, &width, &height, &depth, &ppi, &lossy,
                                 reinterpret_cast<const unsigned char *>(cut.constData()), int(cut.size())),
              0);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_NE(WSQPACK_Uncompress(&pixels, &width, &height, &depth, &ppi, &lossy, nullptr, 10), 0);
    EXPECT_EQ(pixels, nullptr);
}

TEST(WsqServices, WsqFileToBmpWritesAFingerBitmap)
{
    test::TempFolder dir;
    ASSERT_TRUE(dir.copyFixtureFile(kTipWsq, "dedo1.wsq"));
    ASSERT_TRUE(WsqFileToBmp(dir.file("dedo1.wsq"), dir.file("dedo1.bmp")));
    const QByteArray bmp = readAll(dir.file("dedo1.bmp"));
    const auto info = BmpFile::readInfo(bmp);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->bitsPerPixel, 8);
    EXPECT_EQ(info->pixelOffset, 1078u);
    EXPECT_FALSE(info->topDown);
    EXPECT_EQ(info->width, 344);
    EXPECT_EQ(info->height, 370);
    // row r of the decoded buffer is row r of the picture
    const GreyImage img = BmpFile::readGrey(bmp);
    const Grey ref = readPgm(dataDir() / "decoded" / "nist_tip_wsq.pgm");
    EXPECT_GE(compare(img.pixels(), ref.pixels).identical, 0.999);
}

TEST(WsqServices, WsqFileToBmpWritesNothingOnFailure)
{
    test::TempFolder dir;
    EXPECT_FALSE(WsqFileToBmp(dir.file("missing.wsq"), dir.file("a.bmp")));
    EXPECT_FALSE(QFile::exists(dir.file("missing.wsq")));  // not created by the open

    ASSERT_TRUE(writeAll(dir.file("bad.wsq"), readAll(fixture(kTipWsq)).left(3000)));
    EXPECT_FALSE(WsqFileToBmp(dir.file("bad.wsq"), dir.file("b.bmp")));
    EXPECT_FALSE(QFile::exists(dir.file("b.bmp")));

    // the source must be open for exclusive read-write access
    ASSERT_TRUE(dir.copyFixtureFile(kTipWsq, "held.wsq"));
    const int fd = ::open(QFile::encodeName(dir.file("held.wsq")).constData(), O_RDWR);
    struct flock lock{};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
    EXPECT_FALSE(WsqFileToBmp(dir.file("held.wsq"), dir.file("c.bmp")));
    ::close(fd);
    EXPECT_TRUE(WsqFileToBmp(dir.file("held.wsq"), dir.file("c.bmp")));

    ASSERT_TRUE(QFile::setPermissions(dir.file("held.wsq"), QFile::ReadOwner));
    if (::geteuid() != 0) {  // root opens read-only files for writing anyway
        EXPECT_FALSE(WsqFileToBmp(dir.file("held.wsq"), dir.file("d.bmp")));
    }
}

TEST(WsqServices, BitmapToWsqEncodesAtTheFixedSettings)
{
    EXPECT_EQ(BitmapToWsq(GreyImage()).data, nullptr);
    const GreyImage src = BmpFile::readGrey(fixture(kTipBmp));
    WsqBlock block = BitmapToWsq(src);
    ASSERT_NE(block.data, nullptr);
    const std::vector<std::uint8_t> file(block.data, block.data + block.length);
    WSQPACK_Free(&block.data);
    // the same bytes as the codec at bit rate 0.75 and 500 ppi
    EXPECT_EQ(file, wsq::encode(src.pixels().data(), src.width(), src.height()));
}

TEST(WsqTools, ConvertInBothDirections)
{
    test::TempFolder dir;
    ASSERT_TRUE(dir.copyFixtureFile(kTipBmp, "dedo 3.bmp"));
    EXPECT_EQ(run("bmp2wsq", {dir.file("dedo 3.bmp"), dir.file("dedo 3.wsq")}), 0);
    const QByteArray wsqFile = readAll(dir.file("dedo 3.wsq"));
    const GreyImage src = BmpFile::readGrey(dir.file("dedo 3.bmp"));
    EXPECT_EQ(std::vector<std::uint8_t>(wsqFile.begin(), wsqFile.end()),
              wsq::encode(src.pixels().data(), src.width(), src.height()));

    EXPECT_EQ(run("wsq2bmp", {dir.file("dedo 3.wsq"), dir.file("back.bmp")}), 0);
    const GreyImage back = BmpFile::readGrey(dir.file("back.bmp"));
    EXPECT_EQ(back.width(), src.width());
    EXPECT_GT(psnr(back.pixels(), src.pixels()), 40.0);
    EXPECT_EQ(BmpFile::readInfo(readAll(dir.file("back.bmp")))->bitsPerPixel, 8);
}

TEST(WsqTools, FailWithoutLeavingATarget)
{
    test::TempFolder dir;
    EXPECT_NE(run("bmp2wsq", {dir.file("none.bmp"), dir.file("t.wsq")}), 0);
    EXPECT_NE(run("bmp2wsq", {}), 0);
    ASSERT_TRUE(writeAll(dir.file("junk.bmp"), "BM not really"));
    EXPECT_NE(run("bmp2wsq", {dir.file("junk.bmp"), dir.file("t.wsq")}), 0);
    EXPECT_FALSE(QFile::exists(dir.file("t.wsq")));

    EXPECT_NE(run("wsq2bmp", {dir.file("none.wsq"), dir.file("t.bmp")}), 0);
    ASSERT_TRUE(writeAll(dir.file("junk.wsq"), readAll(fixture(kTipWsq)).left(500)));
    EXPECT_NE(run("wsq2bmp", {dir.file("junk.wsq"), dir.file("t.bmp")}), 0);
    EXPECT_FALSE(QFile::exists(dir.file("t.bmp")));
    EXPECT_NE(run("wsq2bmp", {dir.file("junk.wsq")}), 0);
}
