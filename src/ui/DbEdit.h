#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QVariant>

namespace qal::ui {

class DataSource;
class FieldTextFilter;

// A line edit bound to one field of a data source's current record. Shows the field's value,
// and writes what the operator types into the record (starting an edit when the source
// allows it). What is typed or pasted passes the fields' text filter first (one line of the
// tables' code page, at most the field's width; FieldTextFilter); a validator a form sets on
// the control becomes the filter's typing rule, asked after it. Loading never emits edited().
//
// Text that is no value of the field yet (a date or a number half typed) is held, never
// dropped: the edit is started, the text stays on screen while other fields change, and it is
// written when the operator leaves the field or the record is posted or left. Text that can
// never be a value ("31/02/1985") is reported then, and the post or the move does not happen.
class DbEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit DbEdit(QWidget *parent = nullptr);
    ~DbEdit() override;

    void bind(DataSource *source, const QString &field);
    const QString &field() const { return m_field; }

    // What the operator types turns to capitals (names, places).
    bool upperCase = false;
    // A limit below the field's width; 0 takes the width.
    int maxChars = 0;
    // Characters the operator may type: the field's width or maxChars (0: no limit, a date).
    int fieldWidth() const;

    // The operator's text is not in the record yet.
    bool holdsText() const { return m_holding; }
    // Writes the held text; false (after saying why) when it is no value of the field.
    bool writeHeldText();

signals:
    // The operator changed the value (after it reached the record).
    void edited();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void keepFilter();
    void load();
    void operatorEdited(const QString &text);
    char fieldType() const;
    bool write(const QVariant &value);

    QPointer<DataSource> m_source;
    FieldTextFilter *m_filter;
    QString m_field;
    bool m_writing = false;
    bool m_holding = false;
    QVariant m_heldOver; // the record's value when the held text was begun
};

} // namespace qal::ui
