#pragma once

#include <string_view>

namespace qal::quality {

// The thresholds of the scorer's stages. The defaults were set with
// tools/fpquality/calibrate.py against NFIQ 1's own intermediate results on the
// calibration prints (foreground size, quality-zone fractions, minutiae counts); the
// command line tool can override them one by one to measure a change.
struct QualityParameters
{
    // Quality map (per 8 x 8 block, judged on the 24 x 24 window around it)
    double smoothing = 2;        // box radius of the blur before the gradients
    double minContrast = 16;     // grey levels between the 10th and 90th percentile
    double minCoherence = 0;     // below: no ridge direction (background); 0 leaves the test out
    double flowCoherence = 0.2;  // below: weak ridge flow
    // Below, for the strongest single ridge wave (RidgeWaves.h), its power over the mean of
    // the sixteen directions at its period: no ridge direction (background). Its amplitude
    // in grey levels can be tested too (0 leaves that out): fitted, it only lost the faint prints.
    double minWavePeak = 2.4;
    double minWaveAmplitude = 0;
    double minValidNeighbours = 3; // a block with a direction loses it with fewer of its 8 neighbours having one
    double fillNeighbours = 5;   // a block without direction takes its neighbours' when this many have one
    double maxCurvature = 0.35;  // above, over the 3 x 3 blocks: high curvature (level 3 at best)
    // Below, for the strongest ridge wave against the mean of the sixteen directions
    // (RidgeWaves.h): weak ridge flow; 0 leaves the test out.
    double flowAnisotropy = 2.5;
    // The best level of a block with weak ridge flow of its own, and of one with weak or
    // borrowed flow in its 3 x 3 blocks, itself included (high curvature: 3). Chosen with the
    // two flow thresholds above by the zones' and foreground's errors, measured in NFIQ 1's
    // deviations; each finger group left out in turn picks the same.
    double weakFlowLevel = 2, nearUnclearLevel = 3;
    // Rings around the background, in blocks: the first ring gets level 1 at best, the
    // next level 2, the next level 3.
    double ring1 = 1, ring2 = 2, ring3 = 1;
    double imageEdgeIsBackground = 1;
    // Minutiae
    double ridgeSmoothing = 1;   // box radius of the blur before the ridge map
    double ridgeReach = 5;       // samples either side along the ridge averaged into the ridge map
    double minSpacing = 9;        // minutiae closer than this (pixels) are dropped in pairs
    double borderMargin = 8;      // minutiae this close (pixels) to the background or the image's edge are dropped
};

// Sets the parameter of that name; false when there is none.
bool setParameter(QualityParameters &parameters, std::string_view name, double value);

} // namespace qal::quality
