#include "QualityMap.h"

#include "BlockWindows.h"
#include "RidgeWaves.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

namespace qal::quality {
namespace {

constexpr int Block = QualityMap::Block;

// How a block's ridge direction was found.
enum Flow : std::uint8_t {
    Clear,    // its own, clearly
    Weak,     // its own, but the ridges hardly agree on it
    Borrowed, // none of its own: the mean of its neighbours'
};

// The grey levels of the windows of one row of blocks, from left to right. A window shares
// 16 of its 24 columns with the one before it, so only the columns that leave and the ones
// that come in are counted.
class GreyLevels
{
public:
    GreyLevels(const std::uint8_t *pixels, int width, WindowSpan rows)
        : m_pixels(pixels)
        , m_width(width)
        , m_rows(rows)
    {
    }

    // The next window of the row: its columns never start or end left of the last one's.
    void moveTo(WindowSpan columns)
    {
        if (columns.begin >= m_columns.end) {
            m_count.fill(0);
            m_columns = {columns.begin, columns.begin};
        }
        for (int x = m_columns.begin; x < columns.begin; ++x)
            countColumn(x, -1);
        for (int x = m_columns.end; x < columns.end; ++x)
            countColumn(x, 1);
        m_columns = columns;
    }

    // Grey levels between the 10th and the 90th percentile: the lowest levels that at least
    // a tenth, and nine tenths, of the window's pixels do not exceed.
    int spread() const
    {
        const int n = (m_columns.end - m_columns.begin) * (m_rows.end - m_rows.begin);
        int low = 0, seen = m_count[0];
        while (seen * 10 < n)
            seen += m_count[std::size_t(++low)];
        int high = 255, atMost = n; // pixels at or below high
        while (high > 0 && (atMost - m_count[std::size_t(high)]) * 10 >= n * 9)
            atMost -= m_count[std::size_t(high--)];
        return high - low;
    }

private:
    void countColumn(int x, int step)
    {
        const std::uint8_t *p = m_pixels + std::size_t(m_rows.begin) * m_width + x;
        for (int y = m_rows.begin; y < m_rows.end; ++y, p += m_width)
            m_count[*p] += step;
    }

    const std::uint8_t *m_pixels;
    int m_width;
    WindowSpan m_rows;
    WindowSpan m_columns;
    std::array<int, 256> m_count {};
};

} // namespace

int QualityMap::blockX(int bx, int imageWidth) const
{
    return std::min(bx * Block, std::max(0, imageWidth - Block));
}

int QualityMap::blockY(int by, int imageHeight) const
{
    return std::min(by * Block, std::max(0, imageHeight - Block));
}

int QualityMap::foreground() const
{
    return int(std::count_if(level.begin(), level.end(), [](std::uint8_t l) { return l > 0; }));
}

QualityMap buildQualityMap(const std::uint8_t *pixels, int width, int height, const QualityParameters &p)
{
    QualityMap map;
    map.width = (width + Block - 1) / Block;
    map.height = (height + Block - 1) / Block;
    const std::size_t blocks = std::size_t(map.width) * map.height;
    map.level.assign(blocks, 0);
    map.alongX.assign(blocks, 0.0f);
    map.alongY.assign(blocks, 0.0f);

    // Gradient structure tensor (Sobel) of every inner pixel of the smoothed image, summed
    // over each block's window.
    const std::vector<std::uint8_t> soft = smoothed(pixels, width, height, int(p.smoothing));
    BlockWindowSums tensor(width, height, 3);
    std::vector<std::int64_t> products(std::size_t(3) * width, 0); // gx gx, gy gy, gx gy of a row
    std::int64_t *xx = products.data(), *yy = xx + width, *xy = yy + width;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *row = soft.data() + std::size_t(y) * width;
        const std::uint8_t *up = y > 0 ? row - width : row;
        const std::uint8_t *down = y < height - 1 ? row + width : row;
        for (int x = 1; x < width - 1; ++x) {
            const int gx = (up[x + 1] + 2 * row[x + 1] + down[x + 1]) - (up[x - 1] + 2 * row[x - 1] + down[x - 1]);
            const int gy = (down[x - 1] + 2 * down[x] + down[x + 1]) - (up[x - 1] + 2 * up[x] + up[x + 1]);
            xx[x] = gx * gx;
            yy[x] = gy * gy;
            xy[x] = gx * gy;
        }
        tensor.addRow(products.data());
    }

