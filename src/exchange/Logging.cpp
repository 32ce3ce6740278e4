#include "Logging.h"

namespace qal::exchange {

Q_LOGGING_CATEGORY(lcExchange, "qal.exchange", QtInfoMsg)

} // namespace qal::exchange
