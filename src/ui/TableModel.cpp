#include "TableModel.h"

#include "DataSource.h"
#include "Logging.h"
#include "TypedValue.h"

#include "dbase/DatabaseError.h"

#include "core/Dialogs.h"

#include <QDate>
#include <QTimer>

namespace qal::ui {

using State = dbase::Table::State;

TableModel::TableModel(DataSource *source, QObject *parent)
    : QAbstractTableModel(parent), m_source(source)
{
    connect(source, &DataSource::recordsChanged, this, &TableModel::scheduleReload);
    connect(source, &DataSource::stateChanged, this, &TableModel::onStateChanged);
    connect(source, &DataSource::recordChanged, this, &TableModel::onRecordChanged);
    connect(source, &DataSource::fieldChanged, this, &TableModel::onFieldChanged);
    reload();
}

dbase::Table *TableModel::table() const
{
    return m_source ? m_source->table() : nullptr;
}

void TableModel::defaultColumns()
{
    if (m_customColumns)
        return;
    m_columns.clear();
    if (dbase::Table *t = table(); t && t->isOpen()) {
        for (const dbase::FieldDescriptor &f : t->fields())
            m_columns << Column {f.name, f.name};
    }
}

void TableModel::setColumns(const QList<Column> &columns)
{
    m_changing = true;
    beginResetModel();
    m_columns = columns;
    m_customColumns = true;
    endResetModel();
    m_changing = false;
    reload();
}

int TableModel::columnOf(const QString &field) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QList<QVariant> TableModel::currentValues() const
{
    QList<QVariant> values;
    dbase::Table *t = table();
    for (const Column &c : m_columns) {
        QVariant v;
        try {
            if (t->hasField(c.field))
                v = t->value(c.field);
        } catch (const std::exception &e) {
            qCWarning(lcUi) << "reading" << c.field << "of" << t->fileName() << "failed:" << e.what();
        }
        values << v;
    }
    return values;
}

void TableModel::scheduleReload()
{
    // Opening and closing come in the middle of other work (a table re-opened after a post
    // sets its order and seeks afterwards): read the rows once that work is done. Until then
    // a closed table shows no rows.
    if (dbase::Table *t = table(); !t || !t->isOpen()) {
        m_changing = true;
    beginResetModel();
        m_rows.clear();
        m_insertRow = false;
        endResetModel();
    m_changing = false;
    }
    if (m_reloadPending)
        return;
    m_reloadPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_reloadPending)
            reload();
    });
}

void TableModel::reload()
{
    m_reloadPending = false;
    dbase::Table *t = table();
    if (t && t->isOpen() && t->state() != State::Browse) {
        // an edit in progress: the rows are read when it ends
        m_lastState = t->state();
        return;
    }
    m_changing = true;
    beginResetModel();
    defaultColumns();
    m_rows.clear();
    m_insertRow = false;
    if (t && t->isOpen()) {
        try {
            DataSource::Walk walk(*m_source);
            for (t->first(); !t->eof(); t->next())
                m_rows.push_back({t->bookmark(), currentValues()});
        } catch (const std::exception &e) {
            // the grid shows the rows read so far
            qCWarning(lcUi) << "reading the rows of" << t->fileName() << "failed after" << m_rows.size()
                            << "rows:" << e.what();
        }
    }
    m_lastState = t ? t->state() : State::Inactive;
    endResetModel();
    m_changing = false;
    emit currentRowChanged(currentRow());
}

void TableModel::onStateChanged()
{
    dbase::Table *t = table();
    const State now = t ? t->state() : State::Inactive;
    const State before = m_lastState;
    m_lastState = now;
    if (now == State::Insert && !m_insertRow) {
        const int row = int(m_rows.size());
        m_changing = true;
        beginInsertRows({}, row, row);
        m_insertRow = true;
        m_rows.push_back({0, currentValues()});
        endInsertRows();
        m_changing = false;
        emit currentRowChanged(row);
        return;
    }
    if (now == State::Browse && (before == State::Insert || before == State::Edit)) {
        if (m_insertRow) {
            const int row = int(m_rows.size()) - 1;
            m_changing = true;
            beginRemoveRows({}, row, row);
            m_rows.pop_back();
            m_insertRow = false;
            endRemoveRows();
            m_changing = false;
        }
        // a posted record may have moved in the order, a cancelled one shows its old values;
        // read once the post or cancel has finished its own work
        scheduleReload();
    }
}

