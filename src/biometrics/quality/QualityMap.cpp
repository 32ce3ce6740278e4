#include "QualityMap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

namespace qal::quality {
namespace {

constexpr int Block = QualityMap::Block;
constexpr int Margin = 8; // the window reaches this far beyond the block on each side

// Sums over rectangles in constant time.
class Integral
{
public:
    Integral(int w, int h) : m_w(w + 1), m_sum(std::size_t(w + 1) * (h + 1), 0.0) {}
    double &at(int x, int y) { return m_sum[std::size_t(y) * m_w + x]; }
    // Sum over [x0, x1) x [y0, y1), clipped by the caller.
    double sum(int x0, int y0, int x1, int y1) const
    {
        return m_sum[std::size_t(y1) * m_w + x1] - m_sum[std::size_t(y0) * m_w + x1]
            - m_sum[std::size_t(y1) * m_w + x0] + m_sum[std::size_t(y0) * m_w + x0];
    }

private:
    int m_w;
    std::vector<double> m_sum;
};

} // namespace

std::vector<std::uint8_t> smoothed(const std::uint8_t *pixels, int width, int height, int radius)
{
    std::vector<std::uint8_t> out(pixels, pixels + std::size_t(width) * height);
    if (radius <= 0)
        return out;
    std::vector<int> line(std::size_t(std::max(width, height)));
    auto pass = [&](int count, int length, std::size_t start, std::size_t step, std::size_t next) {
        for (int c = 0; c < count; ++c) {
            std::uint8_t *p = out.data() + start + std::size_t(c) * next;
            for (int i = 0; i < length; ++i)
                line[std::size_t(i)] = p[std::size_t(i) * step];
            int sum = 0, n = 0;
            for (int i = 0; i < radius && i < length; ++i, ++n)
                sum += line[std::size_t(i)];
            for (int i = 0; i < length; ++i) {
                if (i + radius < length) {
                    sum += line[std::size_t(i + radius)];
                    ++n;
                }
                if (i - radius - 1 >= 0) {
                    sum -= line[std::size_t(i - radius - 1)];
                    --n;
                }
                p[std::size_t(i) * step] = std::uint8_t((sum + n / 2) / n);
            }
        }
    };
    for (int twice = 0; twice < 2; ++twice) {
        pass(height, width, 0, 1, std::size_t(width));
        pass(width, height, 0, std::size_t(width), 1);
    }
    return out;
}

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
    // into integral images.
    const std::vector<std::uint8_t> soft = smoothed(pixels, width, height, int(p.smoothing));
    Integral ixx(width, height), iyy(width, height), ixy(width, height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *row = soft.data() + std::size_t(y) * width;
        const std::uint8_t *up = y > 0 ? row - width : row;
        const std::uint8_t *down = y < height - 1 ? row + width : row;
        double sxx = 0, syy = 0, sxy = 0;
        for (int x = 0; x < width; ++x) {
            if (x > 0 && x < width - 1) {
                const int gx = (up[x + 1] + 2 * row[x + 1] + down[x + 1]) - (up[x - 1] + 2 * row[x - 1] + down[x - 1]);
                const int gy = (down[x - 1] + 2 * down[x] + down[x + 1]) - (up[x - 1] + 2 * up[x] + up[x + 1]);
                sxx += double(gx * gx);
                syy += double(gy * gy);
                sxy += double(gx * gy);
            }
            ixx.at(x + 1, y + 1) = ixx.at(x + 1, y) + sxx;
            iyy.at(x + 1, y + 1) = iyy.at(x + 1, y) + syy;
            ixy.at(x + 1, y + 1) = ixy.at(x + 1, y) + sxy;
        }
    }

    // Contrast and direction of each block's window.
    std::vector<std::uint8_t> contrast(blocks, 0), valid(blocks, 0), weakFlow(blocks, 0);
    std::vector<float> dir2x(blocks, 0.0f), dir2y(blocks, 0.0f); // doubled-angle unit vectors
    std::array<int, 256> histogram {};
    for (int by = 0; by < map.height; ++by) {
        const int y0 = std::max(0, map.blockY(by, height) - Margin);
        const int y1 = std::min(height, map.blockY(by, height) + Block + Margin);
        for (int bx = 0; bx < map.width; ++bx) {
            const std::size_t i = std::size_t(by) * map.width + bx;
            const int x0 = std::max(0, map.blockX(bx, width) - Margin);
            const int x1 = std::min(width, map.blockX(bx, width) + Block + Margin);

            histogram.fill(0);
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t *row = pixels + std::size_t(y) * width;
                for (int x = x0; x < x1; ++x)
                    ++histogram[row[x]];
            }
            const int n = (x1 - x0) * (y1 - y0);
            int low = -1, high = -1, seen = 0;
            for (int v = 0; v < 256; ++v) {
                seen += histogram[v];
                if (low < 0 && seen * 10 >= n)
                    low = v;
                if (high < 0 && seen * 10 >= n * 9)
                    high = v;
            }
            if (high - low < p.minContrast)
                continue;
            contrast[i] = 1;

            const double xx = ixx.sum(x0, y0, x1, y1), yy = iyy.sum(x0, y0, x1, y1), xy = ixy.sum(x0, y0, x1, y1);
            const double energy = xx + yy;
            const double coherence = energy > 0 ? std::sqrt((xx - yy) * (xx - yy) + 4 * xy * xy) / energy : 0.0;
            if (coherence < p.minCoherence)
                continue;
            valid[i] = 1;
            weakFlow[i] = coherence < p.flowCoherence;
            const double theta = 0.5 * std::atan2(2 * xy, xx - yy); // across the ridges
            map.alongX[i] = float(-std::sin(theta));
            map.alongY[i] = float(std::cos(theta));
            dir2x[i] = float(std::cos(2 * theta));
            dir2y[i] = float(std::sin(2 * theta));
        }
    }

    // A block with contrast but no clear direction of its own takes the mean direction of
    // its neighbours when enough of them have one (weak flow, not background); repeated
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
                weakFlow[i] = 1;
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
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = bx + dx, ny = by + dy;
                    if (nx < 0 || ny < 0 || nx >= map.width || ny >= map.height)
                        continue;
                    const std::size_t j = std::size_t(ny) * map.width + nx;
                    if (!valid[j])
                        continue;
                    cx += dir2x[j];
                    cy += dir2y[j];
                    ++n;
                }
            const double curvature = 1.0 - std::sqrt(cx * cx + cy * cy) / n;
            int level = (weakFlow[i] || curvature > p.maxCurvature) ? 3 : 4;
            const int d = distance[i];
            level = std::min(level, d <= ring1 ? 1 : d <= ring2 ? 2 : d <= ring3 ? 3 : 4);
            map.level[i] = std::uint8_t(level);
        }
    }
    return map;
}

} // namespace qal::quality
