#pragma once

#include "imaging/GreyImage.h"

#include <QImage>

namespace qal {

struct SkewSearch
{
    double rangeDegrees = 90.0; // angles from -range/2 to +range/2
    double resolution = 0.1;    // degrees
};

// The angle (degrees, clockwise positive) by which the lines of a scanned page are
// turned: rotating the page by minus this angle straightens it. Found by maximising the
// sharpness of the projection profile of the page's dark edges; 0 for a page with no
// dark content.
double detectSkew(const GreyImage &page, const SkewSearch &search = {});
double detectSkew(const QImage &page, const SkewSearch &search = {});

} // namespace qal
