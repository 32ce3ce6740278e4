#pragma once

#include "imaging/GreyImage.h"

#include <QImage>

namespace qal {

enum class RotateCanvas {
    KeepSize,    // same width and height, centred; corners that leave the page are lost
    ExpandToFit, // large enough for the whole rotated page
};

// Rotates clockwise by `degrees` (any angle; negative turns counter-clockwise) with
// bilinear interpolation, filling uncovered areas with `fill`. Multiples of 90 degrees are
// exact pixel moves. The resolution is kept.
GreyImage rotate(const GreyImage &image, double degrees, RotateCanvas canvas = RotateCanvas::ExpandToFit,
                 std::uint8_t fill = 255);

// The same for any QImage, filling with white: black-and-white pages stay Format_Mono,
// grey pages Format_Grayscale8, anything else becomes Format_RGB32.
QImage rotate(const QImage &image, double degrees, RotateCanvas canvas = RotateCanvas::ExpandToFit);

} // namespace qal
