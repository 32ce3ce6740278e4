#include "MdxTestSupport.h"

#include "dbase/DatabaseError.h"
#include "dbase/KeyExpression.h"
#include "dbase/NumericKey.h"
#include "dbase/TagKeys.h"

#include <QDate>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

using namespace qal;
using namespace qal::dbase;

namespace {
QByteArray hex(const QByteArray &b) { return b.toHex(' '); }
} // namespace

TEST(NumericKey, EncodesAsDbaseWritesIt)
{
    EXPECT_EQ(hex(numeric_key::fromText("      350")), hex(QByteArray::fromHex("372935000000000000000000")));
    EXPECT_EQ(hex(numeric_key::fromText("  -200.00")), hex(QByteArray::fromHex("37a920000000000000000000")));
    EXPECT_EQ(hex(numeric_key::fromText("   0")), hex(QByteArray::fromHex("340100000000000000000000")));
    EXPECT_EQ(hex(numeric_key::fromText("         ")), hex(numeric_key::fromText("0")));
    EXPECT_EQ(hex(numeric_key::fromDouble(350)), hex(numeric_key::fromText("350")));
    EXPECT_EQ(hex(numeric_key::fromText("12350.25")), hex(QByteArray::fromHex("39291235025000000000000000").left(12)));
    EXPECT_EQ(quint8(numeric_key::fromText("0.05")[0]), 0x33);
    EXPECT_DOUBLE_EQ(numeric_key::toDouble(numeric_key::fromText("-12.5")), -12.5);
    EXPECT_DOUBLE_EQ(numeric_key::toDouble(numeric_key::fromText("0.0125")), 0.0125);
}

TEST(NumericKey, OrdersByValueWhateverTheDigitCount)
{
    const QList<QByteArray> ascending = {"-1000", "-350.5", "-350", "-2", "-0.5", "-0.05", "0",
                                         "0.001", "0.5", "1", "9.99", "10", "350", "350.01", "100000000"};
    for (int i = 0; i < ascending.size(); ++i) {
        for (int j = 0; j < ascending.size(); ++j) {
            const int c = numeric_key::compare(numeric_key::fromText(ascending[i]), numeric_key::fromText(ascending[j]));
            EXPECT_EQ(c, i < j ? -1 : (i > j ? 1 : 0)) << ascending[i].constData() << " vs " << ascending[j].constData();
        }
    }
    // Other writers state other digit counts and may even set the sign of zero.
    QByteArray other = numeric_key::fromText("350");
    other[1] = char(0x09);
    EXPECT_EQ(numeric_key::compare(other, numeric_key::fromText("350")), 0);
    QByteArray negativeZero = numeric_key::fromText("0");
    negativeZero[1] = char(0x81);
    EXPECT_EQ(numeric_key::compare(negativeZero, numeric_key::fromText("0")), 0);
}

TEST(NumericKey, KeepsTwentyDigitsOfLongerNumbers)
{
    // The exponent counts every digit; the digit count says twenty.
    EXPECT_EQ(hex(numeric_key::fromText("123456789012345678901234")), hex(QByteArray::fromHex("4c5112345678901234567890")));
    EXPECT_EQ(hex(numeric_key::fromText("100000000000000000000000005")), hex(QByteArray::fromHex("4f5110000000000000000000")));
    EXPECT_EQ(hex(numeric_key::fromText("000.000120")), hex(QByteArray::fromHex("312912000000000000000000")));
    EXPECT_EQ(hex(numeric_key::fromText("-0.00")), hex(numeric_key::fromText("0")));
}

// Whole numbers, the text nearly every numeric field holds, take a shorter way to their key:
// the same key as the same number written with a decimal point, for every sign, length and
// run of zeros; anything else in the text is read the general way.
TEST(NumericKey, WholeNumbersGiveTheKeyOfTheSameNumberWithAPoint)
{
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) {
        QByteArray digits;
        for (int n = 1 + int(rng() % 22); n > 0; --n)
            digits += char('0' + (rng() % 3 == 0 ? 0 : rng() % 10));
        const QByteArray sign = rng() % 3 == 0 ? "-" : "";
        const QByteArray pad(int(rng() % 4), ' ');
        const QByteArray whole = pad + sign + digits + (rng() % 2 ? pad : QByteArray());
        EXPECT_EQ(hex(numeric_key::fromText(whole)), hex(numeric_key::fromText(sign + digits + ".0"))) << whole.constData();
    }
    for (const QByteArray text : {"", "   ", "-", " - ", "0", "-0", "00000", "  7", "7  "})
        EXPECT_EQ(hex(numeric_key::fromText(text)), hex(numeric_key::fromText(text.trimmed() + ".0"))) << text.constData();
    EXPECT_EQ(hex(numeric_key::fromText("- 5")), hex(numeric_key::fromText("0")));
    EXPECT_EQ(hex(numeric_key::fromText("12a")), hex(numeric_key::fromText("12")));
    EXPECT_EQ(hex(numeric_key::fromText(QByteArray("\0\0 42", 5))), hex(numeric_key::fromText("42")));
}

