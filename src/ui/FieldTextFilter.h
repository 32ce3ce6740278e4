#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QValidator>

class QLineEdit;

namespace qal::ui {

// Text as a table field takes it: one line of Windows-1252 characters. What the operator
// types or pastes is cleaned before it reaches the control's text:
//  - a line break or a tab becomes one space; other control characters and invisible
//    format characters (zero-width space, byte-order mark) are dropped;
//  - a letter followed by combining accents becomes the accented letter;
//  - a character the code page lacks becomes its equivalent when it has one: the same
//    letter without the accent the code page lacks (Ć → C, ő → o, ș → s, ǘ → ü), the
//    letters with a stroke or without a dot (Ł → L, đ → d, ı → i), dashes and primes
//    (‐ − → -, ′ → ', ″ → "), spaces of other widths (→ space);
//  - any other character (Cyrillic, Greek, CJK, emoji, ...) is refused.
struct CleanText
{
    QString text;
    QStringList notes; // what was changed or refused, in the operator's words; empty: nothing
    bool refused = false; // some character had no place in the field
};
CleanText cleanFieldText(const QString &text);

// Upper case that stays inside the code page and the width: a letter whose capital the code
// page lacks (µ) or that would grow (ß → SS) is kept as it is.
QString upperCaseFieldText(const QString &text);

// The one filter of every text control bound to a field: cleans what the operator types or
// pastes (above), cuts it at the field's width, and says next to the control what it changed,
// refused or cut (showFieldNotice). Installs itself as the control's validator; the control's
// own maximum length is left unlimited so that reaching the width is noticed here.
class FieldTextFilter : public QValidator
{
    Q_OBJECT

public:
    explicit FieldTextFilter(QLineEdit *control);

    // Characters the field holds; 0: no limit.
    void setWidth(int width) { m_width = width; }
    int width() const { return m_width; }
    // Text the program sets (a record's value) goes through as it is, and is not re-checked later.
    void setProgramText(bool on) { m_programText = on; }
    // A control's own typing rule (digits only, ...), asked after the cleaning: what it
    // refuses is not typed, what it finds unfinished stays unfinished.
    void setRule(QValidator *rule) { m_rule = rule; }
    QValidator *rule() const { return m_rule; }
    // A password: what the cleaning would change is refused whole (a password is never
    // stored other than typed), and the notice names no character typed.
    void setSecret(bool on) { m_secret = on; }

    State validate(QString &input, int &pos) const override;

private:
    QLineEdit *m_control;
    QPointer<QValidator> m_rule;
    int m_width = 0;
    bool m_programText = false;
    bool m_secret = false;
    mutable QString m_passed; // the text last let through: not checked again
};

// The filter for a text control that is not bound to a field but whose text the program
// stores in one (settings, user names): width as the field's, or the control's own maximum
// length when that is shorter; a validator the control had becomes the filter's rule.
FieldTextFilter *filterAsField(QLineEdit *control, int width);

// Shows text in a small balloon under control for a few seconds, with a beep: the sign of
// a refused or changed keystroke that must not stop the typing with a modal box. One balloon
// per window (object name "avisoCampo"), replaced by the next notice.
void showFieldNotice(QWidget *control, const QString &text);

} // namespace qal::ui
