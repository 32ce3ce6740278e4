// The key bytes of each function and operator of dBASE's expression language, worked out
// from dBASE's documented behaviour, and the conditions of FOR tags.
#include "MdxTestSupport.h"

#include "dbase/DatabaseError.h"
#include "dbase/KeyExpression.h"
#include "dbase/NumericKey.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;

namespace {

class Expression : public ::testing::Test
{
protected:
    Expression()
    {
        table.addField("APELLIDO", 'C', 10);
        table.addField("NOMBRE", 'C', 10);
        table.addField("CODIGO", 'N', 5);
        table.addField("IMPORTE", 'N', 10, 2);
        table.addField("F_ALTA", 'D', 8);
        table.addField("ACTIVO", 'L', 1);
        table.addField("CUST_ID", 'C', 6);
        table.addField("PO_NUMBER", 'C', 5);
        row = table.make({"P\xc9REZ", "  juan", "42", "-1234.5", "20240305", "T", "C-0017", "PO991"});
    }
    QByteArray key(const char *expression, const QByteArray &record) const
    {
        return KeyExpression::compile(QString::fromLatin1(expression), table.fields).evaluate(record, 7);
    }
    QByteArray key(const char *expression) const { return key(expression, row); }
    int length(const char *expression) const
    {
        return KeyExpression::compile(QString::fromLatin1(expression), table.fields).length();
    }
    bool holds(const char *condition, const QByteArray &record) const
    {
        return KeyCondition::compile(QString::fromLatin1(condition), table.fields).holds(record, 7);
    }
    bool holds(const char *condition) const { return holds(condition, row); }
    static QByteArray number(const char *text) { return numeric_key::fromText(text); }
    static QByteArray day(int y, int m, int d) { return date_key::fromJulianDay(double(QDate(y, m, d).toJulianDay())); }

    test::MemoryTable table;
    QByteArray row;
};

} // namespace

TEST_F(Expression, TrimmingFunctionsKeepTheWidthAndPadAtTheEnd)
{
    // The key is as wide as the untrimmed fields; what TRIM removes comes back as padding.
    EXPECT_EQ(key("TRIM(APELLIDO)+NOMBRE"), QByteArray("P\xc9REZ  juan") + QByteArray(9, ' '));
    EXPECT_EQ(key("RTRIM(APELLIDO)+','+LTRIM(NOMBRE)"), QByteArray("P\xc9REZ,juan") + QByteArray(11, ' '));
    EXPECT_EQ(length("TRIM(APELLIDO)+NOMBRE"), 20);
    EXPECT_EQ(key("LTRIM(NOMBRE)"), QByteArray("juan") + QByteArray(6, ' '));
    // "-" joins moving the left text's trailing blanks to the end.
    EXPECT_EQ(key("APELLIDO-NOMBRE"), QByteArray("P\xc9REZ  juan") + QByteArray(9, ' '));
    EXPECT_EQ(key("APELLIDO-'X'-NOMBRE"), QByteArray("P\xc9REZX  juan") + QByteArray(9, ' '));
}

TEST_F(Expression, CaseAndPieces)
{
    EXPECT_EQ(key("UPPER(NOMBRE)"), QByteArray("  JUAN    "));
    EXPECT_EQ(key("LOWER(APELLIDO)"), QByteArray("p\xe9rez     "));
    EXPECT_EQ(key("SUBSTR(CUST_ID,3,2)"), QByteArray("00"));
    EXPECT_EQ(key("SUBSTR(CUST_ID,3)"), QByteArray("0017"));
    EXPECT_EQ(key("LEFT(APELLIDO,3)+RIGHT(CUST_ID,2)"), QByteArray("P\xc9R17"));
    EXPECT_EQ(key("RIGHT(APELLIDO,3)"), QByteArray("   ")); // the field's own trailing blanks
    EXPECT_EQ(key("SPACE(2)+REPLICATE('ab',3)"), QByteArray("  ababab"));
    EXPECT_EQ(length("SUBSTR(CUST_ID,3,10)"), 4);
}

