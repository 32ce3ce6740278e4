#include "BlockWindows.h"

#include "QualityMap.h"

#include <algorithm>

namespace qal::quality {
namespace {

constexpr int Block = QualityMap::Block;

// The windows' edges along one side, ascending, and where each block's window starts and ends
// among them.
std::vector<int> cornersAlong(int imageSize, std::vector<std::size_t> &begins, std::vector<std::size_t> &ends)
{
    const int blocks = (imageSize + Block - 1) / Block;
    std::vector<int> edges;
    for (int b = 0; b < blocks; ++b) {
        const WindowSpan s = windowSpan(b, imageSize);
        edges.push_back(s.begin);
        edges.push_back(s.end);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    const auto indexOf = [&edges](int v) { return std::size_t(std::lower_bound(edges.begin(), edges.end(), v) - edges.begin()); };
    for (int b = 0; b < blocks; ++b) {
        const WindowSpan s = windowSpan(b, imageSize);
        begins.push_back(indexOf(s.begin));
        ends.push_back(indexOf(s.end));
    }
    return edges;
}

} // namespace

WindowSpan windowSpan(int block, int imageSize)
{
    const int first = std::min(block * Block, std::max(0, imageSize - Block));
    return {std::max(0, first - Block), std::min(imageSize, first + 2 * Block)};
}

BlockWindowSums::BlockWindowSums(int width, int height, int quantities)
    : m_width(width)
    , m_quantities(quantities)
    , m_xs(cornersAlong(width, m_xBegin, m_xEnd))
    , m_ys(cornersAlong(height, m_yBegin, m_yEnd))
    , m_running(m_xs.size() * std::size_t(quantities), 0)
    , m_table(m_ys.size() * m_xs.size() * std::size_t(quantities), 0)
{
    // a window that starts at the top edge has nothing above it: that row of the table stays 0
    while (m_nextY < m_ys.size() && m_ys[m_nextY] == 0)
        ++m_nextY;
}

void BlockWindowSums::addRow(const std::int64_t *values)
{
    const std::size_t q = std::size_t(m_quantities);
    for (std::size_t k = 0; k < q; ++k) {
        const std::int64_t *v = values + k * std::size_t(m_width);
        std::int64_t left = 0; // the row's sum left of the corner
        int x = 0;
        for (std::size_t c = 0; c < m_xs.size(); ++c) {
            for (; x < m_xs[c]; ++x)
                left += v[x];
            m_running[c * q + k] += left;
        }
    }
    ++m_row;
    if (m_nextY < m_ys.size() && m_ys[m_nextY] == m_row) {
        std::copy(m_running.begin(), m_running.end(), m_table.begin() + std::ptrdiff_t(m_nextY * m_running.size()));
        ++m_nextY;
    }
}

std::int64_t BlockWindowSums::sum(int q, int bx, int by) const
{
    const std::size_t x0 = m_xBegin[std::size_t(bx)], x1 = m_xEnd[std::size_t(bx)];
    const std::size_t y0 = m_yBegin[std::size_t(by)], y1 = m_yEnd[std::size_t(by)];
    return corner(q, y1, x1) - corner(q, y0, x1) - corner(q, y1, x0) + corner(q, y0, x0);
}

} // namespace qal::quality
