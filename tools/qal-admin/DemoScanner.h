#pragma once

#include <QString>

namespace qal {

// Writes the demo folder's scanner: SANE's test device and the settings that use it.
bool addDemoScanner(const QString &folder);

} // namespace qal