TEST(DateKey, IsTheJulianDayAsLittleEndianDouble)
{
    const QByteArray key = date_key::fromJulianDay(double(QDate(2000, 1, 1).toJulianDay()));
    EXPECT_EQ(hex(key), hex(QByteArray::fromHex("000000802cb44241")));
    EXPECT_DOUBLE_EQ(date_key::toJulianDay(key), 2451545.0);
    EXPECT_LT(date_key::compare(date_key::fromJulianDay(0), key), 0);
}

class KeyExpressionTest : public ::testing::Test
{
protected:
    KeyExpressionTest()
    {
        table.addField("NOMBRE", 'C', 20);
        table.addField("CODE_CLIEN", 'N', 5);
        table.addField("DATE_FACT", 'D', 8);
        table.addField("IMPORTE", 'N', 10, 2);
        table.addField("NOTAS", 'M', 10);
        table.addField("ACTIVO", 'L', 1);
    }
    QByteArray key(const QString &expression, const QList<QByteArray> &values)
    {
        return KeyExpression::compile(expression, table.fields).evaluate(table.make(values));
    }
    test::MemoryTable table;
};

TEST_F(KeyExpressionTest, TypesAndLengthsFollowTheExpression)
{
    struct Case { const char *text; KeyType type; int length; int field; };
    const Case cases[] = {
        {"NOMBRE", KeyType::Character, 20, 0},
        {"code_client", KeyType::Numeric, 12, 1}, // dBASE truncates long names to ten characters
        {"date_fact", KeyType::Date, 8, 2},
        {"dtos(date_fact)+str(code_clien)", KeyType::Character, 18, -1},
        {"UPPER(NOMBRE)", KeyType::Character, 20, -1},
        {"DTOS(DATE_FACT)+STR(CODE_CLIEN,4)", KeyType::Character, 12, -1},
        {"STR(IMPORTE, 12, 2) + LEFT(nombre, 3)", KeyType::Character, 15, -1},
        {"SUBSTR(NOMBRE,5)", KeyType::Character, 16, -1},
        {"SUBSTR(NOMBRE,5,30)", KeyType::Character, 16, -1},
        {"RIGHT(NOMBRE,4)+'-'", KeyType::Character, 5, -1},
        {"IMPORTE+CODE_CLIEN", KeyType::Numeric, 12, -1},
        {"DATE_FACT+30", KeyType::Date, 8, -1},
    };
    for (const Case &c : cases) {
        const KeyExpression e = KeyExpression::compile(QString::fromLatin1(c.text), table.fields);
        EXPECT_EQ(e.type(), c.type) << c.text;
        EXPECT_EQ(e.length(), c.length) << c.text;
        EXPECT_EQ(e.field(), c.field) << c.text;
    }
}

TEST_F(KeyExpressionTest, RejectsWhatDbaseWouldNotIndex)
{
    const char *bad[] = {"", "NOEXISTE", "UPPER(CODE_CLIEN)", "NOTAS", "ACTIVO",
                         "NOMBRE+CODE_CLIEN", "STR(IMPORTE,101)", "SUBSTR(NOMBRE,21)", "UPPER(NOMBRE",
                         "NOMBRE NOMBRE", "NOMBRE+NOMBRE+NOMBRE+NOMBRE+NOMBRE+NOMBRE", "'abc", "SUBSTR(NOMBRE,CODE_CLIEN)"};
    for (const char *text : bad)
        EXPECT_THROW(KeyExpression::compile(QString::fromLatin1(text), table.fields), DatabaseError) << text;
    try {
        KeyExpression::compile("FOO(NOMBRE)", table.fields);
        FAIL();
    } catch (const ExpressionBeyondEngine &e) {
        EXPECT_EQ(e.message(), QStringLiteral("La expresión de clave «FOO(NOMBRE)» no se puede calcular: la función FOO() "
                                              "no está entre las que este programa calcula."));
    }
}

