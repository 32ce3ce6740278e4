#pragma once

#include <cstdint>
#include <vector>

namespace qal::quality {

// Pixels [begin, end) along one side of the window of a block: the block's 8 pixels and 8
// more on either side, cut at the image's edge. The last block is pulled flush against the
// far edge (QualityMap::blockX).
struct WindowSpan
{
    int begin = 0, end = 0;
};
WindowSpan windowSpan(int block, int imageSize);

// Sums of per-pixel quantities over the window of every block. Of the integral image only
// the windows' corners are kept (a few thousand numbers, not one per pixel), which is all the
// sums need. The sums are exact integers.
class BlockWindowSums
{
public:
    // quantities: how many quantities are summed (the structure tensor has three).
    BlockWindowSums(int width, int height, int quantities);

    // The rows of the image, top to bottom, one call each: the row's values of quantity 0,
    // then of quantity 1, ... (quantities x width numbers).
    void addRow(const std::int64_t *values);

    // After all rows: the sum of quantity q over the window of block (bx, by).
    std::int64_t sum(int q, int bx, int by) const;

private:
    std::int64_t corner(int q, std::size_t yi, std::size_t xi) const
    {
        return m_table[(yi * m_xs.size() + xi) * std::size_t(m_quantities) + std::size_t(q)];
    }

    int m_width, m_quantities;
    std::vector<std::size_t> m_xBegin, m_xEnd;     // per block column: indices into m_xs
    std::vector<std::size_t> m_yBegin, m_yEnd;     // per block row: indices into m_ys
    std::vector<int> m_xs, m_ys;                   // the corners' columns and rows, ascending (made after the above)
    std::vector<std::int64_t> m_running;           // per corner column and quantity: the sum above the current row
    std::vector<std::int64_t> m_table;             // per corner row, column and quantity
    int m_row = 0;
    std::size_t m_nextY = 0;
};

} // namespace qal::quality
