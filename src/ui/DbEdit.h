#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QVariant>

namespace qal::ui {

class DataSource;

// A line edit bound to one field of a data source's current record. Shows the field's value,
// takes the field's width as its maximum length, and writes what the operator types into
// the record (starting an edit when the source allows it). Loading never emits edited().
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

    // The operator's text is not in the record yet.
    bool holdsText() const { return m_holding; }
    // Writes the held text; false (after saying why) when it is no value of the field.
    bool writeHeldText();

signals:
    // The operator changed the value (after it reached the record).
    void edited();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void load();
    void operatorEdited(const QString &text);
    char fieldType() const;
    bool write(const QVariant &value);

    QPointer<DataSource> m_source;
    QString m_field;
    bool m_writing = false;
    bool m_holding = false;
    QVariant m_heldOver; // the record's value when the held text was begun
};

} // namespace qal::ui
