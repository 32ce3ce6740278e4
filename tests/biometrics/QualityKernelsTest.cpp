// The scorer's fast kernels must give exactly what the plain methods give: a score that
// moved by one pixel of a ridge map is a different score.
#include "biometrics/quality/BlockWindows.h"
#include "biometrics/quality/QualityMap.h"
#include "biometrics/quality/Smoothing.h"
#include "biometrics/quality/Thinning.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace qal::quality;

namespace {

std::vector<std::uint8_t> noise(int width, int height, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> image(std::size_t(width) * height);
    for (std::uint8_t &p : image)
        p = std::uint8_t(rng() % 256);
    return image;
}

// The box blur done the slow way: every box summed afresh and divided.
std::vector<std::uint8_t> plainBlur(const std::vector<std::uint8_t> &image, int width, int height, int radius)
{
    std::vector<std::uint8_t> out = image;
    for (int twice = 0; twice < 2; ++twice) {
        for (int axis = 0; axis < 2; ++axis) {
            const std::vector<std::uint8_t> in = out;
            const int length = axis == 0 ? width : height;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const int at = axis == 0 ? x : y;
                    int sum = 0, n = 0;
                    for (int i = std::max(0, at - radius); i <= std::min(length - 1, at + radius); ++i, ++n)
                        sum += axis == 0 ? in[std::size_t(y) * width + i] : in[std::size_t(i) * width + x];
                    out[std::size_t(y) * width + x] = std::uint8_t((sum + n / 2) / n);
                }
        }
    }
    return out;
}

// Zhang and Suen's thinning, whole map scanned in every sub-iteration.
void plainThin(std::vector<std::uint8_t> &map, int width, int height)
{
    const int s = width + 2;
    for (bool changed = true; changed;) {
        changed = false;
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<std::size_t> remove;
            for (int y = 1; y <= height; ++y)
                for (int x = 1; x <= width; ++x) {
                    const std::size_t i = std::size_t(y) * s + x;
                    if (!map[i])
                        continue;
                    const int p[10] = {0, 0, map[i - s], map[i - s + 1], map[i + 1], map[i + s + 1],
                                       map[i + s], map[i + s - 1], map[i - 1], map[i - s - 1]};
                    int b = 0, a = 0;
                    for (int k = 2; k <= 9; ++k) {
                        b += p[k];
                        a += !p[k] && p[k == 9 ? 2 : k + 1];
                    }
                    const bool side = pass == 0 ? (p[2] * p[4] * p[6] == 0 && p[4] * p[6] * p[8] == 0)
                                                : (p[2] * p[4] * p[8] == 0 && p[2] * p[6] * p[8] == 0);
                    if (b >= 2 && b <= 6 && a == 1 && side)
                        remove.push_back(i);
                }
            for (std::size_t i : remove)
                map[i] = 0;
            changed = changed || !remove.empty();
        }
    }
}

} // namespace

TEST(QualityKernels, RoundedMeanIsTheRoundedDivisionForEverySumOfEveryBox)
{
    for (int n = 1; n <= 300; ++n) {
        const RoundedMean mean(n);
        EXPECT_EQ(mean.multiplies(), n < 256);
        for (std::uint32_t sum = 0; sum <= std::uint32_t(255 * n); ++sum)
            ASSERT_EQ(mean(sum), (sum + std::uint32_t(n / 2)) / std::uint32_t(n)) << "n " << n << " sum " << sum;
    }
}

TEST(QualityKernels, BlurEqualsTheBoxBlurSummedAfresh)
{
    // odd sizes, lines shorter than the box, radius 0
    const int sizes[][2] = {{37, 29}, {64, 8}, {5, 41}, {3, 3}, {1, 17}};
    for (const auto &size : sizes)
        for (int radius = 0; radius <= 4; ++radius) {
            const std::vector<std::uint8_t> image = noise(size[0], size[1], unsigned(radius * 100 + size[0]));
            EXPECT_EQ(smoothed(image.data(), size[0], size[1], radius), plainBlur(image, size[0], size[1], radius))
                << size[0] << " x " << size[1] << " radius " << radius;
        }
}

TEST(QualityKernels, WindowSumsEqualTheSumsOfEveryWindowsPixels)
{
    for (const auto &[width, height] : {std::pair {83, 61}, std::pair {40, 40}, std::pair {9, 23}}) {
        const std::vector<std::uint8_t> image = noise(width, height, unsigned(width));
        BlockWindowSums sums(width, height, 2);
        std::vector<std::int64_t> row(std::size_t(2) * width);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                row[std::size_t(x)] = image[std::size_t(y) * width + x];
                row[std::size_t(width + x)] = -3 * std::int64_t(image[std::size_t(y) * width + x]);
            }
            sums.addRow(row.data());
        }
        for (int by = 0; by < (height + 7) / 8; ++by)
            for (int bx = 0; bx < (width + 7) / 8; ++bx) {
                const WindowSpan across = windowSpan(bx, width), down = windowSpan(by, height);
                std::int64_t expected = 0;
                for (int y = down.begin; y < down.end; ++y)
                    for (int x = across.begin; x < across.end; ++x)
                        expected += image[std::size_t(y) * width + x];
                ASSERT_EQ(sums.sum(0, bx, by), expected) << width << " x " << height << " block " << bx << "," << by;
                ASSERT_EQ(sums.sum(1, bx, by), -3 * expected);
            }
    }
}

TEST(QualityKernels, WindowSpansAreTheBlocksWithEightPixelsAroundCutAtTheEdges)
{
    QualityMap map;
    EXPECT_EQ(windowSpan(0, 203).begin, 0);
    EXPECT_EQ(windowSpan(0, 203).end, 16);
    EXPECT_EQ(windowSpan(3, 203).begin, 16);
    EXPECT_EQ(windowSpan(3, 203).end, 40);
    // the last block lies flush against the edge (195..203), its window ends there
    EXPECT_EQ(windowSpan(25, 203).begin, map.blockX(25, 203) - 8);
    EXPECT_EQ(windowSpan(25, 203).end, 203);
}

TEST(QualityKernels, ThinningRemovesThePixelsThePlainMethodRemoves)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        const int width = 30 + int(rng() % 50), height = 20 + int(rng() % 50);
        // thick strokes and blobs, with holes: the shapes a ridge map has
        std::vector<std::uint8_t> map(std::size_t(width + 2) * (height + 2), 0);
        for (int k = 0; k < 12; ++k) {
            const int cx = 1 + int(rng() % unsigned(width)), cy = 1 + int(rng() % unsigned(height));
            const int rx = 1 + int(rng() % 9), ry = 1 + int(rng() % 9);
            for (int y = std::max(1, cy - ry); y <= std::min(height, cy + ry); ++y)
                for (int x = std::max(1, cx - rx); x <= std::min(width, cx + rx); ++x)
                    map[std::size_t(y) * (width + 2) + x] = rng() % 10 != 0;
        }
        std::vector<std::uint8_t> expected = map;
        plainThin(expected, width, height);
        thin(map, width, height);
        ASSERT_EQ(map, expected) << "round " << round;
    }
}
