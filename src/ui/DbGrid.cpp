#include "DbGrid.h"

#include "DataSource.h"

#include "dbase/DatabaseError.h"

#include "core/Dialogs.h"

#include <QHeaderView>

namespace qal::ui {

DbGrid::DbGrid(QWidget *parent)
    : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
}

void DbGrid::bind(DataSource *source)
{
    delete m_model;
    m_model = new TableModel(source, this);
    setModel(m_model);
    connect(m_model, &TableModel::currentRowChanged, this, &DbGrid::followTable);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &DbGrid::operatorMoved);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DbGrid::applyVisibility);
    // After rows come and go the view's current index is wherever the view put it.
    const auto follow = [this] { followTable(m_model->currentRow()); };
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, follow);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, follow);
    connect(m_model, &QAbstractItemModel::modelReset, this, follow);
    applyVisibility();
    followTable(m_model->currentRow());
}

void DbGrid::setColumns(const QList<TableModel::Column> &columns)
{
    if (!m_model)
        return;
    m_model->setColumns(columns);
    applyVisibility();
}

void DbGrid::setColumnLabel(const QString &field, const QString &label)
{
    if (!m_model)
        return;
    QList<TableModel::Column> columns = m_model->columns();
    for (auto &c : columns) {
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            c.label = label;
    }
    setColumns(columns);
}

void DbGrid::hideField(const QString &field)
{
    if (!m_model)
        return;
    QList<TableModel::Column> columns = m_model->columns();
    for (auto &c : columns) {
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            c.visible = false;
    }
    setColumns(columns);
}

void DbGrid::applyVisibility()
{
    if (!m_model)
        return;
    const auto &columns = m_model->columns();
    for (int i = 0; i < columns.size(); ++i)
        setColumnHidden(i, !columns[i].visible);
}

void DbGrid::followTable(int row)
{
    if (!m_model || row < 0)
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    int column = current.isValid() ? current.column() : 0;
    while (column < m_model->columnCount() && isColumnHidden(column))
        ++column;
    m_following = true;
    setCurrentIndex(m_model->index(row, column < m_model->columnCount() ? column : 0));
    m_following = false;
}

void DbGrid::operatorMoved(const QModelIndex &current, const QModelIndex &previous)
{
    if (m_following || m_model->changing() || !current.isValid() || (previous.isValid() && previous.row() == current.row()))
        return;
    try {
        m_model->moveTo(current.row());
    } catch (const dbase::Abort &) {
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    // a refused move (a post that failed) leaves the grid on the table's record
    followTable(m_model->currentRow());
}

} // namespace qal::ui
