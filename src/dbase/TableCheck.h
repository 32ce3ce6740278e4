#pragma once

#include <QStringList>

namespace qal::dbase {

// Reads a whole table the hard way: every record and every field decoded, every memo and
// blob followed to its data, every tag of the production index walked and compared with
// the records' keys. Returns what is wrong, one Spanish line per problem; empty when the
// table is sound. A table that cannot be opened at all gives its one error.
QStringList checkTable(const QString &dbfPath);

} // namespace qal::dbase
