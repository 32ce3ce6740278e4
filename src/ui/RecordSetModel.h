#pragma once

#include "dbase/RecordSearch.h"

#include <QAbstractTableModel>

#include <functional>

namespace qal::ui {

// The records a search or a list picked, as read-only rows. Only the row numbers are held:
// a row's values are read from the table when a view asks for them, so a set of 100,000
// records shows as fast as a set of ten.
class RecordSetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The column's display width in characters, asked of the horizontal header.
    static constexpr int DisplayWidthRole = Qt::UserRole + 1;

    struct Column
    {
        Column(QString label, QString field, int width = 0, std::function<QVariant(const QVariant &)> shown = {})
            : label(std::move(label)), field(std::move(field)), width(width), shown(std::move(shown))
        {
        }

        QString label;
        QString field;  // a field the table lacks shows empty
        int width = 0;  // display width in characters; 0: the field's own
        // Turns the stored value into the one shown (a look-up); none shows it as stored.
        std::function<QVariant(const QVariant &)> shown;
    };

    explicit RecordSetModel(QObject *parent = nullptr);

    void setColumns(const QList<Column> &columns);
    const QList<Column> &columns() const { return m_columns; }
    // Replaces the rows; an empty set (no table) shows none.
    void setRecords(dbase::RecordSet records);
    void clear() { setRecords({}); }
    const dbase::RecordSet &records() const { return m_set; }

    // The value of a row's field as stored; null outside the set or for a missing field. An
    // engine failure throws.
    QVariant value(int row, const QString &field) const;
    // As shown in the grid.
    static QString display(const QVariant &value);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    const QByteArray &recordOf(int row) const;

    QList<Column> m_columns;
    dbase::RecordSet m_set;
    mutable int m_cachedRow = -1;
    mutable QByteArray m_cached;
};

} // namespace qal::ui
