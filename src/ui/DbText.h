#pragma once

#include <QLabel>
#include <QPointer>

namespace qal::ui {

class DataSource;

// A label showing one field of a data source's current record (read-only).
class DbText : public QLabel
{
    Q_OBJECT

public:
    explicit DbText(QWidget *parent = nullptr);

    void bind(DataSource *source, const QString &field);

private:
    void load();

    QPointer<DataSource> m_source;
    QString m_field;
};

// The text a data-aware control shows for a value: dates as dd/MM/yyyy, null as nothing.
QString textOfValue(const QVariant &value);

} // namespace qal::ui
