#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

FieldList everyType()
{
    return {fieldOf("X_APE1", 'C', 15), fieldOf("C_PED", 'N', 8),     fieldOf("N_IMPORTE", 'N', 10, 2),
            fieldOf("N_RATIO", 'F', 12, 3), fieldOf("F_PED", 'D'),    fieldOf("M_ENVIADO", 'L'),
            fieldOf("X_NOTAS", 'M'),       fieldOf("B_HUELLA", 'B')};
}

QByteArray binaryBlob()
{
    QByteArray b;
    for (int i = 0; i < 2000; ++i)
        b.append(char(i * 7 % 256));
    b.append("\x1A\x1A\0\xFF", 4);
    return b;
}

class TableTest : public ::testing::Test
{
protected:
    test::ProgramFolderScope folder;
};

} // namespace

TEST_F(TableTest, EveryTypeRoundTripsThroughTheFiles)
{
    Table::create(QStringLiteral("PED.DBF"), everyType());
    const QByteArray blob = binaryBlob();
    {
        Table t(QStringLiteral("ped.dbf")); // any case finds the file
        t.open();
        t.append();
        t.setValue("X_APE1", QStringLiteral("MUÑOZ ÁLVAREZ"));
        t.setValue("C_PED", 1234);
        t.setValue("N_IMPORTE", 12350.5);
        t.setValue("N_RATIO", -0.125);
        t.setValue("F_PED", QDate(2024, 2, 29));
        t.setValue("M_ENVIADO", true);
        t.setValue("X_NOTAS", QStringLiteral("línea uno\r\nlínea dos ñ"));
        t.setValue("B_HUELLA", blob);
        t.post();
        t.append(); // every field left null
        t.post();
        t.append();
        t.setValue("X_APE1", QStringLiteral("BORRADO"));
        t.post();
        t.deleteRecord();
    }
    Table t(QStringLiteral("PED.DBF"));
    t.open();
    EXPECT_EQ(t.physicalRecordCount(), 3u);
    EXPECT_EQ(t.recordCount(), 2);
    t.first();
    EXPECT_EQ(t.value("X_APE1").toString(), QStringLiteral("MUÑOZ ÁLVAREZ"));
    EXPECT_EQ(t.value("C_PED").typeId(), QMetaType::LongLong);
    EXPECT_EQ(t.value("C_PED").toLongLong(), 1234);
    EXPECT_EQ(t.value("N_IMPORTE").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(t.value("N_IMPORTE").toDouble(), 12350.5);
    EXPECT_DOUBLE_EQ(t.value("N_RATIO").toDouble(), -0.125);
    EXPECT_EQ(t.value("F_PED").toDate(), QDate(2024, 2, 29));
    EXPECT_EQ(t.value("M_ENVIADO").toBool(), true);
    EXPECT_EQ(t.value("X_NOTAS").toString(), QStringLiteral("línea uno\r\nlínea dos ñ"));
    EXPECT_EQ(t.value("B_HUELLA").toByteArray(), blob);
    // bytes as dBASE keeps them: Windows-1252, numbers right-aligned with the decimals
    const QByteArray raw = t.rawRecord();
    EXPECT_EQ(raw.mid(1, 15), QByteArray("MU\xD1OZ \xC1LVAREZ  "));
    EXPECT_EQ(raw.mid(16, 8), QByteArray("    1234"));
    EXPECT_EQ(raw.mid(24, 10), QByteArray("  12350.50"));
    EXPECT_EQ(raw.mid(34, 12), QByteArray("      -0.125"));
    EXPECT_EQ(raw.mid(46, 8), QByteArray("20240229"));
    EXPECT_EQ(raw.mid(54, 1), QByteArray("T"));
    EXPECT_EQ(raw.mid(55, 10), QByteArray("         1")); // memo pointers as the BDE writes them

    t.next();
    EXPECT_FALSE(t.eof());
    for (const FieldDescriptor &f : t.fields())
        EXPECT_TRUE(t.value(f.name).isNull()) << f.name.toStdString();
    t.next();
    EXPECT_TRUE(t.eof()); // the deleted record is skipped

    const QByteArray file = test::readAll(folder.dir.file("PED.DBF"));
    EXPECT_EQ(std::uint8_t(file[0]), 0x8B);
    EXPECT_EQ(file.back(), '\x1A');
    EXPECT_EQ(file.size(), 32 + 8 * 32 + 1 + 3 * t.rawRecord().size() + 1);
}

TEST_F(TableTest, BlankTextIsNullAndEmptyTextIsStoredBlank)
{
    Table::create(QStringLiteral("t.dbf"), {fieldOf("X", 'C', 5), fieldOf("M", 'M')});
    Table t(QStringLiteral("t.dbf"));
    t.open();
    t.append();
    t.setValue("X", QString(""));
    t.setValue("M", QString(""));
    t.post();
    EXPECT_TRUE(t.value("X").isNull());
    EXPECT_TRUE(t.value("M").isNull());
    EXPECT_EQ(t.rawRecord(), QByteArray(16, ' '));
    t.edit();
    t.setValue("X", QStringLiteral("  a")); // leading spaces are data
    t.post();
    EXPECT_EQ(t.value("X").toString(), QStringLiteral("  a"));
}

TEST_F(TableTest, ValuesAreCheckedForTypeAndWidth)
{
    Table::create(QStringLiteral("t.dbf"), {fieldOf("X", 'C', 3), fieldOf("N", 'N', 4), fieldOf("D", 'N', 5, 2),
                                            fieldOf("F", 'D'), fieldOf("L", 'L')});
    Table t(QStringLiteral("t.dbf"));
    t.open();
    EXPECT_THROW(t.setValue("X", QStringLiteral("abc")), DatabaseError); // browse state
    t.append();
    EXPECT_NO_THROW(t.setValue("X", QStringLiteral("abc  "))); // trailing blanks are padding
    EXPECT_THROW(t.setValue("X", QStringLiteral("abcd")), DatabaseError);
    EXPECT_THROW(t.setValue("N", 12345), DatabaseError);
    EXPECT_NO_THROW(t.setValue("N", -999));
    EXPECT_THROW(t.setValue("D", 100.0), DatabaseError); // "100.00" is 6 wide
    EXPECT_THROW(t.setValue("D", 99.999), DatabaseError); // rounded to the decimals it is "100.00"
    EXPECT_NO_THROW(t.setValue("D", 99.99));
    EXPECT_THROW(t.setValue("F", QStringLiteral("ayer")), DatabaseError);
    EXPECT_THROW(t.setValue("L", 1), DatabaseError);
    EXPECT_THROW(t.setValue("NOPE", 1), DatabaseError);
    EXPECT_THROW(t.value("NOPE"), DatabaseError);
    EXPECT_EQ(t.fieldWidth("X"), 3);
    EXPECT_EQ(t.fieldWidth("d"), 5);
}

TEST_F(TableTest, WalksSeeksAndBookmarksInFileOrder)
{
    Table::create(QStringLiteral("org.dbf"), {fieldOf("C_ORG", 'N', 4), fieldOf("X_ORG", 'C', 20)});
    Table t(QStringLiteral("org.dbf"));
    t.open();
    const char *names[] = {"Juzgado Uno", "Fiscalía", "Cámara", "Policía"};
    for (int i = 0; i < 4; ++i) {
        t.append();
        t.setValue("C_ORG", (i + 1) * 10);
        t.setValue("X_ORG", QString::fromUtf8(names[i]));
        t.post();
    }
    t.first();
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.value("C_ORG").toInt(), 10);
    t.prior();
    EXPECT_TRUE(t.bof());
    t.last();
    EXPECT_EQ(t.value("C_ORG").toInt(), 40);
    t.next();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.value("C_ORG").toInt(), 40); // stays on the last record
    t.prior();
    EXPECT_EQ(t.value("C_ORG").toInt(), 30);
    const Table::Bookmark mark = t.bookmark();

    EXPECT_TRUE(t.locate("X_ORG", QStringLiteral("FISCALÍA"), {.caseInsensitive = true}));
    EXPECT_EQ(t.value("C_ORG").toInt(), 20);
    EXPECT_FALSE(t.locate("X_ORG", QStringLiteral("FISCALÍA")));
    EXPECT_EQ(t.value("C_ORG").toInt(), 20); // a failed locate does not move
    EXPECT_TRUE(t.locate("C_ORG", 40));

    EXPECT_EQ(t.lookup("C_ORG", 10, "X_ORG").toString(), QStringLiteral("Juzgado Uno"));
    EXPECT_TRUE(t.lookup("C_ORG", 99, "X_ORG").isNull());
    EXPECT_EQ(t.value("C_ORG").toInt(), 40); // look-up does not move either

    t.gotoBookmark(mark);
    EXPECT_EQ(t.value("C_ORG").toInt(), 30);
    EXPECT_THROW(t.findKey(30), DatabaseError); // no active index
    EXPECT_THROW(t.setIndexField("C_ORG"), DatabaseError); // no production index

    t.setFilter([](const Table &r) { return r.value("C_ORG").toInt() % 20 == 0; });
    EXPECT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.value("C_ORG").toInt(), 20);
    t.next();
    EXPECT_EQ(t.value("C_ORG").toInt(), 40);
    t.next();
    EXPECT_TRUE(t.eof());
    t.setFilter({});
    EXPECT_EQ(t.recordCount(), 4);
}

