#pragma once

#include <QLoggingCategory>

namespace qal::exchange {

// The exchange with the central office. An error handled without a message to the operator is logged here,
// never lost; QT_LOGGING_RULES="qal.exchange.debug=true" shows the debug lines too.
Q_DECLARE_LOGGING_CATEGORY(lcExchange)

} // namespace qal::exchange
