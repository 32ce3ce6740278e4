#include "Smoothing.h"

#include <algorithm>
#include <cstring>

namespace qal::quality {
namespace {

// The number of pixels in the box of each position along a line: it is 2 radius + 1 away
// from the ends and shrinks towards them.
std::vector<RoundedMean> meansAlong(int length, int radius)
{
    std::vector<RoundedMean> means;
    means.reserve(std::size_t(length));
    for (int i = 0; i < length; ++i) {
        const int n = std::min(length - 1, i + radius) - std::max(0, i - radius) + 1;
        means.emplace_back(n);
    }
    return means;
}

// Each row blurred along itself, in place. Away from the ends every box holds 2 radius + 1
// pixels: that stretch takes one mean without a test per pixel.
void blurRows(std::vector<std::uint8_t> &image, int width, int height, int radius)
{
    const std::vector<RoundedMean> mean = meansAlong(width, radius);
    const RoundedMean inner(2 * radius + 1);
    // where the box moves by one pixel in and one out: [radius + 1, width - radius)
    const int innerBegin = radius + 1, innerEnd = width - radius;
    const bool fast = inner.multiplies() && innerBegin < innerEnd;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = image.data() + std::size_t(y) * width;
        std::memcpy(line.data(), row, line.size());
        const std::uint8_t *in = line.data();
        std::uint32_t sum = 0;
        for (int i = 0; i < radius && i < width; ++i)
            sum += in[i];
        const auto step = [&](int i) {
            if (i + radius < width)
                sum += in[i + radius];
            if (i - radius - 1 >= 0)
                sum -= in[i - radius - 1];
            row[i] = mean[std::size_t(i)](sum);
        };
        int i = 0;
        if (fast) {
            for (; i < innerBegin; ++i)
                step(i);
            for (; i < innerEnd; ++i) {
                sum += in[i + radius];
                sum -= in[i - radius - 1];
                row[i] = inner.byProduct(sum);
            }
        }
        for (; i < width; ++i)
            step(i);
    }
}

// Each column blurred along itself, row by row: the running sums of all columns move down
// together, so the image is read in the order it lies in memory.
void blurColumns(std::vector<std::uint8_t> &image, int width, int height, int radius)
{
    const std::vector<RoundedMean> mean = meansAlong(height, radius);
    const std::vector<std::uint8_t> source = image;
    std::vector<std::uint32_t> sum(std::size_t(width), 0);
    auto add = [&](int y) {
        const std::uint8_t *row = source.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x)
            sum[std::size_t(x)] += row[x];
    };
    auto subtract = [&](int y) {
        const std::uint8_t *row = source.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x)
            sum[std::size_t(x)] -= row[x];
    };
    for (int i = 0; i < radius && i < height; ++i)
        add(i);
    for (int y = 0; y < height; ++y) {
        if (y + radius < height)
            add(y + radius);
        if (y - radius - 1 >= 0)
            subtract(y - radius - 1);
        std::uint8_t *row = image.data() + std::size_t(y) * width;
        const RoundedMean &m = mean[std::size_t(y)];
        if (m.multiplies()) {
            for (int x = 0; x < width; ++x)
                row[x] = m.byProduct(sum[std::size_t(x)]);
        } else {
            for (int x = 0; x < width; ++x)
                row[x] = m(sum[std::size_t(x)]);
        }
    }
}

} // namespace

RoundedMean::RoundedMean(int n)
    : m_n(std::uint32_t(n))
    , m_half(std::uint32_t(n / 2))
    , m_reciprocal(n < 256 ? ((1u << 24) + std::uint32_t(n) - 1) / std::uint32_t(n) : 0)
{
}

std::vector<std::uint8_t> smoothed(const std::uint8_t *pixels, int width, int height, int radius)
{
    std::vector<std::uint8_t> out(pixels, pixels + std::size_t(width) * height);
    if (radius <= 0)
        return out;
    for (int twice = 0; twice < 2; ++twice) {
        blurRows(out, width, height, radius);
        blurColumns(out, width, height, radius);
    }
    return out;
}

} // namespace qal::quality
