// Start-up maintenance over tables damaged in ways the engine can tell: nothing is
// rewritten, the operator is told which file and what, and the administrator's repair
// keeps the originals and makes the next start clean.
#include "data/ProgramFolderSetup.h"
#include "data/TableRecovery.h"
#include "data/Tdm.h"
#include "dbase/DatabaseError.h"
#include "dbase/Table.h"
#include "dbase/TableCheck.h"

#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace qal;

namespace {

constexpr int kRequests = 300;

class DamagedFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_before = ProgramFolder::path();
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        dbase::Table ped("PED.DBF");
        ped.open();
        for (int n = 1; n <= kRequests; ++n) {
            ped.append();
            ped.setValue("C_PED", n);
            ped.setValue("C_REG", 7);
            ped.setValue("X_APE1", QStringLiteral("APELLIDO%1").arg(n));
            ped.post();
        }
    }
    void TearDown() override { ProgramFolder::setPath(m_before); }

    QByteArray bytes(const QString &name) const
    {
        QFile f(ProgramFolder::resolve(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString &name, const QByteArray &data) const
    {
        QFile f(ProgramFolder::resolve(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    // The table file with its header bytes at `at` replaced.
    void patchPed(int at, const QByteArray &with) const
    {
        QByteArray b = bytes("PED.DBF");
        b.replace(at, with.size(), with);
        write("PED.DBF", b);
    }
    static QByteArray le32(quint32 v)
    {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[i] = char((v >> (8 * i)) & 0xFF);
        return b;
    }
    // Starts the data module as the program does; returns what it showed.
    QStringList start()
    {
        dialogs.clear();
        Tdm dm;
        dm.dmCreate();
        started = dm.InicioCompleto;
        damaged = dm.tablasDanadas;
        if (started)
            pedCount = dm.ped.recordCount();
        return dialogs.texts();
    }

    test::TempFolder dir;
    test::ScriptedDialogs dialogs;
    bool started = false;
    QStringList damaged;
    int pedCount = -1;

private:
    QString m_before;
};

TEST_F(DamagedFolder, ACountLowerThanTheRecordsIsNeverPackedAwayAndRepairKeepsTheOriginal)
{
    patchPed(4, le32(kRequests - 100));
    const QByteArray dbf = bytes("PED.DBF"), mdx = bytes("PED.MDX");

    const QStringList shown = start();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.front().startsWith(QStringLiteral("La tabla PED.DBF está dañada: el archivo contiene 300 "
                                                        "registros y la cabecera declara 200.")))
        << shown.front().toStdString();
    EXPECT_TRUE(shown.front().contains(QStringLiteral("qal-admin repair")));
    EXPECT_EQ(damaged, QStringList{QStringLiteral("PED.DBF")});
    EXPECT_TRUE(started); // the rest of the office works
    EXPECT_EQ(bytes("PED.DBF"), dbf);
    EXPECT_EQ(bytes("PED.MDX"), mdx);

    const QStringList done = repairTable(QStringLiteral("PED.DBF"));
    ASSERT_EQ(done.size(), 3);
    EXPECT_EQ(done[1], QStringLiteral("Copia del archivo original: PED_orig.DBF"));
    EXPECT_EQ(bytes("PED_orig.DBF"), dbf);

    EXPECT_TRUE(start().isEmpty());
    EXPECT_TRUE(damaged.isEmpty());
    EXPECT_EQ(pedCount, kRequests);
    EXPECT_TRUE(dbase::checkTable(ProgramFolder::resolve("PED.DBF")).isEmpty());
}

TEST_F(DamagedFolder, AHeaderLengthCutShortIsNeverUpgradedOverTheShiftedRecords)
{
    QByteArray header = bytes("PED.DBF").left(12);
    const int length = quint8(header[8]) | quint8(header[9]) << 8;
    patchPed(8, le32(quint32(length - 32)).left(2));
    const QByteArray dbf = bytes("PED.DBF");

    const QStringList shown = start();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown.front().contains(QStringLiteral("la lista de campos no termina")));
    EXPECT_EQ(bytes("PED.DBF"), dbf); // no field was re-added, nothing packed
    EXPECT_THROW(repairTable(QStringLiteral("PED.DBF")), dbase::DatabaseError);
    EXPECT_EQ(bytes("PED.DBF"), dbf);
}

TEST_F(DamagedFolder, AStaleBackupIndexIsWrittenAnewAfterTheRestore)
{
    // the backup copy is the one of the empty table, from the folder's first day
    write("PED.MDX", "not an index");
    const QStringList shown = start();
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    EXPECT_EQ(pedCount, kRequests);
    dbase::Table ped("PED.DBF");
    ped.open();
    EXPECT_TRUE(ped.checkIndex().isEmpty());
    ped.setIndexField("C_PED");
    EXPECT_TRUE(ped.findKey(kRequests));
    EXPECT_EQ(bytes("PED_orig.MDX"), QByteArray("not an index"));
}

TEST_F(DamagedFolder, AnIndexThatFailsOverADamagedTableIsNotReplaced)
{
    patchPed(4, le32(kRequests * 2)); // a count past the end of the file
    write("PED.MDX", "not an index");
    start();
    EXPECT_EQ(bytes("PED.MDX"), QByteArray("not an index"));
    EXPECT_FALSE(QFile::exists(ProgramFolder::resolve("PED_orig.MDX")));
}

TEST_F(DamagedFolder, TheFilesReorderingRebuildsADamagedIndexAndLeavesADamagedTableAlone)
{
    // "Ordenamiento de Archivos...": an index without a usable copy is no missing table
    QFile::remove(ProgramFolder::resolve("PED_bak.mdx"));
    write("PED.MDX", "not an index");
    write("org.MDX", "nor this");
    {
        Tdm dm;
        EXPECT_TRUE(dm.Reindexar(nullptr));
        EXPECT_FALSE(dm.terminated());
        EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('|').toStdString();
    }
    dbase::Table ped("PED.DBF");
    ped.open();
    EXPECT_TRUE(ped.checkIndex().isEmpty());
    EXPECT_EQ(ped.recordCount(), kRequests);
    ped.close();
    EXPECT_EQ(bytes("PED_orig.MDX"), QByteArray("not an index"));

    // a table whose header disagrees with its file is read, and never rewritten
    patchPed(4, le32(kRequests - 10));
    const QByteArray dbf = bytes("PED.DBF"), mdx = bytes("PED.MDX");
    Tdm dm;
    EXPECT_TRUE(dm.Reindexar(nullptr));
    EXPECT_FALSE(dm.terminated());
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(bytes("PED.DBF"), dbf);
    EXPECT_EQ(bytes("PED.MDX"), mdx);
}

TEST_F(DamagedFolder, CheckOfAHugeClaimedCountReportsTheDamageWithoutGrowing)
{
    patchPed(4, le32(0x80000000u));
    int lines = 0;
    QString first;
    dbase::checkTable(ProgramFolder::resolve("PED.DBF"), [&](const QString &problem) {
        if (lines++ == 0)
            first = problem;
    });
    EXPECT_TRUE(first.contains(QStringLiteral("declara 2147483648 registros y el archivo contiene 300")));
    EXPECT_LT(lines, 5);
}

} // namespace
