#include "Logging.h"

namespace qal::ui {

Q_LOGGING_CATEGORY(lcUi, "qal.ui", QtInfoMsg)

} // namespace qal::ui
