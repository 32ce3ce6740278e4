#pragma once

#include <QLineEdit>
#include <QPointer>

namespace qal::ui {

class DataSource;

// A line edit bound to one field of a data source's current record. Shows the field's value,
// takes the field's width as its maximum length, and writes what the operator types into
// the record (starting an edit when the source allows it). Loading never emits edited().
class DbEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit DbEdit(QWidget *parent = nullptr);

    void bind(DataSource *source, const QString &field);
    const QString &field() const { return m_field; }

    // What the operator types turns to capitals (names, places).
    bool upperCase = false;
    // A limit below the field's width; 0 takes the width.
    int maxChars = 0;

signals:
    // The operator changed the value (after it reached the record).
    void edited();

private:
    void load();
    void operatorEdited(const QString &text);

    QPointer<DataSource> m_source;
    QString m_field;
    bool m_writing = false;
};

} // namespace qal::ui
