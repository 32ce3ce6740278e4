#pragma once

#include <cstdint>
#include <vector>

namespace qal::quality {

// How strongly each block's 24 x 24 window holds parallel ridges: the power of waves of
// sixteen directions (every 11.25 degrees) and of periods 24, 12, 8 and 6 pixels (one to
// four cycles across the window), the window's mean taken out, measured on the image halved
// each way. The one-cycle wave is mostly shading; it counts only against the others of its
// period (peak), never as a ridge direction's power (anisotropy).
struct RidgeWave
{
    // The strongest direction's power (summed over the periods of 12, 8 and 6 pixels) over
    // the mean of all sixteen: 1 when no direction stands out (or the window is flat), up to
    // 16 for a single clean wave.
    float anisotropy = 1;
    // The single strongest wave (one direction, one period): its amplitude in grey levels
    // (the magnitude of its sum over the window, over the window's pixels), and its power
    // over the mean power of the sixteen directions at its period (1 when none stands out).
    float amplitude = 0;
    float peak = 1;
};

// One value per block of the quality map (8 x 8 blocks, ceil(width / 8) x ceil(height / 8)).
// The window of block b spans the cells b - 1 .. b + 1 of the 8-pixel grid, cut at the
// image's edges.
std::vector<RidgeWave> ridgeWaves(const std::uint8_t *pixels, int width, int height);

} // namespace qal::quality
