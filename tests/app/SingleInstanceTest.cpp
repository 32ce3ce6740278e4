#include "app/SingleInstance.h"

#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace qal;

// A second copy of the program, started while one runs on the same folder, asks the first
// to come to the front and exits at once, before it creates the data module: it finds no
// table and shows nothing.
TEST(SingleInstance, ASecondCopyWakesTheFirstAndExits)
{
    test::TempFolder dir;
    const QString program = dir.file("qal-regional");
    ASSERT_TRUE(QFile::copy(QStringLiteral(QAL_BIN_DIR) + "/qal-regional", program));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    SingleInstance first(dir.path());
    ASSERT_TRUE(first.acquire());
    QSignalSpy woken(&first, &SingleInstance::activationRequested);

    QProcess second;
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(woken.count() == 1 || woken.wait(5000));
    // it did not start the data module: no progress, no table, no message
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList {"qal-regional"});
}

TEST(SingleInstance, DifferentFoldersDoNotBlockEachOther)
{
    test::TempFolder a, b;
    SingleInstance first(a.path());
    SingleInstance other(b.path());
    EXPECT_TRUE(first.acquire());
    EXPECT_TRUE(other.acquire());
}
