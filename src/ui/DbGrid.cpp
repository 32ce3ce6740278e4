#include "DbGrid.h"

#include "DataSource.h"
#include "FieldTextFilter.h"

#include "dbase/DatabaseError.h"

#include "core/Dialogs.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaProperty>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

namespace qal::ui {
namespace {

// With Alt, Ctrl or Meta a key is a command of the window (an access key, a shortcut), never
// text for a cell nor a search among the rows.
bool isCommandKey(const QEvent *event)
{
    if (!event || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) && !key->text().isEmpty();
}

// The cells' editors: text passes the fields' text filter, and an Alt or Meta key that no
// control of the window took types nothing.
class CellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            auto *filter = new FieldTextFilter(line);
            if (const auto *model = qobject_cast<const TableModel *>(index.model()))
                filter->setWidth(model->textWidth(index.column()));
        }
        return editor;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *filter = editor->findChild<FieldTextFilter *>(QString(), Qt::FindDirectChildrenOnly);
        if (filter)
            filter->setProgramText(true);
        QStyledItemDelegate::setEditorData(editor, index);
        if (filter)
            filter->setProgramText(false);
    }

protected:
    bool eventFilter(QObject *editor, QEvent *event) override
    {
        if (isCommandKey(event)
            && (static_cast<const QKeyEvent *>(event)->modifiers() & (Qt::AltModifier | Qt::MetaModifier)))
            return true;
        return QStyledItemDelegate::eventFilter(editor, event);
    }
};

} // namespace

DbGrid::DbGrid(QWidget *parent)
    : QTableView(parent)
{
    setItemDelegate(new CellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
}

DbGrid::~DbGrid()
{
    if (m_source)
        m_source->setPendingWriter(this, {});
}

void DbGrid::bind(DataSource *source)
{
    if (m_source)
        m_source->setPendingWriter(this, {});
    m_source = source;
    if (m_source)
        m_source->setPendingWriter(this, [this] { return commitOpenEditor(); });
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
    // the record being left takes what its controls still hold, or is not left
    if (m_source && m_source->editing() && !m_source->writePending()) {
        followTable(m_model->currentRow());
        return;
    }
    try {
        m_model->moveTo(current.row());
    } catch (const dbase::Abort &) {
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    // a refused move (a post that failed) leaves the grid on the table's record
    followTable(m_model->currentRow());
}

bool DbGrid::commitOpenEditor()
{
    if (state() != EditingState || !m_model)
        return true;
    const QModelIndex index = currentIndex();
    QWidget *editor = index.isValid() ? indexWidget(index) : nullptr;
    // only a cell of the record being posted or left (writing here never moves the table)
    if (!editor || m_committing || index.row() != m_model->currentRow())
        return true;
    const QScopedValueRollback committing(m_committing, true);
    // the value as the delegate would hand it to the model, but with the model's answer
    const QVariant value = editor->metaObject()->userProperty().read(editor);
    const bool written = m_model->setData(index, value, Qt::EditRole);
    // a refused value is closed as Enter closes it: the model says why
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return written;
}

bool DbGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (trigger == AnyKeyPressed && isCommandKey(event))
        return false;
    return QTableView::edit(index, trigger, event);
}

void DbGrid::keyPressEvent(QKeyEvent *event)
{
    if (isCommandKey(event) && (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier))) {
        event->ignore(); // for the window
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace qal::ui
