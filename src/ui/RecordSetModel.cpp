#include "RecordSetModel.h"

#include "dbase/FieldValue.h"

#include <QDate>

namespace qal::ui {

RecordSetModel::RecordSetModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void RecordSetModel::setColumns(const QList<Column> &columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

void RecordSetModel::setRecords(dbase::RecordSet records)
{
    beginResetModel();
    m_set = std::move(records);
    m_cachedRow = -1;
    m_cached.clear();
    endResetModel();
}

const QByteArray &RecordSetModel::recordOf(int row) const
{
    if (row != m_cachedRow) {
        m_cachedRow = -1;
        m_cached = m_set.table->dbfFile().readRecord(m_set.records[size_t(row)]);
        m_cachedRow = row;
    }
    return m_cached;
}

QVariant RecordSetModel::value(int row, const QString &field) const
{
    if (!m_set.table || row < 0 || row >= m_set.size() || !m_set.table->isOpen())
        return {};
    const int f = m_set.table->fieldIndex(field);
    if (f < 0)
        return {};
    const dbase::FieldDescriptor &d = m_set.table->fields()[f];
    if (dbase::fieldvalue::isMemo(d))
        return {};
    const QByteArray &record = recordOf(row);
    return dbase::fieldvalue::decode(d, QByteArrayView(record).sliced(d.offset, d.length));
}

QString RecordSetModel::display(const QVariant &value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

int RecordSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_set.size();
}

int RecordSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RecordSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() >= m_columns.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::TextAlignmentRole)
        return {};
    const Column &c = m_columns[index.column()];
    QVariant v;
    try {
        v = value(index.row(), c.field);
    } catch (const std::exception &) {
        return {}; // a row that cannot be read shows empty; the search reported its failure
    }
    if (c.shown)
        v = c.shown(v);
    if (role == Qt::TextAlignmentRole)
        return dbase::fieldvalue::isNumber(v) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    return role == Qt::EditRole ? v : QVariant(display(v));
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section < 0 || section >= m_columns.size())
        return {};
    const Column &c = m_columns[section];
    if (role == Qt::DisplayRole)
        return c.label;
    if (role == DisplayWidthRole) {
        if (c.width > 0)
            return c.width;
        const int f = m_set.table ? m_set.table->fieldIndex(c.field) : -1;
        if (f < 0)
            return 10;
        const dbase::FieldDescriptor &d = m_set.table->fields()[f];
        return d.type == 'D' ? 10 : d.length;
    }
    return {};
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace qal::ui
