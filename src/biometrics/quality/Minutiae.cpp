#include "Minutiae.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qal::quality {
namespace {

constexpr int Block = QualityMap::Block;

// 1 = ridge, with a one-pixel frame of 0 around the image.
std::vector<std::uint8_t> ridgeMap(const std::uint8_t *pixels, int width, int height, const QualityMap &map,
                                   int reach)
{
    // Local mean: the 24 x 24 pixels around each block.
    std::vector<double> integral(std::size_t(width + 1) * (height + 1), 0.0);
    for (int y = 0; y < height; ++y) {
        double s = 0;
        for (int x = 0; x < width; ++x) {
            s += pixels[std::size_t(y) * width + x];
            integral[std::size_t(y + 1) * (width + 1) + x + 1] = integral[std::size_t(y) * (width + 1) + x + 1] + s;
        }
    }
    auto at = [&](int x, int y) { return integral[std::size_t(y) * (width + 1) + x]; };

    const int stride = width + 2;
    std::vector<std::uint8_t> ridges(std::size_t(stride) * (height + 2), 0);
    std::vector<int> dx(std::size_t(2 * reach + 1)), dy(std::size_t(2 * reach + 1));
    for (int by = 0; by < map.height; ++by) {
        for (int bx = 0; bx < map.width; ++bx) {
            const std::size_t bi = std::size_t(by) * map.width + bx;
            if (map.level[bi] == 0)
                continue;
            const int px = map.blockX(bx, width), py = map.blockY(by, height);
            const int x0 = std::max(0, px - Block), x1 = std::min(width, px + 2 * Block);
            const int y0 = std::max(0, py - Block), y1 = std::min(height, py + 2 * Block);
            const double mean = (at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0)) / ((x1 - x0) * (y1 - y0));
            for (int k = -reach; k <= reach; ++k) {
                dx[std::size_t(k + reach)] = int(std::lround(k * map.alongX[bi]));
                dy[std::size_t(k + reach)] = int(std::lround(k * map.alongY[bi]));
            }
            const double threshold = mean * (2 * reach + 1);
            for (int y = py; y < py + Block && y < height; ++y) {
                std::uint8_t *out = &ridges[std::size_t(y + 1) * stride + 1];
                for (int x = px; x < px + Block && x < width; ++x) {
                    int sum = 0;
                    for (std::size_t k = 0; k < dx.size(); ++k) {
                        const int sx = std::clamp(x + dx[k], 0, width - 1);
                        const int sy = std::clamp(y + dy[k], 0, height - 1);
                        sum += pixels[std::size_t(sy) * width + sx];
                    }
                    out[x] = sum < threshold ? 1 : 0;
                }
            }
        }
    }
    return ridges;
}

void thin(std::vector<std::uint8_t> &map, int width, int height)
{
    const int stride = width + 2;
    std::vector<std::size_t> remove;
    for (bool changed = true; changed;) {
        changed = false;
        for (int pass = 0; pass < 2; ++pass) {
            remove.clear();
            for (int y = 1; y <= height; ++y) {
                const std::uint8_t *r = &map[std::size_t(y) * stride];
                for (int x = 1; x <= width; ++x) {
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
}

double greyReliability(const std::uint8_t *pixels, int width, int height, int cx, int cy)
{
    constexpr int Radius = 5;
    int sum = 0, sum2 = 0, n = 0;
    for (int y = std::max(0, cy - Radius); y <= std::min(height - 1, cy + Radius); ++y)
        for (int x = std::max(0, cx - Radius); x <= std::min(width - 1, cx + Radius); ++x) {
            const int v = pixels[std::size_t(y) * width + x];
            sum += v;
            sum2 += v * v;
            ++n;
        }
    const double mean = double(sum) / n;
    const double sd = std::sqrt(std::max(0.0, double(sum2) / n - mean * mean));
    return std::min(1.0 - std::abs(mean - 127.0) / 127.0, std::min(1.0, sd / 64.0));
}

} // namespace

std::vector<Minutia> detectMinutiae(const std::uint8_t *pixels, int width, int height, const QualityMap &map,
                                    const QualityParameters &p)
{
    const std::vector<std::uint8_t> soft = smoothed(pixels, width, height, int(p.ridgeSmoothing));
    std::vector<std::uint8_t> ridges = ridgeMap(soft.data(), width, height, map, int(p.ridgeReach));
    thin(ridges, width, height);

    const int stride = width + 2;
    std::vector<Minutia> found;
    for (int y = 1; y <= height; ++y) {
        const std::uint8_t *r = &ridges[std::size_t(y) * stride];
        for (int x = 1; x <= width; ++x) {
            if (!r[x])
                continue;
            const std::uint8_t n[8] = {r[x - stride], r[x - stride + 1], r[x + 1], r[x + stride + 1],
                                       r[x + stride], r[x + stride - 1], r[x - 1], r[x - stride - 1]};
            int cn = 0;
            for (int k = 0; k < 8; ++k)
                cn += n[k] != n[(k + 1) % 8];
            cn /= 2;
            if (cn == 1 || cn == 3)
                found.push_back({x - 1, y - 1, 0.0});
        }
    }

    // Rows are sorted, so only a window of them is checked for close pairs.
    const int near = int(p.minSpacing);
    std::vector<char> spurious(found.size(), 0);
    for (std::size_t i = 0; i < found.size(); ++i) {
        for (std::size_t j = i + 1; j < found.size() && found[j].y - found[i].y <= near; ++j) {
            const int ddx = found[j].x - found[i].x, ddy = found[j].y - found[i].y;
            if (ddx * ddx + ddy * ddy <= near * near)
                spurious[i] = spurious[j] = 1;
        }
    }

    static constexpr double Base[5] = {0.0, 0.05, 0.10, 0.25, 0.50};
    static constexpr double Span[5] = {0.0, 0.04, 0.14, 0.24, 0.49};
    std::vector<Minutia> kept;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (spurious[i])
            continue;
        Minutia m = found[i];
        const int level = map.at(std::min(m.x / Block, map.width - 1), std::min(m.y / Block, map.height - 1));
        if (level == 0)
            continue;
        // grey levels of the image as it is, not as smoothed for the ridge map
        m.reliability = Base[level] + Span[level] * greyReliability(pixels, width, height, m.x, m.y);
        kept.push_back(m);
    }
    return kept;
}

} // namespace qal::quality
