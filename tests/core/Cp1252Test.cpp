#include "core/Cp1252.h"

#include <gtest/gtest.h>

using namespace qal;

TEST(Cp1252, SpanishLettersRoundTrip)
{
    const QString text = QStringLiteral("PEÑA MUÑOZ Ángel José ü ¿? €");
    const QByteArray bytes = toCp1252(text);
    EXPECT_EQ(static_cast<unsigned char>(bytes[2]), 0xD1); // Ñ
    EXPECT_EQ(static_cast<unsigned char>(bytes.back()), 0x80); // €
    EXPECT_EQ(fromCp1252(bytes), text);
}

TEST(Cp1252, EveryByteDecodesAndReencodesToItself)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = fromCp1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toCp1252(text), all);
    EXPECT_EQ(text[0x92], QChar(0x2019)); // right single quote, as typed in names
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(toCp1252(QStringLiteral("a\u4e2db\u0394")), QByteArray("a?b?"));
    EXPECT_FALSE(isCp1252(QStringLiteral("\u0394")));
    EXPECT_TRUE(isCp1252(QStringLiteral("Ñandú")));
}
