#pragma once

#include <QChar>
#include <QString>

namespace qal {

// Fundamental dactyloscopic classification of one hand: five symbols in finger order,
// thumb first. Position 1 takes "0aeivx_", positions 2 to 5 "01234x_" (typed in any
// case, shown upper case); "_" is a finger not classified.
namespace classification {

inline constexpr int kLength = 5;
inline const QString kEmpty = QStringLiteral("_____");

// Whether `symbol` (any case) is allowed at `position` (1..5).
bool allowedAt(QChar symbol, int position);

// A typed character as the edit takes it: letters lowered, "-" becomes "_".
QChar typed(QChar c);

// The stored value of `value`: padded with "_" or cut to five characters, "_____" when
// any symbol is not allowed at its position, upper case.
QString normalized(const QString &value);

} // namespace classification
} // namespace qal
