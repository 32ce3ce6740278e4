#include "reports/Code39.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace qal::reports {
namespace {

// Code 39 draws every character as five bars and four spaces, three of the nine wide,
// with a narrow gap between characters: 6 + 3 * ratio + 1 modules.
double charModules(double ratio)
{
    return 6 + 3 * ratio + 1;
}

TEST(Code39, ReceiptTextIsFramedByStartAndStopAtTheRatioOfTwoAndAHalf)
{
    QString error;
    const std::optional<Code39Symbol> s = EncodeCode39(QStringLiteral("1005/1"), false, 2.5, &error);
    ASSERT_TRUE(s) << error.toStdString();
    EXPECT_EQ(s->text, QStringLiteral("1005/1"));
    const int chars = 6 + 2; // the asterisks around the text
    EXPECT_EQ(s->bars.size(), chars * 5);
    // no gap after the stop character
    EXPECT_DOUBLE_EQ(s->widthModules, chars * charModules(2.5) - 1);
    for (const Code39Symbol::Bar &b : s->bars)
        EXPECT_TRUE(b.width == 1.0 || b.width == 2.5) << b.width;
    // "/" is the one character here whose wide elements are all spaces: its bars are narrow
    const int slash = 5; // after "*", "1", "0", "0", "5"
    for (int bar = 0; bar < 5; ++bar)
        EXPECT_EQ(s->bars[slash * 5 + bar].width, 1.0) << bar;
}

TEST(Code39, OtherRatiosAndTheCheckCharacterChangeOnlyTheWidth)
{
    const auto plain = EncodeCode39(QStringLiteral("AB-12"), false, 2.5);
    const auto ratio3 = EncodeCode39(QStringLiteral("AB-12"), false, 3.0);
    const auto checked = EncodeCode39(QStringLiteral("AB-12"), true, 2.5);
    ASSERT_TRUE(plain && ratio3 && checked);
    EXPECT_DOUBLE_EQ(ratio3->widthModules, 7 * charModules(3.0) - 1);
    // the check character: one more character before the stop
    EXPECT_DOUBLE_EQ(checked->widthModules, plain->widthModules + charModules(2.5));
    EXPECT_EQ(checked->bars.size(), plain->bars.size() + 5);
}

TEST(Code39, LowerCaseIsPrintedUpperCase)
{
    const auto lower = EncodeCode39(QStringLiteral("abc"));
    const auto upper = EncodeCode39(QStringLiteral("ABC"));
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ(lower->text, QStringLiteral("ABC"));
    ASSERT_EQ(lower->bars.size(), upper->bars.size());
    for (qsizetype i = 0; i < lower->bars.size(); ++i) {
        EXPECT_EQ(lower->bars[i].start, upper->bars[i].start);
        EXPECT_EQ(lower->bars[i].width, upper->bars[i].width);
    }
}

TEST(Code39, TextOutsideTheCharacterSetIsRefusedNotMisprinted)
{
    for (const QString &text : {QStringLiteral("12*3"), QStringLiteral("PEÑA"), QStringLiteral("A_B"),
                                QStringLiteral("a@b"), QString()}) {
        QString error;
        EXPECT_FALSE(EncodeCode39(text, false, 2.5, &error)) << text.toStdString();
        EXPECT_FALSE(error.isEmpty()) << text.toStdString();
    }
    QString error;
    EncodeCode39(QStringLiteral("PEÑA"), false, 2.5, &error);
    EXPECT_EQ(error, QStringLiteral("El texto \"PEÑA\" no se puede representar en Code 39"));
}

} // namespace
} // namespace qal::reports
