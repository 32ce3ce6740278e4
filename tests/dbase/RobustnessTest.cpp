// Damaged and hostile files: every one must give a DatabaseError with a Spanish text,
// never a crash, a hang or an allocation of what the file claims.

#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/DbfFile.h"
#include "dbase/MemoFile.h"
#include "dbase/Table.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

class Robustness : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table::create(QStringLiteral("t.dbf"), {fieldOf("A", 'C', 4), fieldOf("M", 'M')});
        Table t(QStringLiteral("t.dbf"));
        t.open();
        t.append();
        t.setValue("A", QStringLiteral("uno"));
        t.setValue("M", QStringLiteral("memo uno"));
        t.post();
        t.close();
        good = test::readAll(folder.dir.file("t.dbf"));
        goodMemo = test::readAll(folder.dir.file("t.dbt"));
    }

    // Opens the table and reads every value; returns the error text, or the damage the
    // table was opened with ("" when none).
    QString readAllValues()
    {
        try {
            Table t(QStringLiteral("t.dbf"));
            t.open();
            for (t.first(); !t.eof(); t.next()) {
                for (const FieldDescriptor &f : t.fields())
                    (void)t.value(f.name);
            }
            return t.damage();
        } catch (const DatabaseError &e) {
            return e.message();
        }
    }

    QString withDbf(const QByteArray &bytes)
    {
        test::writeAll(folder.dir.file("t.dbf"), bytes);
        return readAllValues();
    }

    QString withDbt(const QByteArray &bytes)
    {
        test::writeAll(folder.dir.file("t.dbf"), good);
        test::writeAll(folder.dir.file("t.dbt"), bytes);
        return readAllValues();
    }

    static QByteArray patched(QByteArray b, int at, QByteArray bytes)
    {
        b.replace(at, bytes.size(), bytes);
        return b;
    }

    test::ProgramFolderScope folder;
    QByteArray good;
    QByteArray goodMemo;
};

} // namespace

TEST_F(Robustness, DamagedTablesAreErrorsThatSayWhy)
{
    EXPECT_EQ(withDbf(good), QString());
    EXPECT_TRUE(withDbf(QByteArray()).contains(QStringLiteral("demasiado corto")));
    EXPECT_TRUE(withDbf(good.left(40)).contains(QStringLiteral("t.dbf")));
    EXPECT_TRUE(withDbf(good.left(good.size() - 5)).contains(QStringLiteral("declara 1 registros y el archivo contiene 0")));
    // a record count of four thousand million in a file of a hundred bytes
    EXPECT_TRUE(withDbf(patched(good, 4, "\xFF\xFF\xFF\xFF")).contains(QStringLiteral("declara 4294967295 registros")));
    EXPECT_TRUE(withDbf(patched(good, 8, "\xFF\xFF")).contains(QStringLiteral("dañada")));
    EXPECT_TRUE(withDbf(patched(good, 0, "\x30")).contains(QStringLiteral("no es una tabla dBASE")));
    EXPECT_TRUE(withDbf(patched(good, 32 + 11, "X")).contains(QStringLiteral("tipo desconocido")));
    EXPECT_TRUE(withDbf(patched(good, 64 + 16, "\x04")).contains(QStringLiteral("mal declarado")));
    EXPECT_TRUE(withDbf(patched(good, 10, QByteArray("\x03\x00", 2))).contains(QStringLiteral("longitud de registro")));
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 2654435761u) >> 13);
    EXPECT_FALSE(withDbf(garbage).isEmpty());
    // a pointer that is not a number
    EXPECT_TRUE(withDbf(patched(good, good.size() - 11, "12x4567890")).contains(QStringLiteral("puntero")));
}

