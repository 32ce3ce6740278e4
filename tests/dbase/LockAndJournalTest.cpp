#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/DbfFile.h"
#include "dbase/Journal.h"
#include "dbase/Table.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

class LockAndJournal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table::create(QStringLiteral("sec.dbf"), {fieldOf("C_SEC", 'C', 10), fieldOf("N_SEC", 'N', 8),
                                                  fieldOf("X_NOTA", 'M')});
        Table t(QStringLiteral("sec.dbf"));
        t.open();
        t.append();
        t.setValue("C_SEC", QStringLiteral("ped"));
        t.setValue("N_SEC", 41);
        t.setValue("X_NOTA", QStringLiteral("original"));
        t.post();
    }

    // A child process that opens the table and keeps it open until told to finish; it
    // writes one byte (1: opened, 2: failed) when it is ready.
    pid_t holdInChild(Table::Mode mode, int ready[2], int release[2])
    {
        const pid_t pid = fork();
        if (pid == 0) {
            char c = 0;
            Table t(QStringLiteral("sec.dbf"));
            try {
                t.open(mode);
                c = 1;
            } catch (...) {
                c = 2;
            }
            (void)!write(ready[1], &c, 1);
            (void)!read(release[0], &c, 1);
            _exit(0);
        }
        return pid;
    }

    test::ProgramFolderScope folder;
};

} // namespace

TEST_F(LockAndJournal, ExclusiveOpenConflictsAcrossProcesses)
{
    for (Table::Mode childMode : {Table::Mode::Exclusive, Table::Mode::Shared}) {
        int ready[2], release[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(release), 0);
        const pid_t child = holdInChild(childMode, ready, release);
        char c = 0;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        ASSERT_EQ(c, 1);

        Table t(QStringLiteral("sec.dbf"));
        EXPECT_THROW(t.open(Table::Mode::Exclusive), DatabaseError);
        if (childMode == Table::Mode::Shared)
            EXPECT_NO_THROW(t.open(Table::Mode::Shared));
        else
            EXPECT_THROW(t.open(Table::Mode::Shared), DatabaseError);
        t.close();

        (void)!write(release[1], &c, 1);
        int status = 0;
        waitpid(child, &status, 0);
        for (int fd : {ready[0], ready[1], release[0], release[1]})
            ::close(fd);
        // the child is gone: its locks with it
        EXPECT_NO_THROW(t.open(Table::Mode::Exclusive));
    }
}

TEST_F(LockAndJournal, ExclusiveOpenConflictsWithinOneProcess)
{
    Table a(QStringLiteral("sec.dbf"));
    a.open(Table::Mode::Exclusive);
    Table b(QStringLiteral("SEC.DBF"));
    try {
        b.open(Table::Mode::Exclusive);
        FAIL();
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("sec.dbf"))) << e.what();
    }
    a.close();
    EXPECT_NO_THROW(b.open(Table::Mode::Exclusive));
}

TEST_F(LockAndJournal, AnUnfinishedWriteGroupIsRolledBackAtOpen)
{
    const QByteArray dbfBefore = test::readAll(folder.dir.file("sec.dbf"));
    const QByteArray dbtBefore = test::readAll(folder.dir.file("sec.dbt"));
    {
        // A writer that dies halfway: record appended, memo written, never committed.
        Table t(QStringLiteral("sec.dbf"));
        t.open();
        Journal journal(Journal::pathFor(t.path()));
        DbfFile dbf;
        dbf.open(t.path(), File::Access::ReadWrite, File::Share::None);
        dbf.file().setJournal(&journal);
        QByteArray rec = dbf.blankRecord();
        rec.replace(1, 3, "org");
        dbf.appendRecord(rec);
        File dbt;
        dbt.open(folder.dir.file("sec.dbt"), File::Access::ReadWrite, File::Share::None);
        dbt.setJournal(&journal);
        dbt.write(512, QByteArray(600, 'x'));
        // the journal object goes away without commit, as when the process is killed
    }
    ASSERT_TRUE(QFile::exists(folder.dir.file("sec.qjl")));
    ASSERT_NE(test::readAll(folder.dir.file("sec.dbf")), dbfBefore);

    Table t(QStringLiteral("sec.dbf"));
    t.open();
    EXPECT_FALSE(QFile::exists(folder.dir.file("sec.qjl")));
    EXPECT_EQ(test::readAll(folder.dir.file("sec.dbf")), dbfBefore);
    EXPECT_EQ(test::readAll(folder.dir.file("sec.dbt")), dbtBefore);
    EXPECT_EQ(t.physicalRecordCount(), 1u);
    EXPECT_EQ(t.value("X_NOTA").toString(), QStringLiteral("original"));
}

