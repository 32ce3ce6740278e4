#include "Logging.h"

namespace qal {

Q_LOGGING_CATEGORY(lcData, "qal.data", QtInfoMsg)

} // namespace qal
