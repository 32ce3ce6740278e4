#pragma once

#include <QStringList>

#include <functional>

namespace qal::dbase {

// Reads a whole table the hard way: every record and every field decoded, every memo and
// blob followed to its data, every tag of the production index walked and compared with
// the records' keys. Returns what is wrong, one Spanish line per problem; empty when the
// table is sound. A table that cannot be opened at all gives its one error.
// At most kMaxListedProblems lines are kept; a last line says how many more there were.
QStringList checkTable(const QString &dbfPath);
inline constexpr int kMaxListedProblems = 1000;
// The same, each problem handed to report as it is found (nothing is kept).
using ProblemReport = std::function<void(const QString &problem)>;
void checkTable(const QString &dbfPath, const ProblemReport &report);

} // namespace qal::dbase
