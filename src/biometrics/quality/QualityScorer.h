#pragma once

#include "NfiqNetwork.h"
#include "QualityParameters.h"

#include <cstdint>

namespace qal::quality {

// What the scorer measured on a finger image at 500 ppi, and what it read from it.
struct QualityFeatures
{
    int blocks = 0;             // 8 x 8 blocks of the quality map
    int foreground = 0;         // of those, blocks of level 1 and more
    int minutiae = 0;           // minutiae detected in the foreground
    int minutiaeAbove[5] = {};  // of those, of reliability above 0.5, 0.6, 0.7, 0.8, 0.9
    double zone[4] = {};        // share of the foreground blocks of level 1, 2, 3, 4
    std::array<double, 5> activation {}; // the network's output for the values 1..5
};

struct QualityResult
{
    int code = 0; // 0 scored, 1 empty image, 2 too few minutiae
    int nfiq = 0; // 1 best .. 5 worst
    QualityFeatures features;
};

// Scores a top-down 8-bit grey image (rows of exactly `width` bytes). An image smaller
// than 32 pixels either way, or without a single foreground block, is empty (1); one
// with five minutiae or fewer has too few (2). Both give the value 5.
QualityResult scoreFingerprint(const std::uint8_t *pixels, int width, int height,
                               const QualityParameters &parameters = {});

} // namespace qal::quality
