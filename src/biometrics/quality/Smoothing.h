#pragma once

#include <cstdint>
#include <vector>

namespace qal::quality {

// The image blurred by a box of (2 radius + 1) pixels each way, applied twice (noise and
// salt-and-pepper would otherwise swamp the ridges); a copy when the radius is 0. Near the
// edges the box holds only the pixels inside the image. Each value is the box's mean
// rounded half up: (sum + n / 2) / n.
std::vector<std::uint8_t> smoothed(const std::uint8_t *pixels, int width, int height, int radius);

// (sum + n / 2) / n for a sum of n grey levels of 8 bits, by one multiplication: the blur
// takes this for every pixel four times, and a division costs several times more. With
// m = ceil(2^24 / n), x m / 2^24 rounds down to x / n for every x with x n < 2^24, which
// holds the sums of boxes of fewer than 256 pixels (x < 256 n); a longer box divides.
class RoundedMean
{
public:
    explicit RoundedMean(int n);
    bool multiplies() const { return m_reciprocal != 0; }
    std::uint8_t operator()(std::uint32_t sum) const
    {
        return multiplies() ? byProduct(sum) : std::uint8_t((sum + m_half) / m_n);
    }
    // Only when multiplies().
    std::uint8_t byProduct(std::uint32_t sum) const { return std::uint8_t(((sum + m_half) * m_reciprocal) >> 24); }

private:
    std::uint32_t m_n;
    std::uint32_t m_half;
    std::uint32_t m_reciprocal; // 0: too long a box, divided
};

} // namespace qal::quality
