#pragma once

#include <QValidator>

namespace qal::ui {

// The typing rules of user names and passwords: what is typed turns to lower case, at most
// maxLength characters, and (when asked) only letters and digits. Text that breaks a rule
// is refused as it is typed or pasted.
class TextRuleValidator : public QValidator
{
    Q_OBJECT

public:
    TextRuleValidator(int maxLength, bool lettersOrDigitsOnly, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;

private:
    int m_maxLength;
    bool m_lettersOrDigits;
};

} // namespace qal::ui

class QLineEdit;

namespace qal::ui {

// Applies the rules to an edit: validator, maximum length and, for passwords, no echo.
void applyPasswordRules(QLineEdit *edit);
void applyUserNameRules(QLineEdit *edit);
} // namespace qal::ui