    const bool useWaves = p.flowAnisotropy > 0 || p.minWaveAmplitude > 0 || p.minWavePeak > 0;
    const std::vector<RidgeWave> waves = useWaves ? ridgeWaves(pixels, width, height) : std::vector<RidgeWave>();

    // Contrast and direction of each block's window. A window has a ridge direction when one
    // ridge wave stands out of the sixteen directions at its period: that holds for faint
    // ridges as for dark ones, and fails where blur or noise leave no ridge pattern, however
    // much grey-level spread is left.
    std::vector<std::uint8_t> contrast(blocks, 0), valid(blocks, 0), flow(blocks, Clear);
    std::vector<float> dir2x(blocks, 0.0f), dir2y(blocks, 0.0f); // doubled-angle unit vectors
    for (int by = 0; by < map.height; ++by) {
        const WindowSpan rows = windowSpan(by, height);
        GreyLevels levels(pixels, width, rows);
        for (int bx = 0; bx < map.width; ++bx) {
            const std::size_t i = std::size_t(by) * map.width + bx;
            levels.moveTo(windowSpan(bx, width));
            if (levels.spread() < p.minContrast)
                continue;
            contrast[i] = 1;

            const double xx = double(tensor.sum(0, bx, by)), yy = double(tensor.sum(1, bx, by)),
                         xy = double(tensor.sum(2, bx, by));
            const double energy = xx + yy;
            const double coherence = energy > 0 ? std::sqrt((xx - yy) * (xx - yy) + 4 * xy * xy) / energy : 0.0;
            if (coherence < p.minCoherence)
                continue;
            if (useWaves && (waves[i].amplitude < p.minWaveAmplitude || waves[i].peak < p.minWavePeak))
                continue;
            valid[i] = 1;
            const bool weak = coherence < p.flowCoherence || (useWaves && waves[i].anisotropy < p.flowAnisotropy);
            flow[i] = weak ? Weak : Clear;
            const double theta = 0.5 * std::atan2(2 * xy, xx - yy); // across the ridges
            map.alongX[i] = float(-std::sin(theta));
            map.alongY[i] = float(std::cos(theta));
            dir2x[i] = float(std::cos(2 * theta));
            dir2y[i] = float(std::sin(2 * theta));
        }
    }