TEST_F(TableTest, EmptyTableIsBothEnds)
{
    Table::create(QStringLiteral("e.dbf"), {fieldOf("A", 'C', 2)});
    Table t(QStringLiteral("e.dbf"));
    t.open();
    EXPECT_TRUE(t.isEmpty());
    EXPECT_TRUE(t.bof());
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_TRUE(t.value("A").isNull());
    EXPECT_THROW(t.deleteRecord(), DatabaseError);
    t.edit(); // on an empty table, edit inserts
    EXPECT_EQ(t.state(), Table::State::Insert);
    t.cancel();
    EXPECT_TRUE(t.isEmpty());
}

TEST_F(TableTest, DetailShowsOnlyTheMastersRowsAndFollowsIt)
{
    Table::create(QStringLiteral("ped.dbf"), {fieldOf("C_PED", 'N', 8)});
    Table::create(QStringLiteral("sup.dbf"), {fieldOf("C_PED", 'N', 8), fieldOf("X_APE1", 'C', 15)});
    Table ped(QStringLiteral("ped.dbf"));
    ped.open();
    for (int k : {1, 2, 3}) {
        ped.append();
        ped.setValue("C_PED", k);
        ped.post();
    }
    Table sup(QStringLiteral("sup.dbf"));
    sup.open();
    const QList<QPair<int, const char *>> rows = {{1, "A"}, {2, "B"}, {1, "C"}, {3, "D"}, {1, "E"}};
    for (const auto &[k, n] : rows) {
        sup.append();
        sup.setValue("C_PED", k);
        sup.setValue("X_APE1", QString::fromLatin1(n));
        sup.post();
    }
    sup.setMasterLink(&ped, QStringLiteral("C_PED"), QStringLiteral("C_PED"));
    auto names = [&sup] {
        QString s;
        for (sup.first(); !sup.eof(); sup.next())
            s += sup.value("X_APE1").toString();
        return s;
    };
    ped.first();
    EXPECT_EQ(names(), QStringLiteral("ACE"));
    ped.next();
    EXPECT_EQ(sup.value("X_APE1").toString(), QStringLiteral("B")); // moved with the master
    EXPECT_EQ(names(), QStringLiteral("B"));
    ped.last();
    EXPECT_EQ(sup.recordCount(), 1);
    sup.append(); // belongs to the master's current record without being told
    sup.setValue("X_APE1", QStringLiteral("F"));
    sup.post();
    EXPECT_EQ(names(), QStringLiteral("DF"));
    sup.setMasterLink(nullptr, {}, {});
    EXPECT_EQ(sup.recordCount(), 6);
}

