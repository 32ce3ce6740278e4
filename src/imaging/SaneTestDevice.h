#pragma once

#include <QString>

namespace qal {

// SANE's virtual "test" scanners (test:0, test:1) ship with SANE but are switched off in
// the system's configuration. A folder written by this function, named in SANE_CONFIG_DIR
// before the first scan, switches them on alone: a grid picture on a glass large enough for
// an A4 page (300 x 300 mm), a feeder that empties after ten pages. The tests and the demo
// program folder scan with it.
bool writeSaneTestConfig(const QString &folder, QString *error = nullptr);

inline constexpr const char *kSaneTestDevice = "test:0";

} // namespace qal
