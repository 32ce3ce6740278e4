// What the operator types or pastes into a bound control before it reaches a field: one line
// of the tables' code page, no wider than the field, and every change said on screen.
#include "TableFixture.h"

#include "ui/DataSource.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/FieldTextFilter.h"

#include "core/Cp1252.h"

#include <QApplication>
#include <QIntValidator>
#include <QKeyEvent>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace qal;
using namespace qal::ui;
using State = dbase::Table::State;

namespace {

// Typing as a keyboard (or an input method) does: one key event per character, with its text.
void type(QWidget *control, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, n);
        i += n - 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ch);
        QApplication::sendEvent(control, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, ch);
        QApplication::sendEvent(control, &release);
    }
}

struct FieldText : test::TableFixture
{
    void SetUp() override
    {
        test::TableFixture::SetUp();
        window.resize(400, 200);
        edit = new DbEdit(&window);
        edit->setGeometry(10, 10, 200, 24);
        edit->bind(&ds, QStringLiteral("NOMBRE"));
        window.show();
        edit->setFocus();
        edit->end(false);
    }

    // The balloon's text while it is shown; empty when none is.
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
    QString nombre() const { return table.value(QStringLiteral("NOMBRE")).toString(); }

    DataSource ds {&table};
    QWidget window;
    DbEdit *edit = nullptr;
};

} // namespace

TEST(CleanFieldText, KeepsTheCodePageReplacesWhatHasAnEquivalentAndRefusesTheRest)
{
    // the code page's own letters and signs go through untouched, without a word
    const QString own = QStringLiteral("PEÑA Ñandú ü ç € “citas” – … ÿŸ");
    EXPECT_EQ(cleanFieldText(own).text, own);
    EXPECT_TRUE(cleanFieldText(own).notes.isEmpty());
    // a letter typed with a combining accent is the accented letter
    EXPECT_EQ(cleanFieldText(QStringLiteral("N\u0303U\u0301")).text, QStringLiteral("ÑÚ"));
    EXPECT_TRUE(cleanFieldText(QStringLiteral("N\u0303")).notes.isEmpty());

    const CleanText polish = cleanFieldText(QStringLiteral("Łódź"));
    EXPECT_EQ(polish.text, QStringLiteral("Lódz"));
    EXPECT_EQ(polish.notes, QStringList {QStringLiteral("Se escribió «L» en lugar de «Ł», «z» en lugar de «ź».")});
    EXPECT_FALSE(polish.refused);
    EXPECT_EQ(cleanFieldText(QStringLiteral("ǘ ő ș ı đ ‐ − ′ ＡＢ ﬁ\u2009x")).text, QStringLiteral("ü o s i d - - ' AB fi x"));

    const CleanText foreign = cleanFieldText(QStringLiteral("ИВАН 😀 Ж Ж"));
    EXPECT_EQ(foreign.text, QStringLiteral("   "));
    EXPECT_TRUE(foreign.refused);
    ASSERT_EQ(foreign.notes.size(), 1);
    EXPECT_EQ(foreign.notes.front(), QStringLiteral("Caracteres no admitidos en este campo: «И» «В» «А» «Н» «😀» «Ж». "
                                                    "Los campos guardan solo letras y signos del alfabeto latino."));

    // control characters never reach a field: breaks and tabs become a space, the rest go
    const CleanText lines = cleanFieldText(QStringLiteral("CALLE 1\r\nPISO\t2\n\x1b[0m\x1a\u200b\ufeffFIN"));
    EXPECT_EQ(lines.text, QStringLiteral("CALLE 1 PISO 2 [0mFIN"));
    EXPECT_EQ(lines.notes, QStringList({QStringLiteral("Los saltos de línea y las tabulaciones se reemplazaron por espacios."),
                                        QStringLiteral("Se quitaron caracteres de control.")}));

    // every result is text the code page holds
    for (const QString &t : {polish.text, foreign.text, lines.text})
        EXPECT_TRUE(isCp1252(t));
    // capitals that the code page lacks or that would grow are left as typed
    EXPECT_EQ(upperCaseFieldText(QStringLiteral("peña µ ß ÿ")), QStringLiteral("PEÑA µ ß Ÿ"));
}

TEST_F(FieldText, ACharacterOutsideTheCodePageIsRefusedAtTheControlWithItsReason)
{
    type(edit, QStringLiteral("Ж"));
    EXPECT_EQ(edit->text(), "ana");
    EXPECT_EQ(table.state(), State::Browse) << "nothing reached the record";
    EXPECT_TRUE(notice().startsWith(QStringLiteral("Carácter no admitido en este campo: «Ж».")));

    type(edit, QStringLiteral("ł"));
    EXPECT_EQ(edit->text(), "anal");
    EXPECT_EQ(nombre(), "anal");
    EXPECT_EQ(notice(), QStringLiteral("Se escribió «l» en lugar de «ł»."));
    table.post();
    ASSERT_TRUE(table.findKey(QStringLiteral("anal")));
}

