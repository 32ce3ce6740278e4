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
    // Combined score: mean block quality + mean clarity - weight x minutiae per reliable
    // block (broken, porous or smudged ridges multiply false endings).
    double minutiaeWeight = 0.1;
    // NFIQ value from the combined score: 1 from cut[0] up, 2 from cut[1] up, ...
    std::array<double, 4> cuts {1.153, 1.076, 0.842, 0.772};
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
                  const std::vector<float> &quality, const std::vector<BlockStats> &stats)
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
    // 1 = ridge; a one-pixel frame of 0 keeps the neighbourhood reads inside.
    const int stride = w + 2;
    std::vector<std::uint8_t> map(std::size_t(stride) * (h + 2), 0);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t *row = pixels + std::size_t(y) * width;
        const std::uint8_t *up = y > 0 ? row - width : row;
        const std::uint8_t *down = y + 1 < height ? row + width : row;
        std::uint8_t *out = &map[std::size_t(y + 1) * stride + 1];
        for (int x = 0; x < w; ++x) {
            const std::size_t bi = std::size_t(y / Block) * bw + x / Block;
            if (quality[bi] <= 0.0f)
                continue;
            const int l = x > 0 ? x - 1 : x, r = x + 1 < width ? x + 1 : x;
            const int smooth = up[x] + down[x] + row[l] + row[r] + 4 * row[x];
            out[x] = smooth < localMean[bi] * 8 ? 1 : 0;
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
    std::vector<signed char> blockOk(quality.size(), -1);
    int minutiae = 0;
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
            if (cn != 1 && cn != 3)
                continue;
            const int bx = (x - 1) / Block, by = (y - 1) / Block;
            signed char &ok = blockOk[std::size_t(by) * bw + bx];
            if (ok < 0)
                ok = reliable(bx, by) ? 1 : 0;
            minutiae += ok;
        }
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
    f.minutiae = countMinutiae(pixels, width, height, bw, bh, blockQuality, stats);

    if (f.reliable < kCal.minReliableBlocks) {
        result.code = 2;
        result.nfiq = 5;
        return result;
    }

    f.score = f.meanQuality + f.meanClarity - kCal.minutiaeWeight * f.minutiae / f.reliable;
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
