#pragma once

#include "QualityMap.h"
#include "QualityParameters.h"

#include <cstdint>
#include <vector>

namespace qal::quality {

struct Minutia
{
    int x = 0, y = 0;
    double reliability = 0; // 0..1
};

// Ridge endings and bifurcations in the blocks of level 1 and more. The ridge map is the
// grey image, smoothed, averaged along the ridge flow and set against the local mean, thinned
// (Zhang-Suen); minutiae are read from the crossing number, and pairs closer than the
// minimum spacing (the two ends of a break, the feet of a bridge) are dropped, as are those
// within the border margin of the background or the image's edge (ridges cut off there).
//
// Reliability: the block's level sets a band, the grey levels of the 11 x 11 pixels around
// the minutia place it in the band. Level 4 gives 0.50 to 0.99, 3 gives 0.25 to 0.49,
// 2 gives 0.10 to 0.24, 1 gives 0.05 to 0.09; the place is the lesser of how close the
// mean is to mid-grey and of the standard deviation over 64.
std::vector<Minutia> detectMinutiae(const std::uint8_t *pixels, int width, int height, const QualityMap &map,
                                    const QualityParameters &p);

} // namespace qal::quality
