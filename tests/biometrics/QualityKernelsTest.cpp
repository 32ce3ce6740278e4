// The scorer's fast kernels must give exactly what the plain methods give: a score that
// moved by one pixel of a ridge map is a different score.
#include "biometrics/quality/BlockWindows.h"
#include "biometrics/quality/QualityMap.h"
#include "biometrics/quality/RidgeWaves.h"
#include "biometrics/quality/Smoothing.h"
#include "biometrics/quality/Thinning.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

namespace {

// One block's waves the slow way: the image halved, every pixel of the block's window
// multiplied by each wave afresh, the window's mean taken out of the pixels first.
RidgeWave plainWave(const std::vector<std::uint8_t> &image, int width, int height, int bx, int by)
{
    const int hw = (width + 1) / 2, hh = (height + 1) / 2;
    std::vector<double> half(std::size_t(hw) * hh);
    for (int y = 0; y < hh; ++y)
        for (int x = 0; x < hw; ++x) {
            const int x1 = std::min(2 * x + 1, width - 1), y1 = std::min(2 * y + 1, height - 1);
            half[std::size_t(y) * hw + x] = (image[std::size_t(2 * y) * width + 2 * x] + image[std::size_t(2 * y) * width + x1]
                                             + image[std::size_t(y1) * width + 2 * x] + image[std::size_t(y1) * width + x1] + 2) / 4;
        }
    const int cellsX = (hw + 3) / 4, cellsY = (hh + 3) / 4;
    const int x0 = std::max(0, bx - 1) * 4, x1 = std::min(hw, (std::min(cellsX - 1, bx + 1) + 1) * 4);
    const int y0 = std::max(0, by - 1) * 4, y1 = std::min(hh, (std::min(cellsY - 1, by + 1) + 1) * 4);
    const double n = double(x1 - x0) * (y1 - y0);
    double mean = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            mean += half[std::size_t(y) * hw + x];
    mean /= n;
    double power[16] = {}, total = 0, best = 0, periodTotal[5] = {}, strongest = 0;
    int strongestPeriod = 1;
    for (int d = 0; d < 16; ++d) {
        for (int k = 1; k <= 4; ++k) {
            const double w = 2 * M_PI * k / 12, wx = w * std::cos(M_PI * d / 16), wy = w * std::sin(M_PI * d / 16);
            double re = 0, im = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    const double v = half[std::size_t(y) * hw + x] - mean;
                    re += v * std::cos(wx * x + wy * y);
                    im -= v * std::sin(wx * x + wy * y);
                }
            const double p = re * re + im * im;
            if (k >= 2)
                power[d] += p;
            periodTotal[k] += p;
            if (p > strongest) {
                strongest = p;
                strongestPeriod = k;
            }
        }
        total += power[d];
        best = std::max(best, power[d]);
    }
    RidgeWave r;
    r.anisotropy = float(best * 16 / total);
    r.amplitude = float(std::sqrt(strongest) / n);
    r.peak = float(strongest * 16 / periodTotal[strongestPeriod]);
    return r;
}

} // namespace

TEST(RidgeWaves, EachBlockAsMeasuredTheSlowWay)
{
    for (const auto &[w, h] : {std::pair {96, 80}, std::pair {101, 67}}) {
        std::vector<std::uint8_t> image(std::size_t(w) * h);
        std::mt19937 rng(5);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image[std::size_t(y) * w + x] = std::uint8_t(std::clamp(
                    128 + 90 * std::sin(2 * M_PI * (0.8 * x + 0.6 * y) / 9.5) + double(rng() % 41) - 20, 0.0, 255.0));
        const std::vector<RidgeWave> waves = ridgeWaves(image.data(), w, h);
        const int bw = (w + 7) / 8, bh = (h + 7) / 8;
        ASSERT_EQ(waves.size(), std::size_t(bw) * bh);
        for (int by = 0; by < bh; ++by)
            for (int bx = 0; bx < bw; ++bx) {
                const RidgeWave fast = waves[std::size_t(by) * bw + bx], plain = plainWave(image, w, h, bx, by);
                EXPECT_NEAR(fast.anisotropy, plain.anisotropy, 2e-3) << w << "x" << h << " block " << bx << "," << by;
                EXPECT_NEAR(fast.peak, plain.peak, 2e-3) << w << "x" << h << " block " << bx << "," << by;
                EXPECT_NEAR(fast.amplitude, plain.amplitude, 1e-3 * plain.amplitude) << w << "x" << h << " block " << bx << "," << by;
            }
    }
}

TEST(RidgeWaves, ParallelRidgesStandOutNoiseAndFlatGreyDoNot)
{
    const int w = 160, h = 160;
    std::vector<std::uint8_t> ridges(std::size_t(w) * h), faint(ridges.size()), flat(std::size_t(w) * h, 140);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double wave = std::sin(2 * M_PI * (0.5 * x + 0.866 * y) / 10.0);
            ridges[std::size_t(y) * w + x] = std::uint8_t(128 + 100 * wave);
            faint[std::size_t(y) * w + x] = std::uint8_t(std::lround(128 + 6 * wave));
        }
    const std::vector<std::uint8_t> random = noise(w, h, 9);
    const auto r = ridgeWaves(ridges.data(), w, h), n = ridgeWaves(random.data(), w, h), f = ridgeWaves(flat.data(), w, h);
    const auto t = ridgeWaves(faint.data(), w, h);
    const int blocks = w / 8;
    for (std::size_t i = 0; i < r.size(); ++i) {
        // windows cut by the image's edge hold less of the wave
        const int bx = int(i) % blocks, by = int(i) / blocks;
        const bool inner = bx > 0 && by > 0 && bx < blocks - 1 && by < blocks - 1;
        EXPECT_GT(r[i].anisotropy, inner ? 6.0f : 4.0f) << i;
        EXPECT_LT(n[i].anisotropy, 4.0f) << i;
        EXPECT_EQ(f[i].anisotropy, 1.0f) << i;
        // the peak is what tells ridges from background; faint ridges keep it (a wave between
        // the measured periods and directions spreads over its neighbours)
        EXPECT_GT(r[i].peak, 4.0f) << i;
        EXPECT_GT(t[i].peak, 4.0f) << i;
        EXPECT_EQ(f[i].peak, 1.0f) << i;
        EXPECT_GT(r[i].amplitude, 10 * t[i].amplitude) << i;
    }
    // In noise some wave always comes out strongest, but by little.
    double noisePeak = 0;
    for (const RidgeWave &b : n)
        noisePeak += b.peak / double(n.size());
    EXPECT_LT(noisePeak, 3.5);
}
