#include "biometrics/quality/Minutiae.h"
#include "biometrics/quality/NfiqNetwork.h"
#include "biometrics/quality/QualityMap.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace qal::quality;

namespace {

// One line of a CSV table; quoted fields may hold commas.
QStringList csvFields(const QString &line)
{
    QStringList fields(QString {});
    bool quoted = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            fields.append(QString {});
        else
            fields.last().append(c);
    }
    return fields;
}

} // namespace

// The network must give NFIQ 1's value when it is fed NFIQ 1's own features.
TEST(NfiqNetwork, AgreesWithTheReferenceOnTheReferenceFeatures)
{
    QFile csv(qal::test::TempFolder::fixture(QStringLiteral("fingers-calib/calib.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&csv);
    const QStringList header = csvFields(in.readLine());
    const int first = int(header.indexOf(QStringLiteral("foreground_blocks")));
    const int nfiq = int(header.indexOf(QStringLiteral("nfiq")));
    ASSERT_GE(first, 0);
    int rows = 0, same = 0, withinOne = 0;
    while (!in.atEnd()) {
        const QStringList cols = csvFields(in.readLine());
        if (cols.size() <= first + 10 || cols[first].isEmpty())
            continue; // NFIQ 1 gave 5 without features
        NfiqFeatures f;
        for (int i = 0; i < 11; ++i)
            f[std::size_t(i)] = cols[first + i].toDouble();
        const NfiqClass c = classifyNfiq(f);
        const int reference = cols[nfiq].toInt();
        ++rows;
        same += c.nfiq == reference;
        withinOne += std::abs(c.nfiq - reference) <= 1;
        for (double a : c.activation) {
            EXPECT_GE(a, 0.0);
            EXPECT_LE(a, 1.0);
        }
    }
    ASSERT_GE(rows, 350);
    std::printf("network on the reference features of %d prints: same %.1f %%, within one %.1f %%\n", rows,
                100.0 * same / rows, 100.0 * withinOne / rows);
    EXPECT_GE(double(same) / rows, 0.93);
    EXPECT_GE(double(withinOne) / rows, 0.98);
}

namespace {

// Ridges of period 9 pixels in concentric circles, inside a disc on a white background.
std::vector<std::uint8_t> ridgeDisc(int side, double radius)
{
    std::vector<std::uint8_t> image(std::size_t(side) * side, 255);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double r = std::hypot(x - side / 2.0, y - side / 2.0);
            if (r < radius)
                image[std::size_t(y) * side + x] = std::uint8_t(128 + 100 * std::cos(2 * M_PI * x / 9.0));
        }
    return image;
}

// A diagonal break, 14 pixels high, across the vertical ridges around the middle: each ridge
// ends on either side of it, and the ends of neighbouring ridges are further apart than the
// minimum spacing of minutiae.
void breakRidges(std::vector<std::uint8_t> &image, int side)
{
    for (int x = 110; x < 210; ++x)
        for (int dy = 0; dy < 14; ++dy)
            image[std::size_t(x - 7 + dy) * side + x] = 228;
}

} // namespace

TEST(QualityMap, GradesTheBlocksFromTheBackgroundInwards)
{
    const int side = 320;
    const std::vector<std::uint8_t> image = ridgeDisc(side, 120);
    const QualityMap map = buildQualityMap(image.data(), side, side, QualityParameters {});
    EXPECT_EQ(map.width, 40);
    EXPECT_EQ(map.height, 40);
    // the disc covers about pi 120^2 / 64 = 707 blocks; the 24-pixel windows of the blocks
    // just outside it still see ridges (pi 128^2 / 64 = 804)
    EXPECT_GE(map.foreground(), 680);
    EXPECT_LE(map.foreground(), 840);
    EXPECT_EQ(map.at(0, 0), 0);   // white corner
    EXPECT_EQ(map.at(20, 20), 4); // clear straight ridges far from the edge
    // walking out from the centre, the level never rises and the last block before the
    // background is level 1
    int last = 4, edge = -1;
    for (int bx = 20; bx < 40; ++bx) {
        const int level = map.at(bx, 20);
        EXPECT_LE(level, last) << "block " << bx;
        if (level == 0 && edge < 0)
            edge = bx - 1;
        last = level;
    }
    ASSERT_GT(edge, 20);
    EXPECT_EQ(map.at(edge, 20), 1);
}

// Where two ridge patterns cross, the ridges agree on no direction: those blocks, and the
// blocks around them, are graded down, while straight ridges further off stay at the best level.
TEST(QualityMap, GradesWeakRidgeFlowAndItsSurroundingsDown)
{
    const int side = 320;
    std::vector<std::uint8_t> image = ridgeDisc(side, 120);
    for (int y = 136; y < 184; ++y)
        for (int x = 96; x < 144; ++x)
            image[std::size_t(y) * side + x] = std::uint8_t(128 + 50 * std::cos(2 * M_PI * x / 9.0) + 50 * std::cos(2 * M_PI * y / 9.0));
    const QualityMap map = buildQualityMap(image.data(), side, side, QualityParameters {});
    for (int by = 19; by < 21; ++by) // the blocks whose windows lie inside the crossing
        for (int bx = 13; bx < 17; ++bx) {
            EXPECT_GE(map.at(bx, by), 1) << bx << ", " << by; // still ridges, not background
            EXPECT_LE(map.at(bx, by), 2) << bx << ", " << by;
        }
    EXPECT_EQ(map.at(17, 20), 3); // next to the crossing
    EXPECT_EQ(map.at(26, 20), 4);
}

TEST(QualityMap, SizesThatAreNoMultipleOfTheBlockOverlapTheLastBlock)
{
    const std::vector<std::uint8_t> image = ridgeDisc(203, 90);
    const QualityMap map = buildQualityMap(image.data(), 203, 203, QualityParameters {});
    EXPECT_EQ(map.width, 26);
    EXPECT_EQ(map.blockX(25, 203), 195);
    EXPECT_EQ(map.blockX(24, 203), 192);
}

TEST(Minutiae, ReliabilityStaysInTheBandOfTheBlockLevel)
{
    const int side = 320;
    std::vector<std::uint8_t> image = ridgeDisc(side, 130);
    breakRidges(image, side);
    const QualityParameters p;
    const QualityMap map = buildQualityMap(image.data(), side, side, p);
    const std::vector<Minutia> found = detectMinutiae(image.data(), side, side, map, p);
    ASSERT_GE(found.size(), 6u);
    static const double Low[5] = {0, 0.05, 0.10, 0.25, 0.50}, High[5] = {0, 0.09, 0.24, 0.49, 0.99};
    for (const Minutia &m : found) {
        const int level = map.at(m.x / QualityMap::Block, m.y / QualityMap::Block);
        ASSERT_GE(level, 1);
        EXPECT_GE(m.reliability, Low[level] - 1e-9);
        EXPECT_LE(m.reliability, High[level] + 1e-9);
    }
}

// Every ridge that crosses the edge of the print ends there in the ridge map; those ends are
// not the finger's minutiae. Near the background they are dropped, and the breaks cut into
// the ridges are found inside.
TEST(Minutiae, FewWhereTheRidgesLeaveThePrint)
{
    const int side = 320, radius = 130;
    std::vector<std::uint8_t> image = ridgeDisc(side, radius);
    breakRidges(image, side);
    const auto atEdge = [&](const std::vector<Minutia> &found) {
        return std::count_if(found.begin(), found.end(), [&](const Minutia &m) {
            return std::hypot(m.x - side / 2.0, m.y - side / 2.0) > radius - 16;
        });
    };
    QualityParameters p;
    const QualityMap map = buildQualityMap(image.data(), side, side, p);
    const std::vector<Minutia> found = detectMinutiae(image.data(), side, side, map, p);
    p.borderMargin = 0;
    const std::vector<Minutia> unchecked = detectMinutiae(image.data(), side, side, map, p);
    std::printf("minutiae at the edge: %d of %d, without the margin %d of %d\n", int(atEdge(found)), int(found.size()),
                int(atEdge(unchecked)), int(unchecked.size()));
    EXPECT_GE(found.size() - atEdge(found), 6u);
    EXPECT_LT(4 * atEdge(found), atEdge(unchecked));
}
