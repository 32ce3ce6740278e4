#pragma once

#include "Table.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace qal::dbase {

// One condition of a search: the field equals the value. Text compares exactly (case
// included) without its trailing spaces; numbers, dates and logicals by value.
struct FieldEquals
{
    QString field;
    QVariant value;
};

// Records of a table picked by a search, in their order; the table stays open so that their
// values can be read when they are shown.
struct RecordSet
{
    std::shared_ptr<Table> table;
    std::vector<std::uint32_t> records;

    int size() const { return int(records.size()); }
};

namespace query {

// Opens its own cursor on a table file (relative to the program folder), so that no event
// of the program's table objects runs.
std::shared_ptr<Table> openForReading(const QString &file);

// The live records of table meeting every condition, in file order. When a condition's field
// has a production-index tag the records come from a key seek on it; otherwise the file is
// read in large pieces. A value that its field cannot hold (text longer than the field)
// matches nothing. An unknown field throws DatabaseError, like every read failure.
std::vector<std::uint32_t> recordsWhere(const Table &table, const QList<FieldEquals> &conditions);

// The live records, in file order, whose stored bytes (deleted flag first) accept takes.
using StoredRecordPredicate = std::function<bool(QByteArrayView record)>;
std::vector<std::uint32_t> recordsWhere(const Table &table, const StoredRecordPredicate &accept);

} // namespace query
} // namespace qal::dbase
