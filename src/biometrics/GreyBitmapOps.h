#pragma once

#include "imaging/GreyImage.h"

#include <QIODevice>
#include <QString>

namespace qal {

// Mirrors `source` into `target` (which takes its size): vertically (rows reversed) and/or
// horizontally (bytes of each row reversed).
bool FlipBitmap(bool vertical, bool horizontal, const GreyImage &source, GreyImage &target);

// Nearest-neighbour resampling of a scan at `ppi` to 500 ppi: width round(w / d) rounded up
// to a multiple of 4, height round(h / d), with d = ppi / 500 (round half to even), source
// coordinates round(i * d) clamped to the image. The resolution field stays the source's.
// A factor of 1, or an unknown resolution, copies the image.
GreyImage ResampleTo500(const GreyImage &image, int ppi);

// Base64 of the whole stream read from its start, in lines of 3648 characters (2736-byte
// blocks), each ended by CR LF. Empty stream: empty text.
QString Base64Text(QIODevice &stream);

} // namespace qal
