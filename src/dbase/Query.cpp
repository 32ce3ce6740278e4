#include "Query.h"

#include "DatabaseError.h"
#include "Table.h"

#include <QMultiHash>

#include <algorithm>

namespace qal::dbase {
namespace {

// Nulls first; numbers by value; text by its characters.
int compareValues(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    const QPartialOrdering o = QVariant::compare(a, b);
    if (o == QPartialOrdering::Less)
        return -1;
    if (o == QPartialOrdering::Greater)
        return 1;
    if (o == QPartialOrdering::Equivalent)
        return 0;
    return QString::compare(a.toString(), b.toString());
}

void sortRows(ResultSet &result, const QList<SortKey> &order)
{
    if (order.isEmpty())
        return;
    QList<QPair<int, bool>> keys;
    for (const SortKey &k : order) {
        const int c = result.columnIndex(k.column);
        if (c < 0)
            throw DatabaseError(QStringLiteral("La consulta no tiene la columna %1.").arg(k.column));
        keys.append({c, k.descending});
    }
    std::stable_sort(result.rows.begin(), result.rows.end(), [&keys](const QVariantList &x, const QVariantList &y) {
        for (const auto &[c, desc] : keys) {
            const int r = compareValues(x[c], y[c]);
            if (r != 0)
                return desc ? r > 0 : r < 0;
        }
        return false;
    });
}

// The text a value is matched by in a join.
QString joinKey(const QVariant &v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong)
        return QString::number(v.toDouble(), 'g', 17);
    return v.toString();
}

} // namespace

int ResultSet::columnIndex(const QString &name) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant ResultSet::value(int row, const QString &column) const
{
    const int c = columnIndex(column);
    if (c < 0 || row < 0 || row >= rows.size())
        throw DatabaseError(QStringLiteral("La consulta no tiene la columna %1.").arg(column));
    return rows[row][c];
}

namespace query {

ResultSet select(const QString &file, const QStringList &columns, const RecordPredicate &where,
                 const QList<SortKey> &order)
{
    Table t(file);
    t.open();
    ResultSet result;
    if (columns.isEmpty()) {
        for (const FieldDescriptor &f : t.fields())
            result.columns.append(f.name);
    } else {
        for (const QString &c : columns) {
            t.field(c); // throws for an unknown field
            result.columns.append(c);
        }
    }
    for (t.first(); !t.eof(); t.next()) {
        if (where && !where(t))
            continue;
        QVariantList row;
        for (const QString &c : result.columns)
            row.append(t.value(c));
        result.rows.append(row);
    }
    sortRows(result, order);
    return result;
}

ResultSet selectJoin(const QString &file, const QString &field, const QString &joinFile, const QString &joinField,
                     const QList<Column> &columns, const RecordPredicate &where, const QList<SortKey> &order)
{
    Table main(file);
    main.open();
    Table joined(joinFile);
    joined.open();
    main.field(field);
    joined.field(joinField);
    QStringList joinedFields;
    ResultSet result;
    for (const Column &c : columns) {
        (c.joined ? joined : main).field(c.field);
        result.columns.append(c.name.isEmpty() ? c.field : c.name);
        if (c.joined)
            joinedFields.append(c.field);
    }
    // The joined table once, by key.
    QMultiHash<QString, QVariantList> byKey;
    for (joined.first(); !joined.eof(); joined.next()) {
        const QVariant k = joined.value(joinField);
        if (k.isNull())
            continue;
        QVariantList values;
        for (const QString &f : joinedFields)
            values.append(joined.value(f));
        byKey.insert(joinKey(k), values);
    }
    for (main.first(); !main.eof(); main.next()) {
        const QVariant k = main.value(field);
        if (k.isNull() || (where && !where(main)))
            continue;
        QList<QVariantList> matches = byKey.values(joinKey(k));
        std::reverse(matches.begin(), matches.end()); // QMultiHash gives the latest first
        for (const QVariantList &m : matches) {
            QVariantList row;
            int j = 0;
            for (const Column &c : columns)
                row.append(c.joined ? m[j++] : main.value(c.field));
            result.rows.append(row);
        }
    }
    sortRows(result, order);
    return result;
}

int updateAll(const QString &file, const QString &field, const QVariant &value, const RecordPredicate &where)
{
    Table t(file);
    t.open();
    t.field(field);
    int n = 0;
    for (t.first(); !t.eof(); t.next()) {
        if (where && !where(t))
            continue;
        t.edit();
        t.setValue(field, value);
        t.post();
        ++n;
    }
    return n;
}

int deleteWhere(const QString &file, const RecordPredicate &where)
{
    Table t(file);
    t.open();
    QList<Table::Bookmark> doomed;
    for (t.first(); !t.eof(); t.next()) {
        if (!where || where(t))
            doomed.append(t.bookmark());
    }
    for (Table::Bookmark b : doomed) {
        t.gotoBookmark(b);
        t.deleteRecord();
    }
    return int(doomed.size());
}

void addField(const QString &file, const FieldDescriptor &field)
{
    Table t(file);
    t.open(Table::Mode::Exclusive);
    t.addField(field);
}

} // namespace query
} // namespace qal::dbase