    // An isolated direction is noise that happened to line up: a block with fewer neighbours
    // that have a direction than this loses its own.
    if (p.minValidNeighbours > 0) {
        const std::vector<std::uint8_t> before = valid;
        for (int by = 0; by < map.height; ++by)
            for (int bx = 0; bx < map.width; ++bx) {
                const std::size_t i = std::size_t(by) * map.width + bx;
                if (!before[i])
                    continue;
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = bx + dx, ny = by + dy;
                        if ((dx || dy) && nx >= 0 && ny >= 0 && nx < map.width && ny < map.height)
                            n += before[std::size_t(ny) * map.width + nx];
                    }
                if (n < p.minValidNeighbours)
                    valid[i] = 0;
            }
    }

    // A block with contrast but no clear direction of its own takes the mean direction of
    // its neighbours when enough of them have one (not background); repeated
    // while blocks are still filled in.
    const int fill = int(p.fillNeighbours);
    for (bool changed = fill > 0; changed;) {
        changed = false;
        const std::vector<std::uint8_t> before = valid;
        for (int by = 0; by < map.height; ++by) {
            for (int bx = 0; bx < map.width; ++bx) {
                const std::size_t i = std::size_t(by) * map.width + bx;
                if (before[i] || !contrast[i])
                    continue;
                double cx = 0, cy = 0;
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = bx + dx, ny = by + dy;
                        if (nx < 0 || ny < 0 || nx >= map.width || ny >= map.height)
                            continue;
                        const std::size_t j = std::size_t(ny) * map.width + nx;
                        if (before[j]) {
                            cx += dir2x[j];
                            cy += dir2y[j];
                            ++n;
                        }
                    }
                if (n < fill || cx * cx + cy * cy == 0)
                    continue;
                const double theta = 0.5 * std::atan2(cy, cx);
                valid[i] = 1;
                flow[i] = Borrowed;
                map.alongX[i] = float(-std::sin(theta));
                map.alongY[i] = float(std::cos(theta));
                dir2x[i] = float(std::cos(2 * theta));
                dir2y[i] = float(std::sin(2 * theta));
                changed = true;
            }
        }
    }

    // Distance of each block to the background in blocks (8-neighbour steps).
    const int far = 1 << 20;
    std::vector<int> distance(blocks, far);
    std::deque<std::size_t> queue;
    for (int by = 0; by < map.height; ++by) {
        for (int bx = 0; bx < map.width; ++bx) {
            const std::size_t i = std::size_t(by) * map.width + bx;
            const bool border = bx == 0 || by == 0 || bx == map.width - 1 || by == map.height - 1;
            if (!valid[i]) {
                distance[i] = 0;
                queue.push_back(i);
            } else if (border && p.imageEdgeIsBackground > 0) {
                distance[i] = 1;
                queue.push_back(i);
            }
        }
    }
    while (!queue.empty()) {
        const std::size_t i = queue.front();
        queue.pop_front();
        const int bx = int(i % map.width), by = int(i / map.width);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = bx + dx, ny = by + dy;
                if (nx < 0 || ny < 0 || nx >= map.width || ny >= map.height)
                    continue;
                const std::size_t j = std::size_t(ny) * map.width + nx;
                if (distance[j] > distance[i] + 1) {
                    distance[j] = distance[i] + 1;
                    queue.push_back(j);
                }
            }
    }

    const int ring1 = int(p.ring1), ring2 = ring1 + int(p.ring2), ring3 = ring2 + int(p.ring3);
    for (int by = 0; by < map.height; ++by) {
        for (int bx = 0; bx < map.width; ++bx) {
            const std::size_t i = std::size_t(by) * map.width + bx;
            if (!valid[i])
                continue;
            // Curvature: how far the directions of the 3 x 3 blocks are from agreeing.
            double cx = 0, cy = 0;
            int n = 0;
            bool nearUnclear = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = bx + dx, ny = by + dy;
                    if (nx < 0 || ny < 0 || nx >= map.width || ny >= map.height)
                        continue;
                    const std::size_t j = std::size_t(ny) * map.width + nx;
                    if (!valid[j])
                        continue;
                    nearUnclear = nearUnclear || flow[j] != Clear;
                    cx += dir2x[j];
                    cy += dir2y[j];
                    ++n;
                }
            const double curvature = 1.0 - std::sqrt(cx * cx + cy * cy) / n;
            // A block whose own direction is weak is worse off than one that borrowed a
            // direction from clear neighbours; either lowers itself and the blocks around it.
            int level = flow[i] == Weak ? int(p.weakFlowLevel) : 4;
            if (nearUnclear)
                level = std::min(level, int(p.nearUnclearLevel));
            if (curvature > p.maxCurvature)
                level = std::min(level, 3);
            const int d = distance[i];
            level = std::min(level, d <= ring1 ? 1 : d <= ring2 ? 2 : d <= ring3 ? 3 : 4);
            map.level[i] = std::uint8_t(level);
        }
    }
    return map;
}

} // namespace qal::quality
