#include "QualityScorer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace qal::quality {
namespace {

constexpr int Block = 16;
constexpr int ProfileLength = 32; // samples across the ridges (about three ridge periods)
constexpr int ProfileWidth = 16;  // samples along the ridges, averaged into each profile value

// Calibrated on the labelled finger images (see tests/biometrics/QualityAccuracyTest.cpp).
struct Calibration
{
    double minForegroundStd = 9.0;     // grey-level standard deviation of a foreground block
    double coherenceLow = 0.20, coherenceHigh = 0.70;
    double clarityLow = 0.15, clarityHigh = 0.65;
    double minPeriod = 5.0, maxPeriod = 15.0;
    double reliableQuality = 0.5;      // block quality from which a block counts as reliable
    int minReliableBlocks = 6;         // fewer: too little ridge structure to score
    // Combined score: the share of foreground blocks that are reliable, less a weight times
    // ln(1 + minutiae of reliability above 0.5). At an equal reliable share, NFIQ values on
    // the labelled set fall as the count of detected minutiae grows (large inked impressions
    // with worn or porous ridges score worse than clean plain ones).
    double minutiaeWeight = 0.1;
    // NFIQ value from the combined score: 1 from cut[0] up, 2 from cut[1] up, ...
    std::array<double, 4> cuts {0.376, 0.158, 0.083, -0.019};
};

const Calibration kCal;

struct BlockStats
{
    double sum = 0, sum2 = 0;
    double gxx = 0, gyy = 0, gxy = 0;
    int n = 0, ng = 0;
};

double ramp(double v, double lo, double hi)
{
    return std::clamp((v - lo) / (hi - lo), 0.0, 1.0);
}

// Ridge map: a pixel is ridge (dark) when it is darker than the mean of its 3 x 3 blocks.
// The map is thinned (Zhang-Suen) and ridge endings and bifurcations are counted by the
// crossing number, only inside reliable blocks whose eight neighbours are also foreground
// (minutiae at the print's edge are artefacts of the cut).
int countMinutiae(const std::uint8_t *pixels, int width, int height, int bw, int bh,
                  const std::vector<float> &quality, const std::vector<BlockStats> &stats,
                  const std::vector<float> &alongX, const std::vector<float> &alongY, int *strong,
                  int *byReliability)
{
    const int w = bw * Block, h = bh * Block;
    std::vector<double> localMean(quality.size());
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            double s = 0;
            int n = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = bx + dx, ny = by + dy;
                    if (nx < 0 || ny < 0 || nx >= bw || ny >= bh)
                        continue;
                    const BlockStats &b = stats[std::size_t(ny) * bw + nx];
                    s += b.sum;
                    n += b.n;
                }
            localMean[std::size_t(by) * bw + bx] = s / n;
        }
    }
    // 1 = ridge; a one-pixel frame of 0 keeps the neighbourhood reads inside. Each pixel is
    // first averaged with its neighbours along the ridge (seven samples, block orientation),
    // which bridges pores and small breaks without merging neighbouring ridges.
    const int stride = w + 2;
    std::vector<std::uint8_t> map(std::size_t(stride) * (h + 2), 0);
    constexpr int Reach = 3;
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            const std::size_t bi = std::size_t(by) * bw + bx;
            if (quality[bi] <= 0.0f)
                continue;
            int dx[2 * Reach + 1], dy[2 * Reach + 1];
            for (int k = -Reach; k <= Reach; ++k) {
                dx[k + Reach] = int(std::lround(k * alongX[bi]));
                dy[k + Reach] = int(std::lround(k * alongY[bi]));
            }
            const double threshold = localMean[bi] * (2 * Reach + 1);
            for (int y = by * Block; y < (by + 1) * Block; ++y) {
                std::uint8_t *out = &map[std::size_t(y + 1) * stride + 1];
                for (int x = bx * Block; x < (bx + 1) * Block; ++x) {
                    int sum = 0;
                    for (int k = 0; k <= 2 * Reach; ++k) {
                        const int sx = std::clamp(x + dx[k], 0, width - 1);
                        const int sy = std::clamp(y + dy[k], 0, height - 1);
                        sum += pixels[std::size_t(sy) * width + sx];
                    }
                    out[x] = sum < threshold ? 1 : 0;
                }
            }
        }
    }
    // Zhang-Suen thinning.
    std::vector<std::size_t> remove;
    for (bool changed = true; changed;) {
        changed = false;
        for (int pass = 0; pass < 2; ++pass) {
            remove.clear();
            for (int y = 1; y <= h; ++y) {
                const std::uint8_t *r = &map[std::size_t(y) * stride];
                for (int x = 1; x <= w; ++x) {
                    if (!r[x])
                        continue;
                    const std::uint8_t p2 = r[x - stride], p3 = r[x - stride + 1], p4 = r[x + 1],
                                       p5 = r[x + stride + 1], p6 = r[x + stride], p7 = r[x + stride - 1],
                                       p8 = r[x - 1], p9 = r[x - stride - 1];
                    const int b = p2 + p3 + p4 + p5 + p6 + p7 + p8 + p9;
                    if (b < 2 || b > 6)
                        continue;
                    const int a = (!p2 && p3) + (!p3 && p4) + (!p4 && p5) + (!p5 && p6) + (!p6 && p7)
                        + (!p7 && p8) + (!p8 && p9) + (!p9 && p2);
                    if (a != 1)
                        continue;
                    if (pass == 0 ? (p2 * p4 * p6 == 0 && p4 * p6 * p8 == 0)
                                  : (p2 * p4 * p8 == 0 && p2 * p6 * p8 == 0))
                        remove.push_back(std::size_t(y) * stride + x);
                }
            }
            for (std::size_t i : remove)
                map[i] = 0;
            changed = changed || !remove.empty();
        }
    }
    auto reliable = [&](int bx, int by) {
        if (quality[std::size_t(by) * bw + bx] < kCal.reliableQuality)
            return false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = bx + dx, ny = by + dy;
                if (nx < 0 || ny < 0 || nx >= bw || ny >= bh || quality[std::size_t(ny) * bw + nx] <= 0.0f)
                    return false;
            }
        return true;
    };
    struct Point
    {
        int x, y;
    };
    std::vector<Point> found;
    for (int y = 1; y <= h; ++y) {
        const std::uint8_t *r = &map[std::size_t(y) * stride];
        for (int x = 1; x <= w; ++x) {
            if (!r[x])
                continue;
            const std::uint8_t n[8] = {r[x - stride], r[x - stride + 1], r[x + 1], r[x + stride + 1],
                                       r[x + stride], r[x + stride - 1], r[x - 1], r[x - stride - 1]};
            int cn = 0;
            for (int k = 0; k < 8; ++k)
                cn += n[k] != n[(k + 1) % 8];
            cn /= 2;
            if (cn == 1 || cn == 3)
                found.push_back({x - 1, y - 1});
        }
    }
    // Minutiae closer than a ridge period to another one are the two ends of a break or the
    // feet of a bridge: neither counts. Rows are sorted, so only a window of them is checked.
    constexpr int Near = 7;
    std::vector<char> spurious(found.size(), 0);
    for (std::size_t i = 0; i < found.size(); ++i) {
        for (std::size_t j = i + 1; j < found.size() && found[j].y - found[i].y <= Near; ++j) {
            const int ddx = found[j].x - found[i].x, ddy = found[j].y - found[i].y;
            if (ddx * ddx + ddy * ddy <= Near * Near)
                spurious[i] = spurious[j] = 1;
        }
    }
    std::vector<signed char> blockOk(quality.size(), -1);
    int minutiae = 0;
    *strong = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (spurious[i])
            continue;
        const int bx = found[i].x / Block, by = found[i].y / Block;
        const float q = quality[std::size_t(by) * bw + bx];
        signed char &ok = blockOk[std::size_t(by) * bw + bx];
        if (ok < 0)
            ok = reliable(bx, by) ? 1 : 0;
        minutiae += ok;
        if (ok && q >= 0.8f)
            ++*strong;

        // Reliability of the minutia: the tier of its block, refined by the grey levels
        // around it (a mid-grey mean and a wide spread are what clear ridges give).
        int sum = 0, sum2 = 0, n = 0;
        for (int y = std::max(0, found[i].y - 5); y <= std::min(height - 1, found[i].y + 5); ++y)
            for (int x = std::max(0, found[i].x - 5); x <= std::min(width - 1, found[i].x + 5); ++x) {
                const int p = pixels[std::size_t(y) * width + x];
                sum += p;
                sum2 += p * p;
                ++n;
            }
        const double mean = double(sum) / n;
        const double sd = std::sqrt(std::max(0.0, double(sum2) / n - mean * mean));
        const double grey = std::min(1.0 - std::abs(mean - 127.0) / 127.0, std::min(1.0, sd / 64.0));
        double rel;
        if (q >= 0.75f)
            rel = 0.50 + 0.49 * grey;
        else if (q >= 0.5f)
            rel = 0.25 + 0.24 * grey;
        else if (q >= 0.25f)
            rel = 0.10 + 0.14 * grey;
        else
            rel = 0.05 + 0.04 * grey;
        static const double levels[5] = {0.5, 0.6, 0.75, 0.8, 0.9};
        for (int k = 0; k < 5; ++k)
            byReliability[k] += rel > levels[k];
    }
    return minutiae;
}

} // namespace