TEST_F(Robustness, ATableWhoseHeaderDisagreesWithItsFileIsReadButNeverWritten)
{
    // three records, then a header that counts one: two records past the count are no
    // append cut short
    {
        Table t(QStringLiteral("t.dbf"));
        t.open();
        for (const char *a : {"dos", "tres"}) {
            t.append();
            t.setValue("A", QString::fromLatin1(a));
            t.post();
        }
    }
    const QByteArray three = test::readAll(folder.dir.file("t.dbf"));
    const QByteArray counted = patched(three, 4, QByteArray("\x01\0\0\0", 4));
    test::writeAll(folder.dir.file("t.dbf"), counted);
    Table t(QStringLiteral("t.dbf"));
    t.open();
    EXPECT_EQ(t.damage(), QStringLiteral("La tabla t.dbf está dañada: el archivo contiene 3 registros y la cabecera declara 1."));
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.value("A").toString(), QStringLiteral("uno"));
    const auto refuses = [&](const std::function<void()> &write) {
        try {
            write();
        } catch (const DatabaseError &e) {
            return e.message().contains(QStringLiteral("No se escribe en ella"));
        }
        return false;
    };
    EXPECT_TRUE(refuses([&] { t.edit(); }));
    EXPECT_TRUE(refuses([&] { t.insert(); }));
    EXPECT_TRUE(refuses([&] { t.deleteRecord(); }));
    t.close();
    t.open(Table::Mode::Exclusive);
    EXPECT_TRUE(refuses([&] { t.pack(); }));
    EXPECT_TRUE(refuses([&] { t.addField(fieldOf("B", 'C', 2)); }));
    EXPECT_TRUE(refuses([&] { t.changeFieldWidth("A", 8, 0); }));
    t.close();
    EXPECT_EQ(test::readAll(folder.dir.file("t.dbf")), counted);

    // one record past the count is a torn append: the table is sound
    test::writeAll(folder.dir.file("t.dbf"), patched(three, 4, QByteArray("\x02\0\0\0", 4)));
    EXPECT_EQ(readAllValues(), QString());

    // a header length that hides the last field descriptor and its terminator
    const int headerLength = 32 + 2 * 32 + 1;
    test::writeAll(folder.dir.file("t.dbf"), patched(three, 8, QByteArray(1, char(headerLength - 32)) + '\0'));
    EXPECT_TRUE(readAllValues().contains(QStringLiteral("la lista de campos no termina")));
}

TEST_F(Robustness, DamagedMemoFilesAreErrorsThatSayWhy)
{
    EXPECT_EQ(withDbt(goodMemo), QString());
    EXPECT_TRUE(withDbt(goodMemo.left(10)).contains(QStringLiteral("truncado")));
    EXPECT_TRUE(withDbt(goodMemo.left(512)).contains(QStringLiteral("no tiene el bloque 1")));
    // a length of two thousand million
    EXPECT_TRUE(withDbt(patched(goodMemo, 516, QByteArray("\x00\x00\x00\x7F", 4))).contains(QStringLiteral("longitud")));
    EXPECT_TRUE(withDbt(patched(goodMemo, 512, "abcd")).contains(QStringLiteral("no es el comienzo")));
    EXPECT_TRUE(withDbt(patched(goodMemo, 20, QByteArray("\x01\x00", 2))).contains(QStringLiteral("bloque")));
    const QFileInfo memoFile(folder.dir.file("t.dbt"));
    QFile::remove(memoFile.filePath());
    test::writeAll(folder.dir.file("t.dbf"), good);
    EXPECT_TRUE(readAllValues().contains(QStringLiteral("No existe el archivo de memos")));
}

TEST_F(Robustness, ShortHeadersAndBothPointerFormsAreRead)
{
    // dBASE 5 leaves a memo file of only 24 bytes when no memo was ever written
    test::writeAll(folder.dir.file("t.dbf"), patched(good, good.size() - 11, "          "));
    test::writeAll(folder.dir.file("t.dbt"), goodMemo.left(24));
    EXPECT_EQ(readAllValues(), QString());
    EXPECT_EQ(MemoFile::parsePointer("0000000001", {}), 1u);
    EXPECT_EQ(MemoFile::parsePointer("         1", {}), 1u);
    EXPECT_EQ(MemoFile::parsePointer("          ", {}), 0u);
    EXPECT_EQ(MemoFile::parsePointer(QByteArrayView("\0\0\0\0\0\0\0\0\0\0", 10), {}), 0u);
    EXPECT_THROW(MemoFile::parsePointer("1 2       ", {}), DatabaseError);
    EXPECT_THROW(MemoFile::parsePointer("9999999999", {}), DatabaseError);
    test::writeAll(folder.dir.file("t.dbf"), patched(good, good.size() - 11, "0000000001"));
    test::writeAll(folder.dir.file("t.dbt"), goodMemo);
    Table t(QStringLiteral("t.dbf"));
    t.open();
    EXPECT_EQ(t.value("M").toString(), QStringLiteral("memo uno"));
}

TEST_F(Robustness, AMissingOrUnreadableIndexStopsTheOpen)
{
    test::writeAll(folder.dir.file("t.dbf"), patched(good, 28, "\x01"));
    EXPECT_TRUE(readAllValues().contains(QStringLiteral("No existe el índice T.MDX")) ||
                readAllValues().contains(QStringLiteral("No existe el índice t.mdx")))
        << readAllValues().toStdString();
    test::writeAll(folder.dir.file("t.mdx"), QByteArray(100, 'x'));
    EXPECT_FALSE(readAllValues().isEmpty());
}
