#include "biometrics/TenPrintCard.h"
#include "core/ProgramFolder.h"
#include "imaging/BmpFile.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace qal;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TenPrintCardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ProgramFolder::setPath(folder.path());
        card = GreyImage(4000, 2100, 500, 255);
        // a grey band across the right hand's row to see the multiplication
        for (int y = 0; y < 2100; ++y)
            for (int x = 0; x < 4000; ++x)
                if (x >= 1700 && x < 1800)
                    card.setPixel(x, y, 100);
        ASSERT_TRUE(BmpFile::writeGrey(folder.file(QStringLiteral("fmodelo.bemepe")), card));
    }
    void writeFinger(int n, const GreyImage &image)
    {
        ASSERT_TRUE(BmpFile::writeGrey(folder.file(QStringLiteral("dedo%1.bmp").arg(n)), image));
    }
    // the composed card, rows counted from the top as GreyImage does
    GreyImage composed()
    {
        return BmpFile::readGrey(folder.file(QStringLiteral("ficha.bmp")));
    }
    // pixel of the card at x from the left and y from the bottom
    static int at(const GreyImage &g, int x, int yFromBottom) { return g.pixel(x, g.height() - 1 - yFromBottom); }

    test::TempFolder folder;
    GreyImage card;
};

} // namespace

TEST_F(TenPrintCardTest, FingersAreMultipliedIntoTheirCentredCells)
{
    GreyImage black(5, 3, 500, 0); // odd width: rows padded in the file
    writeFinger(1, black);
    GreyImage grey(8, 8, 500, 200);
    grey.setPixel(0, 7, 0); // bottom-left pixel (the image's last row)
    writeFinger(2, grey);
    GreyImage white(300, 300, 500, 255);
    writeFinger(7, white);

    ASSERT_TRUE(ComposeCard(QStringLiteral("dedo"), QStringLiteral("ficha.bmp")));
    const GreyImage out = composed();
    ASSERT_EQ(out.width(), 4000);
    ASSERT_EQ(out.height(), 2100);

    // finger 1 at (1095, 1510): columns 1093..1097, rows 1509..1511 from the bottom
    EXPECT_EQ(at(out, 1093, 1509), 0);
    EXPECT_EQ(at(out, 1097, 1511), 0);
    EXPECT_EQ(at(out, 1092, 1510), 255);
    EXPECT_EQ(at(out, 1098, 1510), 255);
    EXPECT_EQ(at(out, 1095, 1508), 255);
    EXPECT_EQ(at(out, 1095, 1512), 255);

    // finger 2 at (1745, 1510) on the band of 100: round(200 x 100 / 255) = 78
    EXPECT_EQ(at(out, 1745, 1510), 78);
    EXPECT_EQ(at(out, 1741, 1506), 0); // its bottom-left pixel
    EXPECT_EQ(at(out, 1741, 1513), 78);

    // white leaves the card as it was
    QByteArray before = readFile(folder.file(QStringLiteral("fmodelo.bemepe")));
    ASSERT_TRUE(ComposeCard(QStringLiteral("none"), QStringLiteral("blank.bmp")));
    const QByteArray blank = readFile(folder.file(QStringLiteral("blank.bmp")));
    EXPECT_EQ(blank, before);
    EXPECT_EQ(blank.left(2), QByteArray("BM"));
}

TEST_F(TenPrintCardTest, LargeFingersAreClippedAtTheEdgesNotWrapped)
{
    // finger 5 at (3530, 1510) and finger 6 at (1095, 460), both bigger than the room left
    writeFinger(5, GreyImage(1200, 1400, 500, 0));
    writeFinger(6, GreyImage(2400, 1200, 500, 0));
    ASSERT_TRUE(ComposeCard(QStringLiteral("dedo"), QStringLiteral("ficha.bmp")));
    const GreyImage out = composed();
    EXPECT_EQ(at(out, 3999, 1510), 0);
    EXPECT_EQ(at(out, 3999, 2099), 0);
    EXPECT_EQ(at(out, 2929, 1510), 255); // left of finger 5 (3530 - 600 = 2930)
    EXPECT_EQ(at(out, 0, 0), 0);
    EXPECT_EQ(at(out, 0, 1059), 0); // 460 - 600 + 1199
    EXPECT_EQ(at(out, 0, 1060), 255);
    EXPECT_EQ(at(out, 2294, 0), 0); // 1095 - 1200 + 2399
    EXPECT_EQ(at(out, 2295, 0), 255);
    // nothing spilled onto the opposite edges
    EXPECT_EQ(at(out, 0, 1510), 255);
    EXPECT_EQ(at(out, 3999, 0), 255);
}

TEST_F(TenPrintCardTest, UnreadableImagesAreLeftOffAndNoTemplateMeansNoCard)
{
    writeFinger(1, GreyImage(50, 50, 500, 0));
    QByteArray cut = readFile(folder.file(QStringLiteral("dedo1.bmp")));
    cut.chop(10);
    QFile f(folder.file(QStringLiteral("dedo1.bmp")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(cut);
    f.close();
    ASSERT_TRUE(BmpFile::write(folder.file(QStringLiteral("dedo2.bmp")), GreyImage(50, 50, 500, 0).toQImage(), 24));
    ASSERT_TRUE(ComposeCard(QStringLiteral("dedo"), QStringLiteral("ficha.bmp")));
    EXPECT_EQ(readFile(folder.file(QStringLiteral("ficha.bmp"))), readFile(folder.file(QStringLiteral("fmodelo.bemepe"))));

    QFile::remove(folder.file(QStringLiteral("fmodelo.bemepe")));
    EXPECT_FALSE(ComposeCard(QStringLiteral("dedo"), QStringLiteral("otra.bmp")));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("otra.bmp"))));
}

TEST_F(TenPrintCardTest, InstalledImagesHoldEveryCell)
{
    ASSERT_TRUE(WriteCardTemplate(folder.file(QStringLiteral("fmodelo.bemepe"))));
    ASSERT_TRUE(WriteAmputationPlaceholder(folder.file(QStringLiteral("amputado.bmp"))));
    const GreyImage t = BmpFile::readGrey(folder.file(QStringLiteral("fmodelo.bemepe")));
    const GreyImage a = BmpFile::readGrey(folder.file(QStringLiteral("amputado.bmp")));
    ASSERT_FALSE(t.isNull());
    ASSERT_FALSE(a.isNull());
    for (int n = 1; n <= 10; ++n) {
        const CardCell c = CardCellOf(n);
        EXPECT_GE(c.x - a.width() / 2, 0);
        EXPECT_LE(c.x + a.width() / 2, t.width());
        EXPECT_GE(c.y - a.height() / 2, 0);
        EXPECT_LE(c.y + a.height() / 2, t.height());
        EXPECT_EQ(at(t, c.x, c.y), 255); // the cell's centre is blank
    }
    // the placeholder composes like any finger
    QFile::copy(folder.file(QStringLiteral("amputado.bmp")), folder.file(QStringLiteral("dedo3.bmp")));
    EXPECT_TRUE(ComposeCard(QStringLiteral("dedo"), QStringLiteral("ficha.bmp")));
    EXPECT_NE(readFile(folder.file(QStringLiteral("ficha.bmp"))), readFile(folder.file(QStringLiteral("fmodelo.bemepe"))));
}
