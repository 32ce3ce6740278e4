// Start-up of the program, from process start to the main window shown, on program folders
// with N official and N personal requests (N = 1,000 .. 100,000), next to copying the same
// folder's table files with cp in the same run (counter "x_cp").
//
//   build/bench/bin/bench_startup
#include "data/ProgramFolderSetup.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"

#include "QuickRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <random>

using namespace qal;
using namespace qal::dbase;

namespace {

QString root() { return bench::dataFolder(QStringLiteral("startup")); }

void fillRequests(const QString &file, int n, bool official)
{
    Table t(file);
    t.open(Table::Mode::Exclusive);
    std::mt19937 rng(n);
    for (int i = 1; i <= n; ++i) {
        t.append();
        t.setValue("C_PED", qlonglong(i));
        t.setValue("C_REG", qlonglong(12));
        t.setValue("X_APE1", QStringLiteral("APELLIDO%1").arg(rng() % 5000));
        t.setValue("X_NOM1", QStringLiteral("NOMBRE"));
        t.setValue("N_DOC", qlonglong(20000000 + rng() % 20000000));
        t.setValue("F_PED", QDate(2020, 1, 1).addDays(i % 1500));
        t.setValue("C_EST", i % 3 == 0 ? "C" : "E");
        if (official) {
            t.setValue("C_ORG", qlonglong(1 + i % 3));
            t.setValue("M_ENVIADO", true);
            t.setValue("M_CONTESTA", false);
        }
        t.post();
    }
}

// The folder for n requests of each kind, made once and kept between runs.
QString sourceFolder(int n)
{
    const QString folder = root() + QStringLiteral("/source-%1").arg(n);
    if (QFile::exists(folder + "/.complete"))
        return folder;
    QDir(folder).removeRecursively();
    createProgramFolder(folder);
    ProgramFolder::setPath(folder);
    fillRequests("PED.DBF", n, true);
    fillRequests("Pedp.DBF", n, false);
    QFile(folder + "/.complete").open(QIODevice::WriteOnly);
    return folder;
}

QStringList tableFiles(const QString &folder)
{
    QStringList files;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        const QString lower = name.toLower();
        if (lower.endsWith(".dbf") || lower.endsWith(".dbt") || lower.endsWith(".mdx"))
            files << folder + "/" + name;
    }
    return files;
}

double timedCp(const QString &from)
{
    const QString target = root() + "/cp";
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    QElapsedTimer timer;
    timer.start();
    QProcess::execute("cp", QStringList(tableFiles(from)) << target);
    return timer.nsecsElapsed() / 1e9;
}

void BM_StartUp(benchmark::State &state)
{
    const int n = int(state.range(0));
    const QString source = sourceFolder(n);
    const QString work = root() + "/work";
    double total = 0;
    double cpTotal = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(work).removeRecursively();
        QDir().mkpath(work);
        for (const QString &f : QDir(source).entryList(QDir::Files))
            QFile::copy(source + "/" + f, work + "/" + f);
        QFile::copy(QStringLiteral(QAL_BIN_DIR) + "/qal-regional", work + "/qal-regional");
        QFile::setPermissions(work + "/qal-regional", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        cpTotal += timedCp(source);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QAL_STARTUP_PROBE", "1");
        program.setProcessEnvironment(env);
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        program.start(work + "/qal-regional", {});
        program.waitForFinished(600000);
        total += timer.nsecsElapsed() / 1e9;
        if (!program.readAllStandardError().contains("ventana principal mostrada"))
            state.SkipWithError("the main window was not shown");
    }
    state.counters["cp_ms"] = cpTotal * 1000 / double(state.iterations());
    state.counters["x_cp"] = total / cpTotal;
}

} // namespace

BENCHMARK(BM_StartUp)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
