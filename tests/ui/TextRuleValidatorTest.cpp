#include "ui/TextRuleValidator.h"

#include "support/Typing.h"

#include <QLineEdit>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

using namespace qal::ui;

TEST(TextRules, PasswordFieldsTakeTenLowerCaseLettersOrDigitsAndNeverEcho)
{
    QLineEdit edit;
    applyPasswordRules(&edit);
    qal::test::typeText(&edit, QStringLiteral("AbC-1 ñ2.x"));
    EXPECT_EQ(edit.text(), QStringLiteral("abc1ñ2x")) << "capitals turn lower, signs and blanks are refused";
    QTest::keyClicks(&edit, "12345678");
    EXPECT_EQ(edit.text().size(), 10);
    EXPECT_EQ(edit.echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit.displayText(), QString(10, QChar(edit.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &edit))));
}

TEST(TextRules, UserNamesTurnLowerCaseButKeepOtherCharacters)
{
    QLineEdit edit;
    applyUserNameRules(&edit);
    QTest::keyClicks(&edit, "Juan.Perez-99");
    EXPECT_EQ(edit.text(), "juan.perez") << "ten characters at most";
    EXPECT_EQ(edit.echoMode(), QLineEdit::Normal);
}

TEST(TextRules, APasteThatBreaksARuleIsRefusedWhole)
{
    TextRuleValidator v(10, true);
    QString text = QStringLiteral("abc def");
    int pos = 0;
    EXPECT_EQ(v.validate(text, pos), QValidator::Invalid);
    text = QStringLiteral("ABCDEFGHIJK");
    EXPECT_EQ(v.validate(text, pos), QValidator::Invalid);
    text = QStringLiteral("Ab9");
    EXPECT_EQ(v.validate(text, pos), QValidator::Acceptable);
    EXPECT_EQ(text, "ab9");
    text = QStringLiteral("ab\u4e2d");
    EXPECT_EQ(v.validate(text, pos), QValidator::Invalid) << "outside the tables' code page";
}