TEST_F(Expression, NumbersToTextAsStrWritesThem)
{
    EXPECT_EQ(key("STR(CODIGO)"), QByteArray("        42")); // ten wide by default
    EXPECT_EQ(key("STR(IMPORTE,10,2)"), QByteArray("  -1234.50"));
    EXPECT_EQ(key("STR(IMPORTE,8)"), QByteArray("   -1235")); // rounded half away from zero
    EXPECT_EQ(key("STR(IMPORTE,7,2)"), QByteArray("-1234.5")); // decimals give way first
    EXPECT_EQ(key("STR(IMPORTE,4)"), QByteArray("****"));
    EXPECT_EQ(key("STR(1.005,4,2)"), QByteArray("1.01"));
    EXPECT_EQ(key("STR(-0.004,5,2)"), QByteArray(" 0.00"));
    EXPECT_EQ(key("STR(0.5,2)"), QByteArray(" 1"));
    EXPECT_EQ(key("STR(RECNO(),4)"), QByteArray("   7"));
    EXPECT_EQ(key("VAL(SUBSTR(CUST_ID,3))"), number("17"));
    EXPECT_EQ(key("VAL(' -2.5kg')"), number("-2.5"));
    EXPECT_EQ(key("VAL(NOMBRE)"), number("0"));
}

TEST_F(Expression, DatesInEveryForm)
{
    EXPECT_EQ(key("DTOS(F_ALTA)"), QByteArray("20240305"));
    EXPECT_EQ(key("DTOC(F_ALTA)"), QByteArray("03/05/24")); // MM/DD/YY
    EXPECT_EQ(key("CUST_ID+DTOC(F_ALTA)+PO_NUMBER"), QByteArray("C-001703/05/24PO991"));
    const QByteArray blank = table.make({"", "", "", "", ""});
    EXPECT_EQ(key("DTOS(F_ALTA)", blank), QByteArray(8, ' '));
    EXPECT_EQ(key("DTOC(F_ALTA)", blank), QByteArray("  /  /  "));
    EXPECT_EQ(key("CTOD('03/05/24')"), day(1924, 3, 5)); // two-digit years are 19xx
    EXPECT_EQ(key("CTOD('12/31/1999')"), day(1999, 12, 31));
    EXPECT_EQ(key("CTOD('02/30/24')"), date_key::fromJulianDay(0));
    EXPECT_EQ(key("CTOD(DTOC(F_ALTA))"), day(1924, 3, 5));
    EXPECT_EQ(key("F_ALTA+30"), day(2024, 4, 4));
    EXPECT_EQ(key("F_ALTA-5"), day(2024, 2, 29));
    EXPECT_EQ(key("F_ALTA-CTOD('01/01/2024')"), number("64"));
    EXPECT_EQ(key("F_ALTA+1", blank), date_key::fromJulianDay(0));
}

TEST_F(Expression, ArithmeticAndChoice)
{
    EXPECT_EQ(key("CODIGO*2+IMPORTE/2"), number("-533.25"));
    EXPECT_EQ(key("-CODIGO+2^3"), number("-34"));
    EXPECT_EQ(key("(CODIGO+3)*2"), number("90"));
    EXPECT_EQ(key("CODIGO%5"), number("2"));
    EXPECT_EQ(key("-7%5"), number("3")); // MOD takes the divisor's sign
    EXPECT_EQ(key("CODIGO/0"), number("0"));
    EXPECT_EQ(key("RECNO()"), number("7"));
    EXPECT_EQ(key("IIF(ACTIVO,APELLIDO,SPACE(10))"), QByteArray("P\xc9REZ     "));
    EXPECT_EQ(key("IIF(CODIGO>50,'A','BB')+'|'"), QByteArray("BB|"));
    EXPECT_EQ(key("IIF(CODIGO<50,'A','BB')+'|'"), QByteArray("A| ")); // padded to the wider choice at the end
    EXPECT_EQ(length("IIF(CODIGO<50,'A','BB')"), 2);
    EXPECT_EQ(key("IIF(.NOT. ACTIVO, 1, IMPORTE)"), number("-1234.5"));
}

