#include "TextRuleValidator.h"

#include "FieldTextFilter.h"

#include <QLineEdit>

namespace qal::ui {

TextRuleValidator::TextRuleValidator(int maxLength, bool lettersOrDigitsOnly, QObject *parent)
    : QValidator(parent), m_maxLength(maxLength), m_lettersOrDigits(lettersOrDigitsOnly)
{
}

QValidator::State TextRuleValidator::validate(QString &input, int &) const
{
    input = input.toLower();
    if (input.size() > m_maxLength)
        return Invalid;
    if (m_lettersOrDigits) {
        for (QChar c : input) {
            // Latin letters (ñ and accented ones too) and digits: what the tables' code page holds.
            if (!c.isLetterOrNumber() || c.unicode() > 0xFF)
                return Invalid;
        }
    }
    return Acceptable;
}

void applyPasswordRules(QLineEdit *edit)
{
    // cleaned and cut at the width with a notice, then held to the password's own rule
    edit->setValidator(new TextRuleValidator(10, true, edit));
    edit->setMaxLength(10);
    filterAsField(edit, 10)->setSecret(true);
    edit->setEchoMode(QLineEdit::Password);
    // no copying a password out of the field, no input-method prediction
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
}

void applyUserNameRules(QLineEdit *edit)
{
    edit->setValidator(new TextRuleValidator(10, false, edit));
    edit->setMaxLength(10);
    filterAsField(edit, 10);
}

} // namespace qal::ui
