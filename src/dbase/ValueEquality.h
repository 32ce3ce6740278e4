#pragma once

#include <QVariant>

namespace qal::dbase {

// Equality of a stored value and a value a caller gives, as locate and look-up use it.
bool valuesEqual(const QVariant &stored, const QVariant &wanted, bool caseInsensitive);

} // namespace qal::dbase
