#include "Logging.h"

namespace qal::dbase {

Q_LOGGING_CATEGORY(lcDbase, "qal.dbase", QtInfoMsg)

} // namespace qal::dbase
