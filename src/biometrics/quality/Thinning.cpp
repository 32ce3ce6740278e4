#include "Thinning.h"

#include <array>
#include <cstddef>

namespace qal::quality {
namespace {

// The eight neighbours of a pixel as the bits of one byte, clockwise from the one above:
// bit 0 is P2 (north), bit 1 P3 (north-east), ... bit 7 P9 (north-west).
int neighbourhood(const std::uint8_t *p, int stride)
{
    return p[-stride] | p[-stride + 1] << 1 | p[1] << 2 | p[stride + 1] << 3 | p[stride] << 4 | p[stride - 1] << 5
        | p[-1] << 6 | p[-stride - 1] << 7;
}

// Whether a ridge pixel with these neighbours goes in the first (0) or second (1)
// sub-iteration: it has 2 to 6 ridge neighbours, exactly one 0-to-1 step going round them,
// and (first) P2 P4 P6 = 0 and P4 P6 P8 = 0, or (second) P2 P4 P8 = 0 and P2 P6 P8 = 0.
using Removable = std::array<std::array<bool, 256>, 2>;

Removable removableTable()
{
    Removable table {};
    for (int code = 0; code < 256; ++code) {
        const auto p = [code](int k) { return (code >> (k - 2)) & 1; }; // P2..P9
        const int b = p(2) + p(3) + p(4) + p(5) + p(6) + p(7) + p(8) + p(9);
        int a = 0;
        for (int k = 2; k <= 9; ++k)
            a += !p(k) && p(k == 9 ? 2 : k + 1);
        if (b < 2 || b > 6 || a != 1)
            continue;
        table[0][std::size_t(code)] = p(2) * p(4) * p(6) == 0 && p(4) * p(6) * p(8) == 0;
        table[1][std::size_t(code)] = p(2) * p(4) * p(8) == 0 && p(2) * p(6) * p(8) == 0;
    }
    return table;
}

} // namespace

// Each sub-iteration decides on the map as it was when it began, so a pixel whose
// neighbours have not changed since the last time the same sub-iteration looked at it gets
// the same answer: only the neighbours of removed pixels are looked at again, and at first
// only the ridge pixels with a background neighbour (one surrounded by ridge stays whatever
// the sub-iteration). The pixels removed, round by round, are exactly those of the plain method.
void thin(std::vector<std::uint8_t> &map, int width, int height)
{
    static const Removable removable = removableTable();
    const int stride = width + 2;
    std::array<std::vector<std::uint32_t>, 2> pending; // to look at, per sub-iteration
    std::vector<std::uint8_t> queued(map.size(), 0);   // bit 0, bit 1: in pending[0], pending[1]
    for (int y = 1; y <= height; ++y)
        for (int x = 1; x <= width; ++x) {
            const std::size_t i = std::size_t(y) * stride + x;
            if (map[i] && neighbourhood(&map[i], stride) != 0xFF) {
                pending[0].push_back(std::uint32_t(i));
                queued[i] = 3;
            }
        }
    pending[1] = pending[0];
    const std::ptrdiff_t around[8] = {-stride - 1, -stride, -stride + 1, -1, 1, stride - 1, stride, stride + 1};
    std::vector<std::uint32_t> looking, remove;
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t pass = 0; pass < 2; ++pass) {
            const std::uint8_t mine = std::uint8_t(1u << pass);
            looking.swap(pending[pass]);
            pending[pass].clear();
            remove.clear();
            for (std::uint32_t i : looking) {
                queued[i] &= std::uint8_t(~mine);
                if (map[i] && removable[pass][std::size_t(neighbourhood(&map[i], stride))])
                    remove.push_back(i);
            }
            for (std::uint32_t i : remove)
                map[i] = 0;
            for (std::uint32_t i : remove)
                for (std::ptrdiff_t d : around) {
                    const std::size_t j = std::size_t(std::ptrdiff_t(i) + d);
                    if (!map[j] || queued[j] == 3)
                        continue;
                    for (std::size_t next = 0; next < 2; ++next) {
                        if (!(queued[j] & (1u << next)))
                            pending[next].push_back(std::uint32_t(j));
                    }
                    queued[j] = 3;
                }
            changed = changed || !remove.empty();
        }
    }
}

} // namespace qal::quality
