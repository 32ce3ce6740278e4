#include "Minutiae.h"

#include "BlockWindows.h"
#include "Thinning.h"

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
    BlockWindowSums grey(width, height, 1);
    std::vector<std::int64_t> row(std::size_t(width), 0);
    for (int y = 0; y < height; ++y) {
        std::copy_n(pixels + std::size_t(y) * width, width, row.begin());
        grey.addRow(row.data());
    }

    const int stride = width + 2;
    std::vector<std::uint8_t> ridges(std::size_t(stride) * (height + 2), 0);
    std::vector<int> dx(std::size_t(2 * reach + 1)), dy(std::size_t(2 * reach + 1));
    std::vector<std::ptrdiff_t> offset(dx.size());
    for (int by = 0; by < map.height; ++by) {
        for (int bx = 0; bx < map.width; ++bx) {
            const std::size_t bi = std::size_t(by) * map.width + bx;
            if (map.level[bi] == 0)
                continue;
            const int px = map.blockX(bx, width), py = map.blockY(by, height);
            const WindowSpan across = windowSpan(bx, width), down = windowSpan(by, height);
            const double mean = double(grey.sum(0, bx, by))
                / ((across.end - across.begin) * (down.end - down.begin));
            for (int k = -reach; k <= reach; ++k) {
                dx[std::size_t(k + reach)] = int(std::lround(k * map.alongX[bi]));
                dy[std::size_t(k + reach)] = int(std::lround(k * map.alongY[bi]));
            }
            const double threshold = mean * (2 * reach + 1);
            // The samples of a block away from the image's edges need no clamping: they
            // are the same offsets from every pixel of the block.
            const bool inside = px >= reach && py >= reach && px + Block + reach <= width && py + Block + reach <= height;
            for (std::size_t k = 0; k < dx.size(); ++k)
                offset[k] = std::ptrdiff_t(dy[k]) * width + dx[k];
            for (int y = py; y < py + Block && y < height; ++y) {
                std::uint8_t *out = &ridges[std::size_t(y + 1) * stride + 1];
                for (int x = px; x < px + Block && x < width; ++x) {
                    int sum = 0;
                    if (inside) {
                        const std::uint8_t *at = pixels + std::size_t(y) * width + x;
                        for (std::ptrdiff_t o : offset)
                            sum += at[o];
                    } else {
                        for (std::size_t k = 0; k < dx.size(); ++k) {
                            const int sx = std::clamp(x + dx[k], 0, width - 1);
                            const int sy = std::clamp(y + dy[k], 0, height - 1);
                            sum += pixels[std::size_t(sy) * width + sx];
                        }
                    }
                    out[x] = sum < threshold ? 1 : 0;
                }
            }
        }
    }
    return ridges;
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

// Whether the square of half side `margin` around (x, y) reaches past the image or into a
// background block.
bool nearBackground(const QualityMap &map, int width, int height, int x, int y, int margin)
{
    if (x - margin < 0 || y - margin < 0 || x + margin >= width || y + margin >= height)
        return true;
    for (int by = (y - margin) / Block; by <= std::min(map.height - 1, (y + margin) / Block); ++by)
        for (int bx = (x - margin) / Block; bx <= std::min(map.width - 1, (x + margin) / Block); ++bx)
            if (map.at(bx, by) == 0)
                return true;
    return false;
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
        // where the ridge map stops, every ridge that crosses the edge ends
        if (p.borderMargin > 0 && nearBackground(map, width, height, m.x, m.y, int(p.borderMargin)))
            continue;
        // grey levels of the image as it is, not as smoothed for the ridge map
        m.reliability = Base[level] + Span[level] * greyReliability(pixels, width, height, m.x, m.y);
        kept.push_back(m);
    }
    return kept;
}

} // namespace qal::quality
