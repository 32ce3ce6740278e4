#include "DbCheckBox.h"

#include "DataSource.h"

namespace qal::ui {

DbCheckBox::DbCheckBox(QWidget *parent)
    : QCheckBox(parent)
{
    connect(this, &QCheckBox::clicked, this, &DbCheckBox::operatorClicked);
}

void DbCheckBox::bind(DataSource *source, const QString &field)
{
    DataSource::attach(m_source, source, this, field, &DbCheckBox::load);
    m_field = field;
    load();
}

bool DbCheckBox::logical() const
{
    dbase::Table *t = m_source ? m_source->table() : nullptr;
    return t && t->fieldIndex(m_field) >= 0 && t->field(m_field).type == 'L';
}

void DbCheckBox::load()
{
    if (m_writing)
        return;
    dbase::Table *t = m_source ? m_source->table() : nullptr;
    if (!t || !t->isOpen() || !t->hasField(m_field)) {
        setChecked(false);
        setEnabled(false);
        return;
    }
    setEnabled(true);
    const QVariant v = m_source->currentValue(m_field);
    setChecked(logical() ? v.toBool() : v.toString() == valueChecked); // setChecked never emits clicked
}

void DbCheckBox::operatorClicked(bool checked)
{
    if (!m_source)
        return;
    const QVariant v = logical() ? QVariant(checked) : QVariant(checked ? valueChecked : valueUnchecked);
    m_writing = true;
    const bool ok = m_source->setOperatorValue(m_field, v);
    m_writing = false;
    if (ok)
        emit edited();
    else
        load();
}

} // namespace qal::ui
