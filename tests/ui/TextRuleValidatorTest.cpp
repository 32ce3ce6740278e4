#include "ui/TextRuleValidator.h"

#include "ui/FieldTextFilter.h"

#include "support/Typing.h"

#include <QApplication>
#include <QClipboard>
#include <QIntValidator>
#include <QLabel>
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

namespace {

// A log-in window's edit, shown, and the notice next to it.
struct LogInEdit
{
    LogInEdit()
    {
        window.resize(300, 120);
        edit = new QLineEdit(&window);
        edit->setGeometry(10, 10, 200, 24);
        window.show();
    }
    QString notice() const
    {
        const auto *balloon = window.findChild<QLabel *>(QStringLiteral("avisoCampo"));
        return balloon && balloon->isVisible() ? balloon->text() : QString();
    }
    void paste(const QString &text)
    {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }
    QWidget window;
    QLineEdit *edit = nullptr;
};

} // namespace

TEST(TextRules, AUserNameIsCleanedAsATableFieldAndReachingItsWidthIsSaid)
{
    LogInEdit f;
    applyUserNameRules(f.edit);
    f.paste(QStringLiteral("j\x1b" "Perez\t"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("jperez ")) << "no control character reaches the name";
    EXPECT_TRUE(f.notice().contains(QStringLiteral("Se quitaron caracteres de control.")));
    f.edit->clear();
    qal::test::typeText(f.edit, QStringLiteral("Łukasz"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("lukasz")) << "the code page's equivalent, then lower case";
    EXPECT_EQ(f.notice(), QStringLiteral("Se escribió «L» en lugar de «Ł»."));
    qal::test::typeText(f.edit, QStringLiteral("abcde"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("lukaszabcd"));
    EXPECT_EQ(f.notice(), QStringLiteral("El campo admite hasta 10 caracteres."));
}

TEST(TextRules, APasswordRefusesWhatTheTableCannotHoldWithoutNamingIt)
{
    LogInEdit f;
    applyPasswordRules(f.edit);
    qal::test::typeText(f.edit, QStringLiteral("ab"));
    qal::test::typeText(f.edit, QStringLiteral("\u0436")); // Cyrillic
    EXPECT_EQ(f.edit->text(), QStringLiteral("ab"));
    EXPECT_EQ(f.notice(), QStringLiteral("Carácter no admitido en este campo."));
    qal::test::typeText(f.edit, QStringLiteral("Ł"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("ab")) << "a password is never stored other than typed";
    EXPECT_FALSE(f.notice().contains(QStringLiteral("Ł")));
    f.paste(QStringLiteral("cd\tef"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("ab"));
    qal::test::typeText(f.edit, QStringLiteral("123456789"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("ab12345678"));
    EXPECT_EQ(f.notice(), QStringLiteral("El campo admite hasta 10 caracteres."));
}

TEST(TextRules, AnUnboundEditKeepsItsOwnRuleAndTheShorterWidth)
{
    LogInEdit f;
    f.edit->setValidator(new QIntValidator(0, 99999, f.edit));
    f.edit->setMaxLength(5);
    qal::ui::FieldTextFilter *filter = filterAsField(f.edit, 254);
    EXPECT_EQ(filter->width(), 5);
    ASSERT_TRUE(filter->rule());
    qal::test::typeText(f.edit, QStringLiteral("1x23"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("123")) << "the digits rule still refuses letters";
    qal::test::typeText(f.edit, QStringLiteral("456"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("12345"));
    EXPECT_EQ(f.notice(), QStringLiteral("El campo admite hasta 5 caracteres."));
}