TEST_F(TableTest, CalculatedAndLookupFieldsAreComputedAndNeverStored)
{
    Table::create(QStringLiteral("prov.dbf"), {fieldOf("C_PROV", 'N', 2), fieldOf("X_PROV", 'C', 30)});
    Table::create(QStringLiteral("pedp.dbf"), {fieldOf("N_EXPE", 'N', 8), fieldOf("C_PROV", 'N', 2)});
    Table prov(QStringLiteral("prov.dbf"));
    prov.open();
    prov.append();
    prov.setValue("C_PROV", 1);
    prov.setValue("X_PROV", QStringLiteral("Córdoba"));
    prov.post();

    Table t(QStringLiteral("pedp.dbf"));
    t.addCalculatedField(QStringLiteral("c_pedido"));
    t.addLookupField(QStringLiteral("x_prov"), QStringLiteral("C_PROV"), &prov, QStringLiteral("C_PROV"),
                     QStringLiteral("X_PROV"));
    int calcs = 0;
    t.onCalcFields = [&calcs](Table &r) {
        ++calcs;
        r.setValue("c_pedido", QStringLiteral("W") + r.value("N_EXPE").toString());
    };
    t.open();
    t.append();
    t.setValue("N_EXPE", 77);
    EXPECT_EQ(t.value("C_PEDIDO").toString(), QStringLiteral("W77")); // recomputed on change
    t.setValue("C_PROV", 1);
    EXPECT_EQ(t.value("x_prov").toString(), QStringLiteral("Córdoba"));
    EXPECT_THROW(t.setValue("x_prov", QStringLiteral("x")), DatabaseError);
    t.post();
    t.append();
    t.setValue("N_EXPE", 78);
    t.setValue("C_PROV", 5);
    t.post();
    EXPECT_TRUE(t.value("x_prov").isNull());
    EXPECT_THROW(t.setValue("c_pedido", QStringLiteral("x")), DatabaseError); // only while calculating

    calcs = 0;
    t.first();
    EXPECT_EQ(t.value("c_pedido").toString(), QStringLiteral("W77"));
    t.next();
    EXPECT_EQ(t.value("c_pedido").toString(), QStringLiteral("W78"));
    EXPECT_EQ(calcs, 2);
    EXPECT_EQ(t.fields().size(), 2); // nothing of it in the file
    EXPECT_EQ(t.rawRecord().size(), 11);
}