void TableModel::onRecordChanged()
{
    dbase::Table *t = table();
    if (!t || !t->isOpen() || m_reloadPending)
        return;
    const int row = currentRow();
    if (row < 0 && t->state() == State::Browse && !t->isEmpty()) {
        scheduleReload(); // a record the rows do not have yet
        return;
    }
    if (row >= 0 && t->state() != State::Browse) {
        m_rows[size_t(row)].values = currentValues();
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    emit currentRowChanged(row);
}

void TableModel::onFieldChanged()
{
    const int row = currentRow();
    if (row < 0)
        return;
    m_rows[size_t(row)].values = currentValues();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int TableModel::currentRow() const
{
    dbase::Table *t = table();
    if (!t || !t->isOpen())
        return -1;
    if (t->state() == State::Insert)
        return m_insertRow ? int(m_rows.size()) - 1 : -1;
    if (t->isEmpty())
        return -1;
    const dbase::Table::Bookmark mark = t->bookmark();
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].mark == mark)
            return int(i);
    }
    return -1;
}

dbase::Table::Bookmark TableModel::bookmarkAt(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? m_rows[size_t(row)].mark : 0;
}

bool TableModel::moveTo(int row)
{
    dbase::Table *t = table();
    if (!t || !t->isOpen() || row == currentRow())
        return true;
    const dbase::Table::Bookmark mark = bookmarkAt(row);
    if (!mark)
        return false;
    t->gotoBookmark(mark); // errors reach the caller
    return true;
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString TableModel::display(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    return v.toString();
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_rows.size() || index.column() >= m_columns.size())
        return {};
    const QVariant &v = m_rows[size_t(index.row())].values.value(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return display(v);
    case Qt::EditRole:
        return v.typeId() == QMetaType::QDate ? QVariant(display(v)) : v;
    default:
        return {};
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns.size())
        return m_columns[section].label;
    return QAbstractTableModel::headerData(section, orientation, role);
}

int TableModel::textWidth(int column) const
{
    dbase::Table *t = table();
    if (!t || !t->isOpen() || column < 0 || column >= m_columns.size() || t->fieldIndex(m_columns[column].field) < 0)
        return 0;
    const dbase::FieldDescriptor &fd = t->field(m_columns[column].field);
    return fd.type == 'C' || fd.type == 'N' || fd.type == 'F' ? int(fd.length) : 0;
}

Qt::ItemFlags TableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    dbase::Table *t = table();
    if (index.isValid() && t && t->isOpen() && index.column() < m_columns.size()) {
        const Column &c = m_columns[index.column()];
        if (!c.readOnly && t->fieldIndex(c.field) >= 0 && (m_source->autoEdit || m_source->editing()))
            f |= Qt::ItemIsEditable;
    }
    return f;
}

bool TableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() >= m_columns.size())
        return false;
    dbase::Table *t = table();
    if (!t)
        return false;
    try {
        moveTo(index.row());
    } catch (const dbase::Abort &) {
        return false;
    } catch (const std::exception &e) {
        // the record being left was refused (its rules, the table): said once the editor is closed
        QTimer::singleShot(0, this, [error = QString::fromUtf8(e.what())] { Dialogs::error(error); });
        return false;
    }
    const QString &field = m_columns[index.column()].field;
    QVariant v = value;
    if (v.typeId() == QMetaType::QString) {
        const TypedValue typed = valueOfTypedText(t->field(field).type, v.toString().trimmed());
        if (!typed.ok()) {
            // never refused without a word; said once the view has closed its editor (a box
            // opened meanwhile would take the editor's focus and have it commit again)
            QTimer::singleShot(0, this, [error = typed.error] { Dialogs::error(error); });
            return false;
        }
        v = typed.value;
    }
    return m_source->setOperatorValue(field, v);
}

} // namespace qal::ui
