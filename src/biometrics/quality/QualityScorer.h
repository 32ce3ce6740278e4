#pragma once

#include <cstdint>

namespace qal::quality {

// What the scorer measures on a finger image at 500 ppi, block by block (16 x 16 pixels):
//  - foreground: blocks with enough grey-level contrast to hold ridges;
//  - orientation certainty: coherence of the gradient structure tensor around the block;
//  - ridge clarity: how much of the grey-level variance of an oriented window is explained
//    by a one-dimensional ridge/valley profile across the ridges;
//  - ridge frequency: the ridge period of that profile, valid between 5 and 15 pixels;
//  - minutiae reliability: ridge endings and bifurcations of the thinned ridge map that lie
//    in reliable blocks.
struct QualityFeatures
{
    int blocks = 0;              // blocks of the image
    int foreground = 0;          // blocks with ridge-like contrast
    int reliable = 0;            // foreground blocks good on every measure
    double meanCoherence = 0;    // over foreground blocks
    double meanClarity = 0;      // over foreground blocks
    double validFrequency = 0;   // fraction of foreground blocks with a plausible ridge period
    double meanQuality = 0;      // mean block quality (0..1) over foreground blocks
    double qualityArea = 0;      // sum of block qualities (in blocks)
    int minutiae = 0;            // minutiae found in reliable blocks
    int strongMinutiae = 0;      // of those, in blocks of quality 0.8 and more
    int minutiaeAbove[5] = {};   // minutiae of reliability above 0.5, 0.6, 0.75, 0.8, 0.9
    int histogram[10] = {};      // foreground blocks by quality, tenths
    double score = 0;            // the combined quality figure the NFIQ value is read from
};

struct QualityResult
{
    int code = 0; // 0 scored, 1 empty image, 2 too little ridge structure
    int nfiq = 0; // 1 best .. 5 worst
    QualityFeatures features;
};

// Scores a top-down 8-bit grey image (rows of exactly `width` bytes).
QualityResult scoreFingerprint(const std::uint8_t *pixels, int width, int height);

} // namespace qal::quality