TEST_F(FieldText, PastedControlCharactersNeverReachTheField)
{
    edit->selectAll();
    paste(QStringLiteral("RUIZ\tDÍAZ\r\n\x1a"));
    EXPECT_EQ(edit->text(), QStringLiteral("RUIZ DÍAZ "));
    EXPECT_EQ(nombre(), QStringLiteral("RUIZ DÍAZ")); // a character field's trailing blanks are its padding
    EXPECT_TRUE(notice().contains(QStringLiteral("se reemplazaron por espacios")));
    EXPECT_TRUE(notice().contains(QStringLiteral("Se quitaron caracteres de control.")));
    table.post();
    EXPECT_TRUE(isCp1252(table.value(QStringLiteral("NOMBRE")).toString()));
    EXPECT_FALSE(table.rawRecord().contains('\t'));
    EXPECT_FALSE(table.rawRecord().contains('\x1a'));
}

TEST_F(FieldText, ReachingTheFieldWidthIsSaid)
{
    type(edit, QStringLiteral("lucía"));
    EXPECT_EQ(nombre(), QStringLiteral("analucía"));
    EXPECT_TRUE(notice().isEmpty());
    type(edit, QStringLiteral("xyz"));
    EXPECT_EQ(edit->text(), QStringLiteral("analucíaxy"));
    EXPECT_EQ(notice(), QStringLiteral("El campo admite hasta 10 caracteres."));
    EXPECT_EQ(edit->fieldWidth(), 10);

    // a paste keeps what fits where the cursor was, and the text after it
    edit->setText(QString());
    type(edit, QStringLiteral("ab"));
    edit->setCursorPosition(1);
    paste(QStringLiteral("0123456789"));
    EXPECT_EQ(edit->text(), QStringLiteral("a01234567b"));
    EXPECT_EQ(edit->cursorPosition(), 9);
    EXPECT_EQ(nombre(), QStringLiteral("a01234567b"));
    EXPECT_EQ(notice(), QStringLiteral("El campo admite hasta 10 caracteres."));
}

TEST_F(FieldText, TheRecordsOwnValueIsShownAsStoredUntilTheOperatorEditsIt)
{
    // a value another program stored, longer than the limit the control sets and with a tab
    table.edit();
    table.setValue(QStringLiteral("NOMBRE"), QStringLiteral("an\tabel"));
    table.post();
    edit->maxChars = 3;
    edit->bind(&ds, QStringLiteral("NOMBRE"));
    EXPECT_EQ(edit->text(), QStringLiteral("an\tabel"));
    EXPECT_TRUE(notice().isEmpty());
    EXPECT_EQ(table.state(), State::Browse);
    // cleaned once the operator writes it; as long as it was, never longer
    edit->end(false);
    type(edit, QStringLiteral("x"));
    EXPECT_EQ(nombre(), QStringLiteral("an abel"));
    EXPECT_TRUE(notice().contains(QStringLiteral("se reemplazaron por espacios")));
    EXPECT_TRUE(notice().contains(QStringLiteral("El campo admite hasta 3 caracteres.")));
}

TEST_F(FieldText, AGridCellTakesTheSameFilter)
{
    DbGrid grid(&window);
    grid.bind(&ds);
    grid.setGeometry(0, 40, 400, 150);
    const QModelIndex nombreCell = grid.model()->index(0, 0);
    grid.setCurrentIndex(nombreCell);
    static_cast<QAbstractItemView &>(grid).edit(nombreCell);
    auto *editor = qobject_cast<QLineEdit *>(grid.indexWidget(nombreCell));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "ana");
    EXPECT_TRUE(notice().isEmpty());
    editor->end(false);
    type(editor, QStringLiteral("Щ"));
    EXPECT_EQ(editor->text(), QStringLiteral("ana"));
    EXPECT_TRUE(notice().contains(QStringLiteral("«Щ»")));
    type(editor, QStringLiteral("0123456789"));
    EXPECT_EQ(editor->text(), QStringLiteral("ana0123456"));
    EXPECT_EQ(notice(), QStringLiteral("El campo admite hasta 10 caracteres."));
}

TEST_F(FieldText, AFormsOwnValidatorIsAskedAfterTheFilter)
{
    DbEdit edad(&window);
    edad.bind(&ds, QStringLiteral("EDAD"));
    edad.setValidator(new QIntValidator(0, 99999999, &edad)); // as the request forms do
    edad.setFocus();
    edad.end(false);
    type(&edad, QStringLiteral("x"));
    EXPECT_EQ(edad.text(), "25") << "no digit";
    type(&edad, QStringLiteral("67"));
    EXPECT_EQ(edad.text(), "256") << "the field's width still holds";
    EXPECT_EQ(notice(), QStringLiteral("El campo admite hasta 3 caracteres."));
    EXPECT_EQ(table.value(QStringLiteral("EDAD")).toLongLong(), 256);
}