TEST_F(TableTest, MemoRewritesReuseTheirBlocksAndBlobsGoToAndFromFiles)
{
    Table::create(QStringLiteral("m.dbf"), {fieldOf("B", 'B')});
    Table t(QStringLiteral("m.dbf"));
    t.open();
    t.append();
    t.setValue("B", QByteArray(1000, 'a')); // two blocks
    t.post();
    const qint64 size = QFileInfo(folder.dir.file("m.dbt")).size();
    EXPECT_EQ(size, 3 * 512);
    t.edit();
    t.setValue("B", QByteArray(100, 'b')); // fits where it was
    t.post();
    EXPECT_EQ(QFileInfo(folder.dir.file("m.dbt")).size(), size);
    EXPECT_EQ(t.value("B").toByteArray(), QByteArray(100, 'b'));

    test::writeAll(folder.dir.file("in.tif"), QByteArray("II*\0\x1A\x00zz", 8));
    t.edit();
    t.loadBlobFromFile("B", folder.dir.file("in.tif"));
    t.post();
    t.saveBlobToFile("B", folder.dir.file("out.tif"));
    EXPECT_EQ(test::readAll(folder.dir.file("out.tif")), QByteArray("II*\0\x1A\x00zz", 8));
    t.edit();
    t.clearValue("B");
    t.post();
    EXPECT_TRUE(t.value("B").isNull());
}

TEST_F(TableTest, DBase3MemoTablesKeepTheirFormat)
{
    DbfFile::CreateOptions opts;
    opts.version = 0x83;
    Table::create(QStringLiteral("old.dbf"), {fieldOf("M", 'M')}, {}, opts);
    Table t(QStringLiteral("old.dbf"));
    t.open();
    t.append();
    t.setValue("M", QStringLiteral("texto viejo"));
    t.post();
    t.append();
    EXPECT_THROW(t.setValue("M", QStringLiteral("a\x1A\x1A" "b")), DatabaseError);
    t.cancel();
    t.close();
    const QByteArray dbt = test::readAll(folder.dir.file("old.dbt"));
    EXPECT_EQ(dbt.mid(512), QByteArray("texto viejo\x1A\x1A"));
    EXPECT_EQ(dbt.left(4), QByteArray("\x02\0\0\0", 4)); // next block to append
    t.open();
    EXPECT_EQ(t.value("M").toString(), QStringLiteral("texto viejo"));
}

TEST_F(TableTest, OpeningReadsNoRecordUntilTheCursorIsUsed)
{
    Table::create(QStringLiteral("t.dbf"), {fieldOf("N", 'N', 4)});
    {
        Table t(QStringLiteral("t.dbf"));
        t.open();
        for (int i = 1; i <= 3; ++i) {
            t.append();
            t.setValue("N", i);
            t.post();
        }
    }
    Table t(QStringLiteral("t.dbf"));
    int looked = 0;
    int scrolled = 0;
    t.setFilter([&looked](const Table &r) {
        ++looked;
        return r.value("N").toInt() > 1;
    });
    t.afterScroll = [&scrolled](Table &) { ++scrolled; };
    t.open();
    EXPECT_EQ(looked, 0);
    EXPECT_EQ(scrolled, 0);
    EXPECT_EQ(t.value("N").toInt(), 2); // the first use finds the first visible record
    EXPECT_EQ(looked, 2);
    EXPECT_EQ(scrolled, 1);
    t.close();
    t.open();
    t.next(); // a move after open starts from the first record
    EXPECT_EQ(t.value("N").toInt(), 3);
    t.close();
    t.open();
    looked = 0;
    EXPECT_TRUE(t.locate("N", 3)); // a search goes straight to its record
    EXPECT_EQ(t.bookmark(), 3u);
}

TEST_F(TableTest, AMissedSearchRightAfterOpenLeavesTheCursorOnTheFirstRecord)
{
    Table::create(QStringLiteral("t.dbf"), {fieldOf("N", 'N', 4)});
    Table t(QStringLiteral("t.dbf"));
    t.open();
    for (int i = 1; i <= 2; ++i) {
        t.append();
        t.setValue("N", i);
        t.post();
    }
    t.close();
    t.open();
    EXPECT_FALSE(t.locate("N", 9));
    EXPECT_FALSE(t.eof());
    EXPECT_EQ(t.value("N").toInt(), 1);
}