TEST_F(KeyExpressionTest, EvaluatesOnRawRecords)
{
    const QList<QByteArray> row = {"mu\xF1oz pe\xF1" "a", "42", "20240305", "-1234.5"};
    EXPECT_EQ(key("UPPER(NOMBRE)", row), QByteArray("MU\xD1OZ PE\xD1" "A          "));
    EXPECT_EQ(key("NOMBRE", row), QByteArray("mu\xF1oz pe\xF1" "a          "));
    EXPECT_EQ(key("DTOS(DATE_FACT)+STR(CODE_CLIEN)", row), QByteArray("20240305        42"));
    EXPECT_EQ(key("STR(IMPORTE,8,1)", row), QByteArray(" -1234.5"));
    EXPECT_EQ(key("STR(IMPORTE,4)", row), QByteArray("****"));
    EXPECT_EQ(key("STR(IMPORTE,7,0)", {"", "", "", "2.5"}), QByteArray("      3"));
    EXPECT_EQ(key("SUBSTR(NOMBRE,3,4)+LEFT(NOMBRE,2)", row), QByteArray("\xF1oz mu"));
    EXPECT_EQ(key("IMPORTE", row), numeric_key::fromText("-1234.50"));
    EXPECT_EQ(key("CODE_CLIEN+1", row), numeric_key::fromText("43"));
    EXPECT_EQ(key("DATE_FACT", row), date_key::fromJulianDay(double(QDate(2024, 3, 5).toJulianDay())));
    EXPECT_EQ(key("DATE_FACT+30", row), date_key::fromJulianDay(double(QDate(2024, 4, 4).toJulianDay())));
    // Blank and unreadable values, short records
    EXPECT_EQ(key("DTOS(DATE_FACT)", {}), QByteArray(8, ' '));
    EXPECT_EQ(key("DATE_FACT", {"", "", "20241399"}), date_key::fromJulianDay(0));
    EXPECT_EQ(key("CODE_CLIEN", {}), numeric_key::fromText("0"));
    const KeyExpression e = KeyExpression::compile("NOMBRE+STR(CODE_CLIEN,3)", table.fields);
    EXPECT_EQ(e.evaluate(QByteArray(" ab")), QByteArray("ab                    0"));
}

TEST(UpperCp1252, FoldsSpanishAndWesternLetters)
{
    EXPECT_EQ(upperCp1252("a\xF1\xE1\xE9\xED\xF3\xFA\xFC\xE7\xF7\x9A\x9C\x9E\xFFz1"),
              QByteArray("A\xD1\xC1\xC9\xCD\xD3\xDA\xDC\xC7\xF7\x8A\x8C\x8E\x9FZ1"));
}

namespace {

// The record numbers of sorted keys, in their order.
std::vector<std::uint32_t> sortedRecnos(TagKeys &keys, const QList<QByteArray> &values, bool unique = false)
{
    for (int i = 0; i < values.size(); ++i)
        std::memcpy(keys.append(std::uint32_t(i + 1)), values[i].constData(), size_t(keys.keyLength()));
    keys.sort();
    if (unique)
        keys.keepFirstOfEachKey();
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < keys.size(); ++i)
        out.push_back(keys.recno(i));
    return out;
}

} // namespace

TEST(TagKeys, SortNumericKeysByValueWhateverTheirForm)
{
    QByteArray other350 = numeric_key::fromText("350");
    other350[1] = char(0x09); // another writer's digit count
    QByteArray negativeZero = numeric_key::fromText("0");
    negativeZero[1] = char(0x81);
    const QList<QByteArray> values = {numeric_key::fromText("350"), numeric_key::fromText("-2.5"), negativeZero,
                                      other350, numeric_key::fromText("0"), numeric_key::fromText("-1000"),
                                      numeric_key::fromText("0.001"), numeric_key::fromText("-2.45")};
    TagKeys ascending(KeyType::Numeric, numeric_key::kLength, false);
    EXPECT_EQ(sortedRecnos(ascending, values), std::vector<std::uint32_t>({6, 2, 8, 3, 5, 7, 1, 4}));
    TagKeys unique(KeyType::Numeric, numeric_key::kLength, false);
    EXPECT_EQ(sortedRecnos(unique, values, true), std::vector<std::uint32_t>({6, 2, 8, 3, 7, 1}));
    TagKeys reversed(KeyType::Numeric, numeric_key::kLength, true);
    EXPECT_EQ(sortedRecnos(reversed, values), std::vector<std::uint32_t>({1, 4, 7, 3, 5, 8, 2, 6}));
}

