#pragma once

#include <QString>

namespace qal {

// Replaces target by a copy of source, written beside it and renamed over it. The copy
// carries the source's modification time, so a caller that decides by that time sees an
// untouched file as untouched. False when source is missing or nothing could be written.
bool copyKeepingTime(const QString &source, const QString &target);

// The same, but the copy is stamped with the current time: it counts as changed.
bool copyAsNew(const QString &source, const QString &target);

} // namespace qal
