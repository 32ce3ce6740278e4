// A table whose index has a tag the engine cannot compute stays readable and refuses writes
// by name; an index that is no expression at all is still an error at open.
#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/MdxFile.h"
#include "dbase/Table.h"
#include "dbase/TableCheck.h"
#include "dbase/TableDump.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

class BeyondTag : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table::create(QStringLiteral("CLI.DBF"), {fieldOf("NOMBRE", 'C', 10), fieldOf("CODIGO", 'N', 5)},
                      {{"CODIGO", "CODIGO"}, {"FONO", "LEFT(NOMBRE,4)"}});
        Table t(QStringLiteral("CLI.DBF"));
        t.open();
        const char *names[] = {"PEREZ", "ALVAREZ", "GOMEZ", "NUNEZ", "BRAVO"};
        for (int i = 0; i < 5; ++i) {
            t.append();
            t.setValue("NOMBRE", QString::fromLatin1(names[i]));
            t.setValue("CODIGO", 50 - i);
            t.post();
        }
    }

    // Puts another expression in the second tag's header, as another dBASE program may have.
    void setSecondTagExpression(const QByteArray &expression, bool forFlag = false)
    {
        const QString mdx = folder.dir.file(QStringLiteral("CLI.MDX"));
        QByteArray bytes = test::readAll(mdx);
        const int header = int(qFromLittleEndian<quint32>(bytes.constData() + 544 + 32)) * 512;
        bytes.replace(header + 24, expression.size() + 1, expression + '\0');
        bytes[header + 245] = forFlag ? 1 : 0;
        test::writeAll(mdx, bytes);
    }

    test::ProgramFolderScope folder;
};

} // namespace

TEST_F(BeyondTag, TableOpensForReadingAndRefusesWritesNamingTheTag)
{
    setSecondTagExpression("SOUNDEX(NOMBRE)"); // four characters, as LEFT(NOMBRE,4)
    Table t(QStringLiteral("CLI.DBF"));
    ASSERT_NO_THROW(t.open());
    QStringList names;
    for (t.first(); !t.eof(); t.next())
        names << t.value("NOMBRE").toString();
    EXPECT_EQ(names, QStringList({"PEREZ", "ALVAREZ", "GOMEZ", "NUNEZ", "BRAVO"}));
    t.setIndexField("CODIGO");
    t.first();
    EXPECT_EQ(t.value("NOMBRE").toString(), QStringLiteral("BRAVO"));
    EXPECT_TRUE(t.findKey(48));
    EXPECT_EQ(t.value("NOMBRE").toString(), QStringLiteral("GOMEZ"));
    // The tag itself still walks as stored.
    auto cursor = t.productionIndex()->cursor(t.productionIndex()->tagIndex(QStringLiteral("FONO")));
    ASSERT_TRUE(cursor->first());
    EXPECT_EQ(cursor->key(), QByteArray("ALVA"));

    const QString refusal = QStringLiteral(
        "La tabla CLI sólo se puede leer: la etiqueta FONO de su índice CLI.MDX tiene una expresión que este "
        "programa no sabe calcular («SOUNDEX(NOMBRE)»), y escribir la dejaría desactualizada.");
    auto refused = [&](const std::function<void()> &write) {
        try {
            write();
        } catch (const DatabaseError &e) {
            return e.message() == refusal;
        }
        return false;
    };
    EXPECT_TRUE(refused([&] { t.edit(); }));
    EXPECT_TRUE(refused([&] { t.append(); }));
    EXPECT_TRUE(refused([&] { t.deleteRecord(); }));
    EXPECT_EQ(t.state(), Table::State::Browse);
    t.close();
    t.open(Table::Mode::Exclusive);
    EXPECT_TRUE(refused([&] { t.pack(); }));
    EXPECT_TRUE(refused([&] { t.regenerateIndexes(); }));
    EXPECT_TRUE(refused([&] { t.addField(fieldOf("X_NUEVO", 'C', 3)); }));
    t.close();

    EXPECT_EQ(checkTable(folder.dir.file(QStringLiteral("CLI.DBF"))),
              QStringList({"Etiqueta FONO: no se puede verificar. La expresión de clave «SOUNDEX(NOMBRE)» no se "
                           "puede calcular: la función SOUNDEX() no está entre las que este programa calcula."}));
    const QString dump = dumpTable(folder.dir.file(QStringLiteral("CLI.DBF")), DumpOptions {true, false, true});
    EXPECT_TRUE(dump.contains(QStringLiteral("TAG FONO type=C keylen=4 itemlen=8 expr=\"SOUNDEX(NOMBRE)\""))) << dump.toStdString();
    EXPECT_TRUE(dump.contains(QStringLiteral("  ORDER 2 5 3 4 1\n")));
}

TEST_F(BeyondTag, ConditionThatCannotBeFoundIsBeyondTheEngineToo)
{
    setSecondTagExpression("LEFT(NOMBRE,4)", true); // a FOR flag with no condition stored
    Table t(QStringLiteral("CLI.DBF"));
    t.open();
    EXPECT_THROW(t.edit(), DatabaseError);
    EXPECT_EQ(checkTable(folder.dir.file(QStringLiteral("CLI.DBF"))),
              QStringList({"Etiqueta FONO: no se puede verificar. No se encuentra su condición FOR."}));
}

TEST_F(BeyondTag, TextThatIsNoExpressionIsStillAnErrorAtOpen)
{
    setSecondTagExpression("LEFT(NOMBRE,");
    Table t(QStringLiteral("CLI.DBF"));
    try {
        t.open();
        FAIL();
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("El índice CLI.MDX no se puede usar con esta tabla (etiqueta FONO)")))
            << e.message().toStdString();
    }
    setSecondTagExpression("LEFT(NOMBRE,5)"); // a key longer than the header's
    EXPECT_THROW(t.open(), DatabaseError);
}
