#include "data/ActivityLog.h"

#include "core/ProgramFolder.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qal;

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct FolderScope
{
    explicit FolderScope(const QString &path) : before(ProgramFolder::path()) { ProgramFolder::setPath(path); }
    ~FolderScope() { ProgramFolder::setPath(before); }
    QString before;
};
} // namespace

TEST(ActivityLog, CreatesThenAppendsWindowsLines)
{
    test::TempFolder dir;
    FolderScope scope(dir.path());
    ASSERT_TRUE(RegistrarActividad(QStringLiteral("Envío pedido 12")));
    ASSERT_TRUE(RegistrarActividad("segunda"));
    EXPECT_EQ(readAll(dir.file("QalRegLog.log")), QByteArray("Env\xEDo pedido 12\r\nsegunda\r\n"));
}

TEST(ActivityLog, AppendsToTheExistingFileWhateverItsCase)
{
    test::TempFolder dir;
    FolderScope scope(dir.path());
    QFile f(dir.file("QALREGLOG.LOG"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old\r\n");
    f.close();
    ASSERT_TRUE(RegistrarActividad("new"));
    EXPECT_EQ(readAll(dir.file("QALREGLOG.LOG")), QByteArray("old\r\nnew\r\n"));
    EXPECT_FALSE(QFile::exists(dir.file("QalRegLog.log")));
}

TEST(ActivityLog, TwoWritingProcessesNeverInterleaveLines)
{
    test::TempFolder dir;
    FolderScope scope(dir.path());
    const QString line = QString(200, QLatin1Char('x'));
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    const QString mine = child == 0 ? line : QString(200, QLatin1Char('y'));
    for (int i = 0; i < 300; ++i)
        RegistrarActividad(mine);
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    const QList<QByteArray> lines = readAll(dir.file("QalRegLog.log")).split('\n');
    ASSERT_EQ(lines.size(), 601); // 600 lines and the empty tail
    for (int i = 0; i < 600; ++i) {
        const QByteArray &l = lines[i];
        ASSERT_TRUE(l == line.toLatin1() + '\r' || l == QString(200, QLatin1Char('y')).toLatin1() + '\r') << i;
    }
}

TEST(ActivityLog, GivesUpWhenTheFolderCannotBeWritten)
{
    FolderScope scope(QStringLiteral("/nonexistent-qal-folder"));
    EXPECT_FALSE(RegistrarActividad("x"));
}