QualityResult scoreFingerprint(const std::uint8_t *pixels, int width, int height)
{
    QualityResult result;
    QualityFeatures &f = result.features;
    if (!pixels || width < 2 * Block || height < 2 * Block) {
        result.code = 1;
        result.nfiq = 5;
        return result;
    }

    const int bw = width / Block;
    const int bh = height / Block;
    f.blocks = bw * bh;
    std::vector<BlockStats> stats(static_cast<std::size_t>(f.blocks));

    // Grey-level moments and the gradient structure tensor (Sobel) per block.
    for (int y = 0; y < bh * Block; ++y) {
        const std::uint8_t *row = pixels + static_cast<std::size_t>(y) * width;
        const bool inner = y > 0 && y < height - 1;
        const std::uint8_t *up = inner ? row - width : row;
        const std::uint8_t *down = inner ? row + width : row;
        BlockStats *brow = &stats[static_cast<std::size_t>(y / Block) * bw];
        for (int bx = 0; bx < bw; ++bx) {
            BlockStats &b = brow[bx];
            long s = 0, s2 = 0, xx = 0, yy = 0, xy = 0;
            int ng = 0;
            const int x0 = bx * Block;
            for (int x = x0; x < x0 + Block; ++x) {
                const int p = row[x];
                s += p;
                s2 += p * p;
                if (inner && x > 0 && x < width - 1) {
                    const int gx = (up[x + 1] + 2 * row[x + 1] + down[x + 1]) - (up[x - 1] + 2 * row[x - 1] + down[x - 1]);
                    const int gy = (down[x - 1] + 2 * down[x] + down[x + 1]) - (up[x - 1] + 2 * up[x] + up[x + 1]);
                    xx += gx * gx;
                    yy += gy * gy;
                    xy += gx * gy;
                    ++ng;
                }
            }
            b.sum += double(s);
            b.sum2 += double(s2);
            b.gxx += double(xx);
            b.gyy += double(yy);
            b.gxy += double(xy);
            b.n += Block;
            b.ng += ng;
        }
    }

    std::vector<double> stdDev(stats.size());
    bool anyContrast = false;
    for (std::size_t i = 0; i < stats.size(); ++i) {
        const BlockStats &b = stats[i];
        const double mean = b.sum / b.n;
        stdDev[i] = std::sqrt(std::max(0.0, b.sum2 / b.n - mean * mean));
        anyContrast = anyContrast || stdDev[i] > 1.0;
    }
    if (!anyContrast) {
        result.code = 1;
        result.nfiq = 5;
        return result;
    }

    std::vector<float> blockQuality(stats.size(), 0.0f);
    std::vector<float> alongX(stats.size(), 0.0f), alongY(stats.size(), 0.0f);
    double sumCoherence = 0, sumClarity = 0, sumQuality = 0;
    int validFreq = 0;
    std::array<double, ProfileLength> profile {};
    std::array<int, ProfileLength> counts {};

    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            const std::size_t i = static_cast<std::size_t>(by) * bw + bx;
            if (stdDev[i] < kCal.minForegroundStd)
                continue;
            ++f.foreground;

            // Orientation from the tensor smoothed over the 3 x 3 neighbouring blocks.
            double xx = 0, yy = 0, xy = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = bx + dx, ny = by + dy;
                    if (nx < 0 || ny < 0 || nx >= bw || ny >= bh)
                        continue;
                    const BlockStats &n = stats[static_cast<std::size_t>(ny) * bw + nx];
                    const double w = (dx == 0 && dy == 0) ? 2.0 : 1.0;
                    xx += w * n.gxx;
                    yy += w * n.gyy;
                    xy += w * n.gxy;
                }
            }
            const double energy = xx + yy;
            const double coherence = energy > 0 ? std::sqrt((xx - yy) * (xx - yy) + 4 * xy * xy) / energy : 0.0;
            const double theta = 0.5 * std::atan2(2 * xy, xx - yy); // gradient direction: across the ridges
            const double cx = std::cos(theta), sy = std::sin(theta);

            // Profile across the ridges through the block centre.
            profile.fill(0);
            counts.fill(0);
            double ps = 0, ps2 = 0;
            int pn = 0;
            const double ox = bx * Block + Block / 2.0, oy = by * Block + Block / 2.0;
            for (int u = 0; u < ProfileLength; ++u) {
                const double du = u - ProfileLength / 2.0 + 0.5;
                for (int v = 0; v < ProfileWidth; ++v) {
                    const double dv = v - ProfileWidth / 2.0 + 0.5;
                    const int x = static_cast<int>(std::lround(ox + du * cx - dv * sy));
                    const int y = static_cast<int>(std::lround(oy + du * sy + dv * cx));
                    if (x < 0 || y < 0 || x >= width || y >= height)
                        continue;
                    const int p = pixels[static_cast<std::size_t>(y) * width + x];
                    profile[u] += p;
                    ++counts[u];
                    ps += p;
                    ps2 += double(p) * p;
                    ++pn;
                }
            }
            int used = 0;
            double ms = 0, ms2 = 0;
            std::array<double, ProfileLength> s {};
            for (int u = 0; u < ProfileLength; ++u) {
                if (counts[u] == 0)
                    continue;
                s[used] = profile[u] / counts[u];
                ms += s[used];
                ms2 += s[used] * s[used];
                ++used;
            }
            double clarity = 0;
            double period = 0;
            if (used >= ProfileLength / 2 && pn > 0) {
                const double pm = ps / pn;
                const double pixelVar = ps2 / pn - pm * pm;
                ms /= used;
                const double profileVar = ms2 / used - ms * ms;
                clarity = pixelVar > 0 ? std::clamp(profileVar / pixelVar, 0.0, 1.0) : 0.0;
                // Ridge period from the valleys' (bright) peaks of the smoothed profile.
                std::array<double, ProfileLength> sm {};
                for (int u = 0; u < used; ++u) {
                    const double a = s[std::max(0, u - 1)], b = s[u], c = s[std::min(used - 1, u + 1)];
                    sm[u] = (a + 2 * b + c) / 4;
                }
                int first = -1, last = -1, peaks = 0;
                for (int u = 1; u + 1 < used; ++u) {
                    if (sm[u] > sm[u - 1] && sm[u] >= sm[u + 1] && sm[u] > ms) {
                        if (first < 0)
                            first = u;
                        last = u;
                        ++peaks;
                    }
                }
                if (peaks >= 2)
                    period = double(last - first) / (peaks - 1);
            }
            const bool freqOk = period >= kCal.minPeriod && period <= kCal.maxPeriod;
            if (freqOk)
                ++validFreq;

            const double q = ramp(coherence, kCal.coherenceLow, kCal.coherenceHigh)
                * ramp(clarity, kCal.clarityLow, kCal.clarityHigh) * (freqOk ? 1.0 : 0.5);
            sumCoherence += coherence;
            sumClarity += clarity;
            sumQuality += q;
            blockQuality[i] = float(q);
            alongX[i] = float(-sy);
            alongY[i] = float(cx);
            ++f.histogram[std::min(9, int(q * 10))];
            if (q >= kCal.reliableQuality)
                ++f.reliable;
        }
    }

    if (f.foreground > 0) {
        f.meanCoherence = sumCoherence / f.foreground;
        f.meanClarity = sumClarity / f.foreground;
        f.validFrequency = double(validFreq) / f.foreground;
        f.meanQuality = sumQuality / f.foreground;
    }
    f.qualityArea = sumQuality;
    f.minutiae = countMinutiae(pixels, width, height, bw, bh, blockQuality, stats, alongX, alongY,
                               &f.strongMinutiae, f.minutiaeAbove);

    if (f.reliable < kCal.minReliableBlocks) {
        result.code = 2;
        result.nfiq = 5;
        return result;
    }

    f.score = double(f.reliable) / f.foreground - kCal.minutiaeWeight * std::log1p(double(f.minutiaeAbove[0]));
    result.code = 0;
    result.nfiq = 5;
    for (std::size_t k = 0; k < kCal.cuts.size(); ++k) {
        if (f.score >= kCal.cuts[k]) {
            result.nfiq = int(k) + 1;
            break;
        }
    }
    return result;
}

} // namespace qal::quality
