// The first start on an office's oldest tables, killed at random moments while it upgrades,
// packs and re-indexes them: the next start always finishes the job with every request and
// every value there, and the tables check clean.
#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"
#include "dbase/Table.h"
#include "dbase/TableCheck.h"

#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <random>

using namespace qal;

namespace {

constexpr int kRequests = 1500;
constexpr int kKills = 25;

QString surname(int n)
{
    return QStringLiteral("PEÑA%1").arg(n);
}

void fill(const QString &file, bool official)
{
    dbase::Table t(file);
    t.open(dbase::Table::Mode::Exclusive);
    for (int n = 1; n <= kRequests; ++n) {
        t.append();
        t.setValue("C_PED", n);
        t.setValue("C_REG", 7);
        t.setValue("X_APE1", surname(n));
        if (official)
            t.setValue("N_CAUSA", QString::number(10000000 + n));
        t.post();
    }
}

QStringList tableFiles(const QString &folder)
{
    QStringList files;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        const QString lower = name.toLower();
        if (lower.endsWith(".dbf") || lower.endsWith(".dbt") || lower.endsWith(".mdx"))
            files << name;
    }
    return files;
}

// Puts the legacy tables back into the program's folder, leaving nothing of a former run.
void restore(const QString &from, const QString &to)
{
    for (const QString &name : QDir(to).entryList(QDir::Files)) {
        if (name != QLatin1String("qal-regional"))
            QFile::remove(to + QLatin1Char('/') + name);
    }
    for (const QString &name : tableFiles(from))
        ASSERT_TRUE(QFile::copy(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name));
}

// Every request once, with its values, in the upgraded schema; every table sound.
void expectComplete(const QString &folder, const char *when)
{
    for (const char *file : {"PED.DBF", "Pedp.DBF"}) {
        dbase::Table t {QLatin1String(file)};
        t.open();
        ASSERT_TRUE(t.hasField("X_OAPE")) << when << " " << file;
        ASSERT_EQ(t.recordCount(), kRequests) << when << " " << file;
        int n = 0;
        t.setIndexField("C_PED");
        for (t.first(); !t.eof(); t.next()) {
            ++n;
            ASSERT_EQ(t.value("C_PED").toInt(), n) << when << " " << file;
            ASSERT_EQ(t.value("X_APE1").toString(), surname(n)) << when << " " << file;
            if (QLatin1String(file) == QLatin1String("PED.DBF")) {
                ASSERT_EQ(t.value("N_CAUSA").toString(), QString::number(10000000 + n)) << when;
                ASSERT_EQ(t.value("M_MENOR"), QVariant(false)) << when;
            }
        }
    }
    for (const QString &name : tableFiles(folder)) {
        if (!name.endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive))
            continue;
        const QStringList problems = dbase::checkTable(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(problems.isEmpty()) << when << " " << name.toStdString() << ": " << problems.join('\n').toStdString();
    }
}

} // namespace

TEST(LegacyStartKills, AKilledUpgradeIsFinishedByTheNextStartWithNothingLost)
{
    test::TempFolder dir;
    const QString before = ProgramFolder::path();
    const QString legacy = dir.file("legacy");
    createProgramFolder(legacy, true);
    ProgramFolder::setPath(legacy);
    fill("PED.DBF", true);
    fill("Pedp.DBF", false);

    const QString work = dir.file("work");
    QDir().mkpath(work);
    const QString program = work + QStringLiteral("/qal-regional");
    ASSERT_TRUE(QFile::copy(QStringLiteral(QAL_BIN_DIR) + "/qal-regional", program));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QAL_STARTUP_PROBE", "1");

    // One whole start first: how long the kills have to land in, and that it ends well.
    restore(legacy, work);
    QElapsedTimer timer;
    timer.start();
    {
        QProcess start;
        start.setProcessEnvironment(env);
        start.start(program, {});
        ASSERT_TRUE(start.waitForFinished(300000));
        ASSERT_TRUE(start.readAllStandardError().contains("ventana principal mostrada"));
    }
    const int whole = int(timer.elapsed());
    ProgramFolder::setPath(work);
    expectComplete(work, "after a whole start");

    std::mt19937 rng(20261209);
    int kills = 0;
    for (int round = 0; round < kKills; ++round) {
        restore(legacy, work);
        QProcess start;
        start.setProcessEnvironment(env);
        start.start(program, {});
        ASSERT_TRUE(start.waitForStarted());
        QThread::msleep(std::uniform_int_distribution<int>(whole / 20, whole)(rng));
        if (start.state() == QProcess::Running) {
            ::kill(pid_t(start.processId()), SIGKILL);
            ++kills;
        }
        start.waitForFinished();

        // the next start, here in the test, as the program makes it
        test::ScriptedDialogs dialogs;
        {
            Tdm dm;
            dm.dmCreate();
            ASSERT_TRUE(dm.InicioCompleto) << "round " << round << ": " << dialogs.texts().join('|').toStdString();
        }
        ASSERT_TRUE(dialogs.texts().isEmpty()) << "round " << round << ": " << dialogs.texts().join('|').toStdString();
        expectComplete(work, "after a kill");
    }
    ProgramFolder::setPath(before);
    EXPECT_GT(kills, kKills / 2);
    std::cout << kills << " kills in starts of " << whole << " ms\n";
}
