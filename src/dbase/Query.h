#pragma once

#include "FieldDescriptor.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace qal::dbase {

class Table;

// The program's few set operations on tables, as typed calls: no statement text is
// parsed. Each opens its own cursor on the named file (relative to the program folder,
// shared), so the events of the program's table objects do not run; deleted records are
// never seen. Predicates read the record through the table they receive (value()).
using RecordPredicate = std::function<bool(const Table &)>;

struct SortKey
{
    QString column; // a column of the result, by its name
    bool descending = false;
};

// A column of a join: a field of the main table (joined == false) or of the joined one.
struct Column
{
    QString field;
    bool joined = false;
    QString name; // the column's name in the result; the field name when empty
};

class ResultSet
{
public:
    QStringList columns;
    QList<QVariantList> rows;

    int columnIndex(const QString &name) const; // ignoring case; -1
    QVariant value(int row, const QString &column) const;
    int size() const { return int(rows.size()); }
};

namespace query {

// SELECT columns FROM file WHERE where ORDER BY order. An empty column list gives every field.
ResultSet select(const QString &file, const QStringList &columns, const RecordPredicate &where = {},
                 const QList<SortKey> &order = {});
// SELECT ... FROM file, joinFile WHERE file.field = joinFile.joinField AND where ORDER BY order:
// one row per pair of matching records (records without a match are left out). where sees
// the main table.
ResultSet selectJoin(const QString &file, const QString &field, const QString &joinFile, const QString &joinField,
                     const QList<Column> &columns, const RecordPredicate &where = {},
                     const QList<SortKey> &order = {});
// UPDATE file SET field = value [WHERE where]; returns the records changed.
int updateAll(const QString &file, const QString &field, const QVariant &value, const RecordPredicate &where = {});
// DELETE FROM file WHERE where; returns the records deleted (flagged, until a pack).
int deleteWhere(const QString &file, const RecordPredicate &where);
// ALTER TABLE file ADD field (C, N, F, D or L), keeping every record; needs the table to
// itself.
void addField(const QString &file, const FieldDescriptor &field);

} // namespace query
} // namespace qal::dbase