TEST(TagKeys, SortDatesWithEveryBlankFormTogether)
{
    QByteArray negativeZero = date_key::fromJulianDay(0);
    negativeZero[7] = char(0x80);
    const QList<QByteArray> values = {date_key::fromJulianDay(2451545), date_key::fromJulianDay(0), negativeZero,
                                      date_key::fromJulianDay(std::nan("")), date_key::fromJulianDay(2451544)};
    TagKeys keys(KeyType::Date, date_key::kLength, false);
    EXPECT_EQ(sortedRecnos(keys, values), std::vector<std::uint32_t>({2, 3, 4, 5, 1}));
}

TEST(TagKeys, SortLongCharacterKeysOnEveryByte)
{
    // Keys alike in their first sixteen bytes, unsigned bytes above 0x7F, descending.
    const QList<QByteArray> values = {"AAAAAAAAAAAAAAAAAAAB", "AAAAAAAAAAAAAAAAAAAC", "AAAAAAAAAAAAAAAAAAAB",
                                      "\xD1" "AAAAAAAAAAAAAAAAAAA", "ZAAAAAAAAAAAAAAAAAAA"};
    TagKeys keys(KeyType::Character, 20, true);
    EXPECT_EQ(sortedRecnos(keys, values), std::vector<std::uint32_t>({4, 5, 2, 1, 3}));
    TagKeys unique(KeyType::Character, 20, false);
    EXPECT_EQ(sortedRecnos(unique, values, true), std::vector<std::uint32_t>({1, 2, 5, 4}));
}

// A large tag keeps its keys in memory of its own mapping (see LargeAllocator), grown record
// by record without a reserve, then sorted and thinned: the same order as a plain sort.
TEST(TagKeys, SortAHundredThousandKeysAsAPlainSortWould)
{
    std::mt19937 rng(7);
    std::vector<std::pair<QByteArray, std::uint32_t>> reference;
    TagKeys keys(KeyType::Character, 18, false);
    for (std::uint32_t recno = 1; recno <= 100000; ++recno) {
        QByteArray key = QByteArray::number(rng() % 30000).rightJustified(6, '0') + QByteArray(12, char('A' + rng() % 3));
        std::memcpy(keys.append(recno), key.constData(), 18);
        reference.emplace_back(key, recno);
    }
    std::sort(reference.begin(), reference.end());
    keys.sort();
    ASSERT_EQ(keys.size(), reference.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        ASSERT_EQ(keys.recno(i), reference[i].second) << i;
        ASSERT_EQ(keys.key(i), reference[i].first) << i;
    }
    keys.keepFirstOfEachKey();
    reference.erase(std::unique(reference.begin(), reference.end(),
                                [](const auto &a, const auto &b) { return a.first == b.first; }),
                    reference.end());
    ASSERT_EQ(keys.size(), reference.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        ASSERT_EQ(keys.recno(i), reference[i].second) << i;
}

// Numbers of every sign and size, some in another writer's form (a leading zero digit, which
// lowers the exponent), added out of record order, in both directions: the order a
// comparison of the values and then of the record numbers gives.
TEST(TagKeys, SortAHundredThousandNumbersAsTheirValuesOrder)
{
    std::mt19937 rng(11);
    std::vector<std::pair<QByteArray, std::uint32_t>> entries;
    for (std::uint32_t i = 0; i < 100000; ++i) {
        const double magnitude = std::pow(10.0, int(rng() % 9) - 3);
        const double value = double(int(rng() % 2001) - 1000) * magnitude;
        QByteArray key = numeric_key::fromDouble(value);
        if (rng() % 10 == 0 && value != 0) {
            // the same value with its digits one nibble later and the exponent raised
            QByteArray shifted = key;
            for (int b = 11; b >= 2; --b)
                shifted[b] = char((uchar(key[b]) >> 4) | (b > 2 ? uchar(key[b - 1]) << 4 : 0));
            shifted[0] = char(uchar(key[0]) + 1);
            key = shifted;
        }
        entries.emplace_back(key, 100000 - i); // the last added first
    }
    for (const bool descending : {false, true}) {
        TagKeys keys(KeyType::Numeric, numeric_key::kLength, descending);
        for (const auto &[key, recno] : entries)
            std::memcpy(keys.append(recno), key.constData(), numeric_key::kLength);
        auto reference = entries;
        std::sort(reference.begin(), reference.end(), [&](const auto &a, const auto &b) {
            const int c = numeric_key::compare(a.first, b.first);
            return c != 0 ? (descending ? c > 0 : c < 0) : a.second < b.second;
        });
        keys.sort();
        ASSERT_EQ(keys.size(), reference.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            ASSERT_EQ(keys.recno(i), reference[i].second) << i << (descending ? " descending" : "");
            ASSERT_EQ(numeric_key::toDouble(keys.key(i)), numeric_key::toDouble(reference[i].first)) << i;
        }
    }
}
