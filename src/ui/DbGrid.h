#pragma once

#include "TableModel.h"

#include <QPointer>
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
    ~DbGrid() override;

    void bind(DataSource *source);
    TableModel *tableModel() const { return m_model; }

    // Columns shown, with their labels, in this order; hidden ones stay in the model.
    void setColumns(const QList<TableModel::Column> &columns);
    void setColumnLabel(const QString &field, const QString &label);
    void hideField(const QString &field);

    // Writes the value of the cell being edited into the record and closes its editor; false
    // (after saying why) when the value is refused, the editor staying open. The record's post,
    // or a move away from it, does this first: a value typed into a cell is never lost.
    bool commitOpenEditor();

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void followTable(int row);
    void operatorMoved(const QModelIndex &current, const QModelIndex &previous);
    void applyVisibility();

    QPointer<DataSource> m_source;
    TableModel *m_model = nullptr;
    bool m_following = false;
    bool m_committing = false;
};

} // namespace qal::ui
