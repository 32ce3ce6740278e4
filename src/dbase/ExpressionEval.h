#pragma once

#include "ExpressionTree.h"

#include <QByteArrayView>

#include <cstdint>

namespace qal::dbase::expr {

// The value of a bound tree for one record (its bytes, the deleted flag first; bytes past
// a short record read as blanks) and its record number, for RECNO(). Total: every record
// gives a value (a division by zero gives 0, an unreadable number 0, a bad date blank).
Value evaluate(const Node &node, QByteArrayView record, std::uint32_t recno);

// The pieces of dBASE's functions, shared with the binder's constant folding and the tests.
double julianDayOf(QByteArrayView yyyymmdd);          // 0 for blank or no such date
QByteArray strOf(double value, int width, int decimals);
double valOf(QByteArrayView text);
QByteArray dtocOf(double julianDay);                  // MM/DD/YY
double ctodOf(QByteArrayView text);                   // MM/DD/YY or MM/DD/YYYY

} // namespace qal::dbase::expr
