#include "DataSource.h"

#include "Logging.h"

#include "dbase/DatabaseError.h"

#include "core/Dialogs.h"

namespace qal::ui {

DataSource::DataSource(QObject *parent)
    : QObject(parent)
{
}

DataSource::DataSource(dbase::Table *table, QObject *parent)
    : QObject(parent)
{
    setTable(table);
}

DataSource::~DataSource()
{
    detach();
}

void DataSource::detach()
{
    if (m_table && m_listener)
        m_table->removeListener(m_listener);
    m_table = nullptr;
    m_listener = 0;
}

void DataSource::setTable(dbase::Table *table)
{
    if (table == m_table)
        return;
    detach();
    m_table = table;
    if (m_table)
        m_listener = m_table->addListener(
            [this](dbase::Table &, dbase::Table::Notification n, const QString &field) { notified(n, field); });
    emit recordsChanged();
    emit stateChanged();
    emit recordChanged();
}

bool DataSource::editing() const
{
    const auto s = state();
    return s == dbase::Table::State::Edit || s == dbase::Table::State::Insert;
}

QVariant DataSource::currentValue(const QString &field) const
{
    try {
        if (active() && m_table->hasField(field) && (!m_table->isEmpty() || editing()))
            return m_table->value(field);
    } catch (const std::exception &e) {
        // the control shows nothing; the operator meets the error where the record is used
        qCWarning(lcUi) << "reading" << field << "of" << m_table->fileName() << "failed:" << e.what();
    }
    return {};
}

bool DataSource::changeConcerns(const QString &changed, const QString &field) const
{
    if (changed.compare(field, Qt::CaseInsensitive) == 0)
        return true;
    return m_table && m_table->isOpen() && m_table->fieldIndex(field) < 0;
}

void DataSource::notified(dbase::Table::Notification n, const QString &field)
{
    using N = dbase::Table::Notification;
    if (m_walking > 0)
        return;
    switch (n) {
    case N::Destroyed:
        m_listener = 0;
        m_table = nullptr;
        emit recordsChanged();
        emit stateChanged();
        emit recordChanged();
        break;
    case N::Opened:
    case N::Closed:
        emit recordsChanged();
        emit stateChanged();
        emit recordChanged();
        break;
    case N::StateChanged:
        emit stateChanged();
        emit recordChanged();
        break;
    case N::Scrolled:
        emit recordChanged();
        break;
    case N::FieldChanged:
        emit fieldChanged(field);
        break;
    }
}

void DataSource::setPendingWriter(QObject *control, PendingWriter writer)
{
    std::erase_if(m_writers, [control](const Writer &w) { return !w.control || w.control == control; });
    if (writer)
        m_writers.push_back({control, std::move(writer)});
}

bool DataSource::writePending()
{
    const std::vector<Writer> writers = m_writers; // a writer may bind or unbind controls
    for (const Writer &w : writers) {
        if (w.control && !w.write())
            return false;
    }
    return true;
}

bool DataSource::beginOperatorEdit()
{
    if (!active())
        return false;
    if (editing())
        return true;
    if (!autoEdit || (beforeAutoEdit && !beforeAutoEdit()))
        return false;
    try {
        m_table->edit();
        return true;
    } catch (const dbase::Abort &) {
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    return false;
}

bool DataSource::setOperatorValue(const QString &field, const QVariant &value)
{
    if (!beginOperatorEdit())
        return false;
    try {
        m_table->setValue(field, value);
        return true;
    } catch (const dbase::Abort &) {
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    return false;
}

void DataSource::refresh()
{
    emit recordsChanged();
    emit recordChanged();
}

DataSource::Walk::Walk(DataSource &ds)
    : m_ds(ds), m_mark(ds.m_table ? ds.m_table->bookmark() : 0)
{
    ++m_ds.m_walking;
    if (m_ds.m_table)
        m_afterScroll = std::exchange(m_ds.m_table->afterScroll, {});
}

DataSource::Walk::~Walk()
{
    if (dbase::Table *t = m_ds.m_table) {
        try {
            if (m_mark)
                t->gotoBookmark(m_mark);
            else
                t->first();
        } catch (const std::exception &e) {
            qCWarning(lcUi) << "returning to the record of" << t->fileName() << "after reading its rows failed:"
                            << e.what();
        }
        t->afterScroll = std::move(m_afterScroll);
    }
    --m_ds.m_walking;
}

} // namespace qal::ui
