#pragma once

#include "dbase/Table.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <vector>

namespace qal::ui {

class DataSource;

// The visible records of a data source's table as rows, one column per shown field. The
// rows are read when the set changes (open, refresh, after a post or a cancelled insert) and
// kept; the current record, while it is edited or inserted, shows its unposted values, and
// an inserted record is a row of its own at the end until it is posted or cancelled.
class TableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Column
    {
        QString field;
        QString label;
        bool visible = true;
        bool readOnly = false;
    };

    explicit TableModel(DataSource *source, QObject *parent = nullptr);

    // Columns in this order; by default every field of the table, labelled with its name.
    void setColumns(const QList<Column> &columns);
    const QList<Column> &columns() const { return m_columns; }
    int columnOf(const QString &field) const;
    // Characters a cell of the column takes when typed: its field's width for character and
    // number fields, 0 (no limit) for the others.
    int textWidth(int column) const;

    // The row of the current record; -1 when there is none.
    int currentRow() const;
    // Moves the table to the record of row (posting an edit, as any move does).
    bool moveTo(int row);
    dbase::Table::Bookmark bookmarkAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // True while rows are being added, removed or read again: a view moving its current
    // index meanwhile is not an operator's choice.
    bool changing() const { return m_changing; }

    // Reads the rows again now.
    void reload();

signals:
    void currentRowChanged(int row);

private:
    struct Row
    {
        dbase::Table::Bookmark mark = 0;
        QList<QVariant> values;
    };

    dbase::Table *table() const;
    QList<QVariant> currentValues() const;
    void defaultColumns();
    void scheduleReload();
    void onStateChanged();
    void onRecordChanged();
    void onFieldChanged();
    static QString display(const QVariant &v);

    QPointer<DataSource> m_source;
    QList<Column> m_columns;
    bool m_customColumns = false;
    std::vector<Row> m_rows;
    bool m_insertRow = false; // the last row is the record being inserted
    bool m_reloadPending = false;
    bool m_changing = false;
    dbase::Table::State m_lastState = dbase::Table::State::Inactive;
};

} // namespace qal::ui
