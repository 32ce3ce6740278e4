#pragma once

#include "TableModel.h"

#include <QTableView>

namespace qal::ui {

class DataSource;

// A grid over the visible records of a data source: the current row follows the table and
// a click moves the table. Cells of stored fields can be edited in place; the edit starts
// the table's Edit (or fills the inserted record) like any data-aware control.
class DbGrid : public QTableView
{
    Q_OBJECT

public:
    explicit DbGrid(QWidget *parent = nullptr);

    void bind(DataSource *source);
    TableModel *tableModel() const { return m_model; }

    // Columns shown, with their labels, in this order; hidden ones stay in the model.
    void setColumns(const QList<TableModel::Column> &columns);
    void setColumnLabel(const QString &field, const QString &label);
    void hideField(const QString &field);

private:
    void followTable(int row);
    void operatorMoved(const QModelIndex &current, const QModelIndex &previous);
    void applyVisibility();

    TableModel *m_model = nullptr;
    bool m_following = false;
};

} // namespace qal::ui
