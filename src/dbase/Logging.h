#pragma once

#include <QLoggingCategory>

namespace qal::dbase {

// The table engine. An error handled without a message to the operator is logged here,
// never lost; QT_LOGGING_RULES="qal.dbase.debug=true" shows the debug lines too.
Q_DECLARE_LOGGING_CATEGORY(lcDbase)

} // namespace qal::dbase
