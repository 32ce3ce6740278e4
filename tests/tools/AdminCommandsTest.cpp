#include "support/TempFolder.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct AdminRun
{
    int status = -1;
    QString out;
};

AdminRun admin(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(QAL_BIN_DIR) + "/qal-admin", args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

} // namespace

TEST(AdminCommands, DumpCheckPackAndReindexATable)
{
    qal::test::TempFolder dir;
    ASSERT_TRUE(dir.copyFixture("dbase/dbase5dos_testgen"));
    const QString table = dir.file("TESTGEN.DBF");

    const AdminRun dump = admin({"dump", "--keys", table});
    EXPECT_EQ(dump.status, 0);
    EXPECT_TRUE(dump.out.startsWith("HEADER version=0x8b records=2 header_len=129")) << dump.out.toStdString();
    EXPECT_TRUE(dump.out.contains("  KEY 2 \"BRAVO     \"\n"));
    EXPECT_TRUE(dump.out.contains("MEMOFILE block_size=512 file=TESTGEN.DBT\n"));

    EXPECT_EQ(admin({"check", table}).status, 0);
    EXPECT_EQ(admin({"pack", table}).status, 0);
    EXPECT_EQ(admin({"reindex", table}).status, 0);
    EXPECT_EQ(admin({"check", table}).status, 0);

    // a damaged index: check says what is wrong and fails
    QFile mdx(dir.file("TESTGEN.MDX"));
    ASSERT_TRUE(mdx.open(QIODevice::ReadWrite));
    mdx.seek(6 * 512 + 8); // first key of the root leaf
    mdx.write("ZZZZZZZZZZ");
    mdx.close();
    const AdminRun check = admin({"check", table});
    EXPECT_EQ(check.status, 1);
    EXPECT_FALSE(check.out.trimmed().isEmpty());
    EXPECT_EQ(admin({"dump"}).status, 2);
    EXPECT_NE(admin({"check", dir.file("NOEXISTE.DBF")}).status, 0);
}

// As an office runs it: from a shell, with no display and no platform chosen.
TEST(AdminCommands, InitMakesAReadyFolderWithoutADisplay)
{
    qal::test::TempFolder dir;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QAL_BIN_DIR) + "/qal-admin", {"init", dir.path() + "/oficina"});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    for (const char *name : {"PED.DBF", "PED.MDX", "PED_bak.mdx", "amb.dbf", "usu.dbf", "fmodelo.bemepe", "amputado.bmp"})
        EXPECT_TRUE(QFile::exists(dir.path() + "/oficina/" + name)) << name;
    EXPECT_EQ(admin({"check", dir.path() + "/oficina/PED.DBF"}).status, 0);
}

// A program table whose index is garbage and has no backup copy: reindex writes it from the
// program's own tags, keeping the garbage beside it; a table of no program cannot be.
TEST(AdminCommands, ReindexRebuildsAProgramTablesDamagedIndexFromTheProgramsTags)
{
    qal::test::TempFolder dir;
    const QString folder = dir.path() + "/oficina";
    ASSERT_EQ(admin({"init", folder}).status, 0);
    QFile::remove(folder + "/PED_bak.mdx");
    {
        QFile mdx(folder + "/PED.MDX");
        ASSERT_TRUE(mdx.open(QIODevice::WriteOnly | QIODevice::Truncate));
        mdx.write("garbage");
    }
    EXPECT_NE(admin({"check", folder + "/PED.DBF"}).status, 0);
    const AdminRun reindex = admin({"reindex", folder + "/PED.DBF"});
    EXPECT_EQ(reindex.status, 0) << reindex.out.toStdString();
    EXPECT_TRUE(reindex.out.contains("Copia del archivo original: PED_orig.MDX")) << reindex.out.toStdString();
    QFile kept(folder + "/PED_orig.MDX");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("garbage"));
    EXPECT_EQ(admin({"check", folder + "/PED.DBF"}).status, 0);

    ASSERT_TRUE(dir.copyFixture("dbase/dbase5dos_testgen"));
    {
        QFile mdx(dir.file("TESTGEN.MDX"));
        ASSERT_TRUE(mdx.open(QIODevice::WriteOnly | QIODevice::Truncate));
        mdx.write("garbage");
    }
    EXPECT_EQ(admin({"reindex", dir.file("TESTGEN.DBF")}).status, 1);
}
