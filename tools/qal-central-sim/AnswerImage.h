#pragma once

#include <QByteArray>
#include <QStringList>

// The answer document's image ("resp.tif"): a one-page bilevel TIFF (CCITT G4, 100 dpi, letter
// size) with a frame and the given lines of digits (request and file number) drawn large, so
// that one answer is told from another on screen. Empty when libtiff fails.
QByteArray answerImage(const QStringList &lines);
