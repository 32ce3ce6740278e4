#pragma once

#include <QLoggingCategory>

namespace qal::ui {

// The data-aware controls and the shared widgets. An error handled without a message to the operator is logged here,
// never lost; QT_LOGGING_RULES="qal.ui.debug=true" shows the debug lines too.
Q_DECLARE_LOGGING_CATEGORY(lcUi)

} // namespace qal::ui
