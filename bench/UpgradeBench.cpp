// The schema upgrade of an office's oldest tables (every field the upgrade adds missing, the
// three narrow widths), on a generated legacy folder with 100,000 official and 100,000 personal
// requests, next to copying the same folder's table files with cp in the same run (counter
// "x_cp": how many times the cp time). BM_LegacyUpgrade is the upgrade alone; BM_LegacyStart
// is the whole data work of the first start (index repair, upgrade, pack, re-index, opening).
//
//   build/bench/bin/bench_upgrade
#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"
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

// a quick run takes a thousand of each
const int kRequests = bench::quickRun() ? 1000 : 100000;

QString root()
{
    return bench::dataFolder(QStringLiteral("upgrade"));
}

QString sourceFolder()
{
    return root() + QStringLiteral("/legacy-%1").arg(kRequests);
}

void fillRequests(const QString &file, bool official)
{
    Table t(file);
    t.open(Table::Mode::Exclusive);
    std::mt19937 rng(kRequests + official);
    for (int i = 1; i <= kRequests; ++i) {
        t.append();
        t.setValue("C_PED", qlonglong(i));
        t.setValue("C_REG", qlonglong(12));
        t.setValue("C_SEXO", i % 2 ? "M" : "F");
        t.setValue("C_TDOC", "DU");
        t.setValue("X_APE1", QStringLiteral("APELLIDO%1").arg(rng() % 5000));
        t.setValue("X_NOM1", QStringLiteral("NOMBRE"));
        t.setValue("N_DOC", qlonglong(20000000 + rng() % 20000000));
        t.setValue("F_PED", QDate(2005, 1, 1).addDays(i % 3000));
        if (official) {
            t.setValue("C_ORG", qlonglong(1 + i % 3));
            t.setValue("N_CAUSA", QString::number(1000000 + i));
            t.setValue("X_DELITO", QStringLiteral("ROBO CALIFICADO"));
            t.setValue("M_ENVIADO", true);
            t.setValue("M_CONTESTA", i % 3 == 0);
            t.setValue("X_OBS", QStringLiteral("Pedido de prueba número %1").arg(i));
        }
        t.post();
    }
}

// The legacy folder, made once and kept between runs.
void ensureSource()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (QFile::exists(sourceFolder() + "/.complete"))
        return;
    QDir(sourceFolder()).removeRecursively();
    createProgramFolder(sourceFolder(), true);
    ProgramFolder::setPath(sourceFolder());
    fillRequests("PED.DBF", true);
    fillRequests("Pedp.DBF", false);
    QFile(sourceFolder() + "/.complete").open(QIODevice::WriteOnly);
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

// Copies the legacy tables with cp, timed; the copy is the folder the upgrade then works on.
double cpSeconds(const QString &target)
{
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    QElapsedTimer timer;
    timer.start();
    QProcess::execute("cp", QStringList(tableFiles(sourceFolder())) << target);
    return timer.nsecsElapsed() / 1e9;
}

// Each iteration times cp of the tables right before the work on the copy, so that both see
// the same machine load and the same page cache; the ratio of the sums is reported.
void run(benchmark::State &state, const std::function<void(Tdm &)> &work)
{
    ensureSource();
    const QString folder = root() + "/work";
    double total = 0;
    double cpTotal = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cpTotal += cpSeconds(folder);
        ProgramFolder::setPath(folder);
        auto dm = std::make_unique<Tdm>();
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        work(*dm);
        total += timer.nsecsElapsed() / 1e9;
        state.PauseTiming();
        dm.reset();
        state.ResumeTiming();
    }
    state.counters["cp_ms"] = cpTotal * 1000 / double(state.iterations());
    state.counters["x_cp"] = total / cpTotal;
}

void BM_LegacyUpgrade(benchmark::State &state)
{
    run(state, [](Tdm &dm) { dm.ActualizarEsquema(); });
}

void BM_LegacyStart(benchmark::State &state)
{
    run(state, [&state](Tdm &dm) {
        dm.dmCreate();
        if (!dm.InicioCompleto)
            state.SkipWithError("the start did not complete");
    });
}

} // namespace

BENCHMARK(BM_LegacyUpgrade)->Unit(benchmark::kMillisecond)->Iterations(bench::quickRun() ? 1 : 5);
BENCHMARK(BM_LegacyStart)->Unit(benchmark::kMillisecond)->Iterations(bench::quickRun() ? 1 : 3);
