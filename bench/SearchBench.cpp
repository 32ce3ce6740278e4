// Searches and the request list on 100,000 official and 100,000 personal requests.
//
//   build/release/bin/bench_search [--benchmark_filter=...]
//
// Targets: a search by request number under 1 ms; by surname or document number at most 3
// times what cp takes to copy the table file in the same run (counter "x_cp"); the list of
// every official request open and showing its first rows under 200 ms.
#include "QuickRun.h"

#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"
#include "requests/RequestSearch.h"
#include "requests/forms/TFConsPed.h"
#include "ui/RecordSetModel.h"

#include "core/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <random>

using namespace qal;

namespace {

const int kRequests = bench::quickRun() ? 1000 : 100000;
const QStringList kSurnames {"GOMEZ", "PEREZ", "RODRIGUEZ", "FERNANDEZ", "LOPEZ", "DIAZ", "MUÑOZ", "D'ANGELO",
                             "SANCHEZ", "ROMERO", "SOSA", "ALVAREZ", "TORRES", "PEÑA", "RAMIREZ", "FLORES"};

QString folder()
{
    return QDir::tempPath() + (bench::quickRun() ? QStringLiteral("/qal-bench-search-quick") : QStringLiteral("/qal-bench-search"));
}

// The surname of request i: one of the list with a number, so that a surname names few.
QString surnameOf(int i)
{
    return kSurnames[i % kSurnames.size()] + QString::number(i % 5000);
}

qint64 documentOf(int i)
{
    return 20000000 + qint64(i) * 7;
}

void fill(const QString &file, bool official)
{
    dbase::Table t(file);
    t.open(dbase::Table::Mode::Exclusive);
    std::mt19937 rng(official ? 1 : 2);
    for (int i = 1; i <= kRequests; ++i) {
        t.append();
        t.setValue("C_PED", qlonglong(i));
        t.setValue("C_REG", qlonglong(12));
        t.setValue("F_PED", QDate(2020, 1, 1).addDays(i / 60));
        t.setValue("X_APE1", surnameOf(i));
        t.setValue("X_NOM1", i % 2 ? QStringLiteral("JUAN") : QStringLiteral("MARÍA"));
        t.setValue("X_NOM2", QStringLiteral("N%1").arg(i % 9000));
        t.setValue("C_SEXO", i % 2 ? "M" : "F");
        t.setValue("N_DOC", documentOf(i));
        t.setValue("C_EST", "I");
        if (official) {
            t.setValue("C_ORG", qlonglong(1 + rng() % 3));
            t.setValue("M_ENVIADO", i % 3 != 0);
            t.setValue("M_CONTESTA", i % 3 == 1);
            t.setValue("X_OBS", QStringLiteral("Pedido de prueba número %1").arg(i));
        }
        t.post();
    }
}

// The program folder with its requests, made once and kept between runs.
void ensureFolder()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    ProgramFolder::setPath(folder());
    if (QFile::exists(folder() + "/.complete"))
        return;
    QDir(folder()).removeRecursively();
    QDir().mkpath(folder());
    createProgramFolder(folder());
    fill(QStringLiteral("PED.DBF"), true);
    fill(QStringLiteral("Pedp.DBF"), false);
    QFile marker(folder() + "/.complete");
    marker.open(QIODevice::WriteOnly);
}

double cpSeconds(const QString &table)
{
    const QString target = folder() + "/cp-copy";
    QFile::remove(target);
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(QStringLiteral("cp"), {ProgramFolder::resolve(table), target});
    const double s = timer.nsecsElapsed() / 1e9;
    QFile::remove(target);
    return s;
}

TablaBusqueda tableOf(const benchmark::State &state)
{
    return state.range(0) == 0 ? TablaBusqueda::Oficiales : TablaBusqueda::Personales;
}

void BM_ByNumber(benchmark::State &state)
{
    ensureFolder();
    std::mt19937 rng(3);
    for (auto _ : state) {
        const dbase::RecordSet found = busqueda::porCodigo(tableOf(state), 1 + rng() % kRequests);
        if (found.size() != 1)
            state.SkipWithError("not found");
    }
    state.SetLabel(archivoBusqueda(tableOf(state)).toStdString());
}

// Each iteration copies the table with cp right before the search, so that both see the
// same machine load; x_cp is the ratio of the sums.
void timedAgainstCp(benchmark::State &state, const std::function<dbase::RecordSet(int)> &search)
{
    ensureFolder();
    std::mt19937 rng(4);
    double total = 0, cpTotal = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cpTotal += cpSeconds(archivoBusqueda(tableOf(state)));
        const int i = 1 + int(rng() % kRequests);
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        const dbase::RecordSet found = search(i);
        total += timer.nsecsElapsed() / 1e9;
        if (found.size() < 1)
            state.SkipWithError("not found");
    }
    state.counters["cp_ms"] = cpTotal * 1000 / double(state.iterations());
    state.counters["x_cp"] = total / cpTotal;
    state.SetLabel(archivoBusqueda(tableOf(state)).toStdString());
}

void BM_BySurname(benchmark::State &state)
{
    timedAgainstCp(state, [&](int i) {
        return busqueda::porNombres(tableOf(state), {surnameOf(i), {}, {}, {}, {}});
    });
}

void BM_BySurnameAndName(benchmark::State &state)
{
    timedAgainstCp(state, [&](int i) {
        return busqueda::porNombres(tableOf(state), {surnameOf(i), {}, i % 2 ? "JUAN" : "MARÍA", {}, {}});
    });
}

// No index serves the second name: the whole table is read.
void BM_BySecondNameOnly(benchmark::State &state)
{
    timedAgainstCp(state, [&](int i) {
        return busqueda::porNombres(tableOf(state), {{}, {}, {}, QStringLiteral("N%1").arg(i % 9000), {}});
    });
}

void BM_ByDocument(benchmark::State &state)
{
    timedAgainstCp(state, [&](int i) { return busqueda::porDocumento(tableOf(state), documentOf(i)); });
}

// The list of every official request: the window made, shown and its first rows painted.
void BM_ListOpen(benchmark::State &state)
{
    ensureFolder();
    static Tdm *dm = [] {
        auto *d = new Tdm;
        d->dmCreate();
        return d;
    }();
    if (!dm->InicioCompleto) {
        state.SkipWithError("the data module did not start");
        return;
    }
    int rows = 0;
    for (auto _ : state) {
        TFConsPed list(*dm);
        list.show();
        QCoreApplication::processEvents();
        list.findChild<QTableView *>(QStringLiteral("DBGrid1"))->viewport()->grab();
        rows = list.dsCped()->rowCount();
    }
    state.counters["rows"] = rows;
}

} // namespace

BENCHMARK(BM_ByNumber)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BySurname)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_BySurnameAndName)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ByDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_BySecondNameOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ListOpen)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
