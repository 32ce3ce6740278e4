#include "biometrics/ExternalProgram.h"
#include "biometrics/GreyBitmapOps.h"
#include "core/ProgramFolder.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

using namespace qal;

namespace {

bool writeScript(const QString &path, const QByteArray &body)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("#!/bin/sh\n" + body) < 0)
        return false;
    f.close();
    return f.setPermissions(f.permissions() | QFile::ExeOwner);
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ConverterTest : public ::testing::Test
{
protected:
    void SetUp() override { ProgramFolder::setPath(folder.path()); }
    test::TempFolder folder;
    QString message;
};

GreyImage ramp(int w, int h)
{
    GreyImage g(w, h, 1000);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            g.setPixel(x, y, std::uint8_t((x + 10 * y) % 256));
    return g;
}

} // namespace

TEST_F(ConverterTest, RunAndWaitRunsInTheProgramsFolderAndKeepsTimersGoing)
{
    // the converter is a stand-in that records how it was called
    ASSERT_TRUE(writeScript(folder.file(QStringLiteral("prog")), "sleep 0.3; pwd > args; echo \"$#:$1:$2\" >> args\n"));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    EXPECT_TRUE(RunAndWait(folder.file(QStringLiteral("prog")), QStringLiteral("dedo1.bmp dedo1.wsq"), ShowState::Hidden));
    EXPECT_EQ(readFile(folder.file(QStringLiteral("args"))), (QFileInfo(folder.path()).canonicalFilePath() + "\n2:dedo1.bmp:dedo1.wsq\n").toUtf8());
    EXPECT_GE(ticks, 3);
    EXPECT_FALSE(RunAndWait(folder.file(QStringLiteral("missing")), QString(), ShowState::Normal));
}

TEST_F(ConverterTest, BmpToWsqJudgesByTheTargetAndReplacesIt)
{
    ASSERT_TRUE(writeScript(Bmp2WsqProgram(), "cp \"$1\" \"$2\"\n"));
    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("dedo1.bmp")), "pixels"));
    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("dedo1.wsq")), "old"));
    EXPECT_TRUE(ConvertBmpToWsq(QStringLiteral(" dedo1.bmp "), QStringLiteral("dedo1.wsq"), message));
    EXPECT_EQ(readFile(folder.file(QStringLiteral("dedo1.wsq"))), QByteArray("pixels"));

    EXPECT_FALSE(ConvertBmpToWsq(QStringLiteral("dedo2.bmp"), QStringLiteral("dedo2.wsq"), message));
    EXPECT_EQ(message, QStringLiteral("ERROR: No existe archivo origen"));

    // a converter that fails leaves no stale target behind to be taken for success
    ASSERT_TRUE(writeScript(Bmp2WsqProgram(), "exit 3\n"));
    EXPECT_FALSE(ConvertBmpToWsq(QStringLiteral("dedo1.bmp"), QStringLiteral("dedo1.wsq"), message));
    EXPECT_EQ(message, QStringLiteral("ERROR: No se pudo generar dedo1.wsq"));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("dedo1.wsq"))));
}

TEST_F(ConverterTest, WsqToBmpChecksTheExtensionAndRemovesTheSource)
{
    ASSERT_TRUE(writeScript(Wsq2BmpProgram(), "cp \"$1\" \"$2\"\n"));
    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("dedo1.WSQ")), "w"));
    EXPECT_FALSE(ConvertWsqToBmp(QStringLiteral("dedo1.WSQ"), QStringLiteral("dedo1.bmp"), message));
    EXPECT_EQ(message, QString::fromUtf8("ERROR: El archivo origen debe tener extensión wsq"));
    EXPECT_FALSE(ConvertWsqToBmp(QStringLiteral("dedo9.wsq"), QStringLiteral("dedo9.bmp"), message));
    EXPECT_EQ(message, QStringLiteral("ERROR: No existe archivo origen"));

    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("dedo2.wsq")), "w2"));
    EXPECT_TRUE(ConvertWsqToBmp(QStringLiteral("dedo2.wsq "), QStringLiteral("dedo2.bmp"), message));
    EXPECT_EQ(readFile(folder.file(QStringLiteral("dedo2.bmp"))), QByteArray("w2"));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("dedo2.wsq"))));

    ASSERT_TRUE(writeScript(Wsq2BmpProgram(), "exit 1\n"));
    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("dedo3.wsq")), "w3"));
    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("dedo3.bmp")), "stale"));
    EXPECT_FALSE(ConvertWsqToBmp(QStringLiteral("dedo3.wsq"), QStringLiteral("dedo3.bmp"), message));
    EXPECT_EQ(message, QStringLiteral("No se pudo convertir el archivo: dedo3.wsq"));
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("dedo3.wsq"))));
}

TEST(GreyBitmapOps, FlipMirrorsRowsAndColumns)
{
    const GreyImage src = ramp(5, 3);
    GreyImage t;
    ASSERT_TRUE(FlipBitmap(true, false, src, t));
    EXPECT_EQ(t.pixel(1, 0), src.pixel(1, 2));
    ASSERT_TRUE(FlipBitmap(false, true, src, t));
    EXPECT_EQ(t.pixel(0, 1), src.pixel(4, 1));
    ASSERT_TRUE(FlipBitmap(true, true, src, t));
    EXPECT_EQ(t.pixel(0, 0), src.pixel(4, 2));
    ASSERT_TRUE(FlipBitmap(false, false, src, t));
    EXPECT_EQ(t, src);
    EXPECT_FALSE(FlipBitmap(true, true, GreyImage(), t));
}

TEST(GreyBitmapOps, ResamplingHalvesA1000PpiScanAndClampsAtTheEdges)
{
    const GreyImage scan = ramp(1090, 995);
    const GreyImage half = ResampleTo500(scan, 1000);
    EXPECT_EQ(half.width(), 548);  // 545 up to a multiple of 4
    EXPECT_EQ(half.height(), 498); // 497.5, half to even
    EXPECT_EQ(half.resolution(), 1000);
    EXPECT_EQ(half.pixel(10, 20), scan.pixel(20, 40));
    // columns past the source's last one take the last one
    EXPECT_EQ(half.pixel(547, 497), scan.pixel(1089, 994));
    EXPECT_EQ(half.pixel(545, 3), scan.pixel(1089, 6));

    EXPECT_EQ(ResampleTo500(scan, 500), scan);
    const GreyImage up = ResampleTo500(ramp(10, 10), 250); // 2x up
    EXPECT_EQ(up.width(), 20);
    EXPECT_EQ(up.pixel(3, 3), ramp(10, 10).pixel(2, 2)); // round(1.5) = 2
}

TEST(GreyBitmapOps, Base64TextComesInLinesOf2736Bytes)
{
    QByteArray data(2736 * 2 + 1, Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(100); // read from the start regardless
    const QString text = Base64Text(buffer);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0].size(), 3648);
    EXPECT_EQ(lines[1].size(), 3648);
    EXPECT_EQ(lines[2].size(), 4);
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("==")));
    EXPECT_TRUE(lines[3].isEmpty());
    EXPECT_EQ(QByteArray::fromBase64((lines[0] + lines[1] + lines[2]).toLatin1()), data);

    QByteArray empty;
    QBuffer none(&empty);
    none.open(QIODevice::ReadOnly);
    EXPECT_EQ(Base64Text(none), QString());
}
