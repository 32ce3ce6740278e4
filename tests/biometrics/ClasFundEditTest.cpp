#include "biometrics/Classification.h"
#include "biometrics/forms/TClasFundEdit.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace qal;

namespace {

struct Edit
{
    TClasFundEdit edit;
    Edit() { edit.show(); }
    // Types at a caret position (0-based).
    void typeAt(int caret, const QString &keys)
    {
        edit.setCursorPosition(caret);
        QTest::keyClicks(&edit, keys);
    }
};

} // namespace

TEST(TClasFundEdit, StartsEmptyWithItsLookAndLength)
{
    Edit e;
    EXPECT_EQ(e.edit.text(), "_____");
    EXPECT_EQ(e.edit.Clasificacion(), "_____");
    EXPECT_EQ(e.edit.maxLength(), 5);
    EXPECT_EQ(e.edit.width(), 45);
    EXPECT_EQ(e.edit.font().family(), "Courier New");
    EXPECT_EQ(e.edit.font().pointSize(), 10);
    EXPECT_TRUE(e.edit.font().bold());
}

TEST(TClasFundEdit, TypingOverwritesWithTheSymbolsOfEachPosition)
{
    Edit e;
    e.typeAt(0, "v");
    EXPECT_EQ(e.edit.text(), "V____");
    EXPECT_EQ(e.edit.cursorPosition(), 1);
    e.typeAt(1, "5"); // not a symbol of position 2
    EXPECT_EQ(e.edit.text(), "V____");
    EXPECT_EQ(e.edit.cursorPosition(), 1);
    e.typeAt(1, "a"); // letters other than x only at position 1
    EXPECT_EQ(e.edit.text(), "V____");
    e.typeAt(1, "1x4");
    EXPECT_EQ(e.edit.text(), "V1X4_");
    EXPECT_EQ(e.edit.Clasificacion(), "V1X4_");
    e.typeAt(2, "-"); // "-" writes "_"
    EXPECT_EQ(e.edit.text(), "V1_4_");
    e.typeAt(0, "A");
    EXPECT_EQ(e.edit.text(), "A1_4_");
    e.typeAt(0, "1"); // 1 is not a thumb symbol
    EXPECT_EQ(e.edit.text(), "A1_4_");
    e.typeAt(4, "3");
    e.typeAt(5, "2"); // end of a full field: nothing is added
    EXPECT_EQ(e.edit.text(), "A1_43");
    EXPECT_EQ(e.edit.Clasificacion(), "A1_43");
    e.typeAt(0, "E0000");
    EXPECT_EQ(e.edit.text(), "E0000");
    for (const char *symbol : {"0", "a", "e", "i", "v", "x", "_"}) {
        e.typeAt(0, QString::fromLatin1(symbol));
        EXPECT_EQ(e.edit.text().at(0), QString::fromLatin1(symbol).toUpper().at(0));
    }
    e.typeAt(0, "b");
    e.typeAt(3, "I");
    EXPECT_EQ(e.edit.text(), "_0000");
}

TEST(TClasFundEdit, NothingIsEverRemoved)
{
    Edit e;
    e.typeAt(0, "x1234");
    e.edit.setCursorPosition(3);
    QTest::keyClick(&e.edit, Qt::Key_Backspace);
    QTest::keyClick(&e.edit, Qt::Key_Delete);
    e.edit.selectAll();
    QTest::keyClick(&e.edit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&e.edit, Qt::Key_Delete);
    EXPECT_EQ(e.edit.text(), "X1234");
    // arrows move the caret
    e.edit.setCursorPosition(0);
    QTest::keyClick(&e.edit, Qt::Key_Right);
    QTest::keyClick(&e.edit, Qt::Key_Right);
    QTest::keyClicks(&e.edit, "0");
    EXPECT_EQ(e.edit.text(), "X1034");
    QTest::keyClick(&e.edit, Qt::Key_Left);
    QTest::keyClick(&e.edit, Qt::Key_Left);
    QTest::keyClicks(&e.edit, "4");
    EXPECT_EQ(e.edit.text(), "X4034");
}

TEST(TClasFundEdit, SetClasificacionPadsCutsAndValidates)
{
    TClasFundEdit edit;
    const std::pair<const char *, const char *> cases[] = {
        {"a1", "A1___"},    {"A12345", "A1234"}, {"B1234", "_____"}, {"ai", "_____"},
        {"", "_____"},      {"x-", "_____"},     {"0x4", "0X4__"},   {"v1234", "V1234"},
        {"e1235", "_____"}, {"__1__", "__1__"},  {"IXXXX", "IXXXX"}, {"1", "_____"},
    };
    for (const auto &[value, expected] : cases) {
        edit.SetClasificacion(QString::fromLatin1(value));
        EXPECT_EQ(edit.Clasificacion(), expected) << value;
    }
    EXPECT_EQ(classification::normalized(QStringLiteral("ñ1234")), "_____");
}
