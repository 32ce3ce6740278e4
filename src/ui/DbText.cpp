#include "DbText.h"

#include "DataSource.h"

#include <QDate>

namespace qal::ui {

QString textOfValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    return value.toString();
}

DbText::DbText(QWidget *parent)
    : QLabel(parent)
{
}

void DbText::bind(DataSource *source, const QString &field)
{
    DataSource::attach(m_source, source, this, field, &DbText::load);
    m_field = field;
    load();
}

void DbText::load()
{
    setText(m_source ? textOfValue(m_source->currentValue(m_field)) : QString());
}

} // namespace qal::ui