TEST_F(Expression, ConditionsCompareAsDbaseDoes)
{
    EXPECT_TRUE(holds("CODIGO > 10 .AND. ACTIVO"));
    EXPECT_FALSE(holds("CODIGO > 10 .AND. .NOT. ACTIVO"));
    EXPECT_TRUE(holds("CODIGO = 1 .OR. !(CODIGO <> 42)"));
    EXPECT_TRUE(holds("CODIGO # 41 .and. codigo != 43 .and. codigo <= 42 .and. codigo >= 42"));
    // Texts: "=" compares over the right text's length, "==" the whole texts.
    EXPECT_TRUE(holds("CUST_ID = 'C-'"));
    EXPECT_TRUE(holds("CUST_ID = ''"));
    EXPECT_FALSE(holds("CUST_ID == 'C-'"));
    EXPECT_TRUE(holds("APELLIDO == 'P\xc9REZ'"));
    EXPECT_TRUE(holds("APELLIDO < 'Q'") && holds("APELLIDO > 'PA'") && !holds("APELLIDO > 'P\xc9'"));
    EXPECT_TRUE(holds("'UA' $ UPPER(NOMBRE)"));
    EXPECT_FALSE(holds("'' $ NOMBRE"));
    EXPECT_TRUE(holds("F_ALTA >= CTOD('03/05/2024') .AND. F_ALTA < CTOD('03/06/2024')"));
    EXPECT_TRUE(holds("ACTIVO = .T. .AND. .NOT. ACTIVO = .F."));
    EXPECT_FALSE(holds("ACTIVO", table.make({"", "", "", "", "", "N"})));
    EXPECT_FALSE(holds("ACTIVO", table.make({"", "", "", "", "", "\xd3"})));
}

TEST_F(Expression, NamesIgnoreCaseAndStringsTakeEveryDelimiter)
{
    EXPECT_EQ(key("upper(Nombre)+\"x\"+[y]+'z'"), QByteArray("  JUAN    xyz"));
    EXPECT_EQ(KeyExpression::compile("po_Number", table.fields).field(), 7);
}

TEST_F(Expression, WhatIsNoExpressionAndWhatIsBeyondTheEngine)
{
    const char *invalid[] = {"CODIGO +", "(CODIGO", "CODIGO)", "'abc", "APELLIDO + CODIGO", "ACTIVO",
                             "UPPER(CODIGO)", "SUBSTR(APELLIDO,0)", "SUBSTR(APELLIDO,11)", "STR(CODIGO,101)",
                             "IIF(ACTIVO,1,'a')", "TRIM()", "LEFT(APELLIDO)", "APELLIDO < ACTIVO", "ACTIVO < ACTIVO",
                             "NOEXISTE", "CODIGO .X. 1", "CODIGO ; 1", "REPLICATE(APELLIDO,30)"};
    for (const char *text : invalid) {
        try {
            KeyExpression::compile(QString::fromLatin1(text), table.fields);
            ADD_FAILURE() << text;
        } catch (const ExpressionBeyondEngine &) {
            ADD_FAILURE() << text << " is not an expression, not one beyond the engine";
        } catch (const DatabaseError &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("La expresión de clave «"))) << e.message().toStdString();
        }
    }
    const char *beyond[] = {"SOUNDEX(APELLIDO)", "CLIENTES->NOMBRE", "&campo", "SUBSTR(APELLIDO,CODIGO,2)",
                            "UPPER(TRANSFORM(CODIGO,'99'))"};
    for (const char *text : beyond)
        EXPECT_THROW(KeyExpression::compile(QString::fromLatin1(text), table.fields), ExpressionBeyondEngine) << text;
    EXPECT_THROW(KeyCondition::compile("CODIGO + 1", table.fields), DatabaseError);
    try {
        KeyCondition::compile("ISBLANK(NOMBRE)", table.fields);
        FAIL();
    } catch (const ExpressionBeyondEngine &e) {
        EXPECT_EQ(e.message(), QStringLiteral("La condición FOR «ISBLANK(NOMBRE)» no se puede calcular: la función "
                                              "ISBLANK() no está entre las que este programa calcula."));
    }
}