TEST_F(LockAndJournal, PostsLeaveNoJournalBehind)
{
    Table t(QStringLiteral("sec.dbf"));
    t.open(Table::Mode::Exclusive);
    t.edit();
    t.setValue("N_SEC", t.value("N_SEC").toInt() + 1);
    t.setValue("X_NOTA", QString(3000, QLatin1Char('n')));
    t.post();
    EXPECT_TRUE(test::readAll(folder.dir.file("sec.qjl")).isEmpty()) << "kept open for the next save, empty";
    t.close();
    EXPECT_FALSE(QFile::exists(folder.dir.file("sec.qjl")));
    t.open();
    EXPECT_EQ(t.value("N_SEC").toInt(), 42);
    EXPECT_EQ(t.value("X_NOTA").toString().size(), 3000);
}

TEST_F(LockAndJournal, AProcessKilledBetweenSavesLosesNone)
{
    const pid_t child = fork();
    if (child == 0) {
        Table t(QStringLiteral("sec.dbf"));
        t.open();
        t.edit();
        t.setValue("N_SEC", 42);
        t.post();
        _exit(QFile::exists(folder.dir.file("sec.qjl")) ? 9 : 8); // no destructors: as if killed
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 9) << "the emptied journal is left behind";

    Table t(QStringLiteral("sec.dbf"));
    t.open();
    EXPECT_EQ(t.value("N_SEC").toInt(), 42) << "a committed save is never undone";
    EXPECT_FALSE(QFile::exists(folder.dir.file("sec.qjl")));
}

TEST_F(LockAndJournal, AJournalSharedByTwoCursorsStaysOnDiskForTheOneStillWriting)
{
    const QString path = Journal::pathFor(folder.dir.file("sec.dbf"));
    const QByteArray dbfBefore = test::readAll(folder.dir.file("sec.dbf"));
    DbfFile dbf;
    dbf.open(folder.dir.file("sec.dbf"), File::Access::ReadWrite, File::Share::None);
    {
        auto first = std::make_unique<Journal>(path);
        Journal second(path);
        dbf.file().setJournal(first.get());
        dbf.file().write(40, QByteArray("x"));
        first->commit();
        dbf.file().setJournal(&second);
        dbf.file().write(41, QByteArray("y"));
        second.commit();
        first.reset(); // its cursor closes: the empty journal goes
        EXPECT_FALSE(QFile::exists(path));
        dbf.file().write(42, QByteArray("z")); // the next group of the other cursor, then it dies
        ASSERT_TRUE(second.pending());
        EXPECT_FALSE(test::readAll(path).isEmpty()) << "the group is journaled where the next open looks";
    }
    dbf.file().setJournal(nullptr);
    ASSERT_TRUE(Journal::rollBack(path));
    const QByteArray after = test::readAll(folder.dir.file("sec.dbf"));
    EXPECT_EQ(after.mid(40, 2), "xy");
    EXPECT_EQ(after[42], dbfBefore[42]);
}

TEST_F(LockAndJournal, APostThatFailsHalfwayUndoesWhatItWrote)
{
    // A table whose DBF is larger than its DBT; in a child process, a file-size limit at
    // the DBF's size lets the memo reach its file and stops the record midway.
    {
        Table t(QStringLiteral("sec.dbf"));
        t.open(Table::Mode::Exclusive);
        for (int i = 0; i < 300; ++i) {
            t.append();
            t.setValue("C_SEC", QStringLiteral("r%1").arg(i));
            t.post();
        }
    }
    const QByteArray dbfBefore = test::readAll(folder.dir.file("sec.dbf"));
    const QByteArray dbtBefore = test::readAll(folder.dir.file("sec.dbt"));
    ASSERT_GT(dbfBefore.size(), dbtBefore.size() + 4096);

    const pid_t child = fork();
    if (child == 0) {
        int code = 0;
        try {
            Table t(QStringLiteral("sec.dbf"));
            t.open(Table::Mode::Exclusive);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(dbfBefore.size()), rlim_t(dbfBefore.size())};
            setrlimit(RLIMIT_FSIZE, &limit);
            t.append();
            t.setValue("C_SEC", QStringLiteral("nuevo"));
            t.setValue("X_NOTA", QString(2000, QLatin1Char('z')));
            try {
                t.post();
                code = 1; // the limit did not stop it
            } catch (const DatabaseError &) {
                code = t.state() == Table::State::Insert ? 0 : 2;
            }
        } catch (...) {
            code = 3;
        }
        _exit(code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::readAll(folder.dir.file("sec.dbt")), dbtBefore);
    EXPECT_EQ(test::readAll(folder.dir.file("sec.dbf")), dbfBefore);
    EXPECT_FALSE(QFile::exists(folder.dir.file("sec.qjl")));
}
