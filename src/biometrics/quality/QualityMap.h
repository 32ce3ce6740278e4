#pragma once

#include "QualityParameters.h"
#include "Smoothing.h"

#include <cstdint>
#include <vector>

namespace qal::quality {

// The print's quality, block by block (8 x 8 pixels at 500 ppi), in five levels:
// 0 background (too little contrast, or no ridge direction), 1 to 3 doubtful (near the
// background, ridge flow too weak or too curved), 4 good. Each block is judged on a
// window of 24 x 24 pixels centred on it.
struct QualityMap
{
    static constexpr int Block = 8;

    int width = 0, height = 0; // in blocks: ceil(pixels / 8)
    std::vector<std::uint8_t> level;
    // Unit vector along the ridges of each block with a direction (0, 0 otherwise).
    std::vector<float> alongX, alongY;

    // First pixel of block column bx / row by. The last column and row are pulled flush
    // against the image's far edge, so they overlap their neighbours instead of being cut.
    int blockX(int bx, int imageWidth) const;
    int blockY(int by, int imageHeight) const;

    int foreground() const; // blocks of level 1 and more
    std::uint8_t at(int bx, int by) const { return level[std::size_t(by) * width + bx]; }
};

// Builds the map of a top-down 8-bit grey image of at least 8 x 8 pixels.
QualityMap buildQualityMap(const std::uint8_t *pixels, int width, int height, const QualityParameters &p);

} // namespace qal::quality
