#pragma once

#include <QCheckBox>
#include <QPointer>

namespace qal::ui {

class DataSource;

// A check box bound to one field: ticked when the field holds valueChecked (a logical field
// is ticked when true). A click by the operator writes valueChecked or valueUnchecked.
// Loading never emits edited().
class DbCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit DbCheckBox(QWidget *parent = nullptr);

    void bind(DataSource *source, const QString &field);

    QString valueChecked = QStringLiteral("S");
    QString valueUnchecked = QStringLiteral("N");

signals:
    void edited();

private:
    void load();
    void operatorClicked(bool checked);
    bool logical() const;

    QPointer<DataSource> m_source;
    QString m_field;
    bool m_writing = false;
};

} // namespace qal::ui
