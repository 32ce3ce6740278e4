#pragma once

#include <QLoggingCategory>

namespace qal {

// The data module and the record rules. An error handled without a message to the operator is logged here,
// never lost; QT_LOGGING_RULES="qal.data.debug=true" shows the debug lines too.
Q_DECLARE_LOGGING_CATEGORY(lcData)

} // namespace qal
