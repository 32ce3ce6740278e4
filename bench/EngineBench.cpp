// Table engine speed on a generated official-requests table (every field of PED.DBF) with
// 100,000 records and a production index with tags on C_PED and X_APE1.
//
//   build/release/bin/bench_engine [--benchmark_filter=...]
//
// Pack and reindex are reported next to copying the same files with cp in the same run
// (counter "x_cp": how many times the cp time).
#include "data/TableSchema.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"

#include "QuickRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

using namespace qal;
using namespace qal::dbase;

namespace {

// a quick run takes a thousand
const int kRecords = bench::quickRun() ? 1000 : 100000;

QString benchRoot()
{
    return bench::dataFolder(QStringLiteral("engine"));
}

QString sourceFolder()
{
    return benchRoot() + QStringLiteral("/source");
}

QStringList tableFiles(const QString &folder)
{
    return {folder + "/PED.DBF", folder + "/PED.DBT", folder + "/PED.MDX"};
}

// The generated table, made once and kept between runs.
void ensureSource()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QDir().mkpath(sourceFolder());
    if (QFile::exists(sourceFolder() + "/PED.MDX") && QFile::exists(sourceFolder() + "/.complete"))
        return;
    ProgramFolder::setPath(sourceFolder());
    const TableDef &def = tableDefinition("ped");
    Table::create("PED.DBF", def.descriptors(), {def.tags[0], def.tags[1]});
    Table t("PED.DBF");
    t.open(Table::Mode::Exclusive);
    std::mt19937 rng(42);
    const QStringList surnames {"GOMEZ", "PEREZ", "RODRIGUEZ", "FERNANDEZ", "LOPEZ", "DIAZ", "MARTINEZ",
                                "SANCHEZ", "ROMERO", "SOSA", "ALVAREZ", "TORRES", "RUIZ", "RAMIREZ", "FLORES"};
    for (int i = 1; i <= kRecords; ++i) {
        t.append();
        t.setValue("C_PED", qlonglong(i));
        t.setValue("C_SEXO", i % 2 ? "M" : "F");
        t.setValue("C_TDOC", "DU");
        t.setValue("C_ORG", qlonglong(1 + rng() % 500));
        t.setValue("F_PED", QDate(2015, 1, 1).addDays(i / 40));
        t.setValue("X_DELITO", QStringLiteral("ROBO CALIFICADO"));
        t.setValue("X_APE1", surnames[int(rng() % surnames.size())] + QString::number(rng() % 1000));
        t.setValue("X_NOM1", QStringLiteral("JUAN"));
        t.setValue("N_DOC", qlonglong(20000000 + rng() % 20000000));
        t.setValue("M_ENVIADO", true);
        t.setValue("M_CONTESTA", i % 3 == 0);
        t.setValue("C_REG", qlonglong(12));
        t.setValue("C_EST", "C");
        t.setValue("X_OBS", QStringLiteral("Pedido de prueba número %1").arg(i));
        t.post();
    }
    // one record in a hundred deleted, for the pack to drop
    t.setIndexField("C_PED");
    for (int i = 1; i <= kRecords; i += 100) {
        t.findKey(qlonglong(i));
        t.deleteRecord();
    }
    t.close();
    QFile marker(sourceFolder() + "/.complete");
    marker.open(QIODevice::WriteOnly);
}

// A fresh copy of the source table in folder.
void copySource(const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const QString &f : tableFiles(sourceFolder()))
        QFile::copy(f, folder + "/" + QFileInfo(f).fileName());
}

// Copies the table's files with cp, timed.
double cpSeconds()
{
    const QString target = benchRoot() + "/cp";
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    QElapsedTimer timer;
    timer.start();
    QProcess::execute("cp", QStringList(tableFiles(sourceFolder())) << target);
    return timer.nsecsElapsed() / 1e9;
}

// Each iteration times cp of the same files right before the operation, so that both see
// the same machine load; the ratio of the sums is reported.
void runMaintenance(benchmark::State &state, void (Table::*operation)())
{
    ensureSource();
    const QString folder = benchRoot() + "/work";
    double total = 0;
    double cpTotal = 0;
    for (auto _ : state) {
        state.PauseTiming();
        copySource(folder);
        cpTotal += cpSeconds();
        ProgramFolder::setPath(folder);
        Table t("PED.DBF");
        t.open(Table::Mode::Exclusive);
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        (t.*operation)();
        total += timer.nsecsElapsed() / 1e9;
        state.PauseTiming();
        t.close();
        state.ResumeTiming();
    }
    state.counters["cp_ms"] = cpTotal * 1000 / double(state.iterations());
    state.counters["x_cp"] = total / cpTotal;
}

void BM_Pack(benchmark::State &state) { runMaintenance(state, &Table::pack); }
void BM_RegenerateIndexes(benchmark::State &state) { runMaintenance(state, &Table::regenerateIndexes); }

void BM_KeySeekWarm(benchmark::State &state)
{
    ensureSource();
    ProgramFolder::setPath(sourceFolder());
    Table t("PED.DBF");
    t.open();
    t.setIndexField("C_PED");
    std::mt19937 rng(1);
    for (int i = 0; i < 2000; ++i) // warm
        t.findKey(qlonglong(2 + rng() % (kRecords - 1)));
    for (auto _ : state) {
        qlonglong key = qlonglong(2 + rng() % (kRecords - 1));
        if (key % 100 == 1)
            ++key;
        benchmark::DoNotOptimize(t.findKey(key));
    }
}

// One edit and post, then the re-read every write is followed by: close, reopen, seek the key.
void BM_EditPostReread(benchmark::State &state)
{
    ensureSource();
    const QString folder = benchRoot() + "/edit";
    copySource(folder);
    ProgramFolder::setPath(folder);
    Table t("PED.DBF");
    t.open();
    t.setIndexField("C_PED");
    std::mt19937 rng(2);
    int n = 0;
    for (auto _ : state) {
        const qlonglong key = qlonglong(2 + rng() % (kRecords - 2));
        if (!t.findKey(key % 100 == 1 ? key + 1 : key))
            state.SkipWithError("key not found");
        t.edit();
        t.setValue("X_OBS", QStringLiteral("editado %1").arg(++n));
        t.post();
        const QVariant remembered = t.value("C_PED");
        t.close();
        t.open();
        t.setIndexField("C_PED");
        t.findKey(remembered);
    }
}

// One edit and post on a table that stays open: the cost of a save itself (the record, its
// index keys and the undo journal), as a list that sets one state after another pays it.
void BM_EditPost(benchmark::State &state)
{
    ensureSource();
    const QString folder = benchRoot() + "/post";
    copySource(folder);
    ProgramFolder::setPath(folder);
    Table t("PED.DBF");
    t.open();
    t.setIndexField("C_PED");
    std::mt19937 rng(3);
    int n = 0;
    for (auto _ : state) {
        const qlonglong key = qlonglong(2 + rng() % (kRecords - 2));
        if (!t.findKey(key % 100 == 1 ? key + 1 : key))
            state.SkipWithError("key not found");
        t.edit();
        t.setValue("X_OBS", QStringLiteral("editado %1").arg(++n));
        t.post();
    }
}

// The first number after "key:" in a /proc file of this process ("rchar" of io, "VmRSS" of status).
qint64 procValue(const char *file, const char *key)
{
    QFile f(QString::fromLatin1(file));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(line.indexOf(':') + 1).trimmed().split(' ').front().toLongLong();
    }
    return 0;
}

qint64 procIo(const char *key) { return procValue("/proc/self/io", key); }
qint64 residentKb(const char *key) { return procValue("/proc/self/status", key); }

// Bytes read by opening the table (all files), and by its header and index header alone.
void BM_OpenReads(benchmark::State &state)
{
    ensureSource();
    ProgramFolder::setPath(sourceFolder());
    qint64 bytes = 0;
    for (auto _ : state) {
        const qint64 before = procIo("rchar");
        Table t("PED.DBF");
        t.open();
        bytes = procIo("rchar") - before;
        t.close();
    }
    state.counters["bytes_read"] = double(bytes);
}

// Resident memory while walking every record in index order and reading every field.
void BM_FullWalkMemory(benchmark::State &state)
{
    ensureSource();
    ProgramFolder::setPath(sourceFolder());
    qint64 peakGrowthKb = 0;
    for (auto _ : state) {
        const qint64 before = residentKb("VmRSS");
        Table t("PED.DBF");
        t.open();
        t.setIndexField("X_APE1");
        qint64 peak = 0;
        int n = 0;
        for (t.first(); !t.eof(); t.next()) {
            for (const auto &f : t.fields())
                benchmark::DoNotOptimize(t.value(f.name));
            if (++n % 5000 == 0)
                peak = std::max(peak, residentKb("VmRSS"));
        }
        peakGrowthKb = std::max(peakGrowthKb, peak - before);
        state.counters["records"] = n;
    }
    state.counters["rss_growth_MB"] = double(peakGrowthKb) / 1024.0;
    state.counters["rss_total_MB"] = double(residentKb("VmHWM")) / 1024.0;
}

// A walk of the whole table in X_APE1 order reading every field, as the lists, the purge
// and the state lists walk it, against cp of the table's files timed right before it (the
// same machine load): "x_cp" is how many times the cp time the walk takes.
// A walk over every record in X_APE1 order against cp of the table, with resident memory.
// Each record gives readRecord the values of the fields it reads.
template<typename ReadRecord>
void indexOrderWalk(benchmark::State &state, ReadRecord readRecord)
{
    ensureSource();
    double walkTotal = 0;
    double cpTotal = 0;
    int records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cpTotal += cpSeconds();
        ProgramFolder::setPath(sourceFolder());
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        Table t("PED.DBF");
        t.open();
        t.setIndexField("X_APE1");
        records = 0;
        for (t.first(); !t.eof(); t.next()) {
            readRecord(t);
            ++records;
        }
        t.close();
        walkTotal += timer.nsecsElapsed() / 1e9;
    }
    state.counters["records"] = records;
    state.counters["us_per_record"] = walkTotal * 1e6 / double(state.iterations()) / std::max(1, records);
    state.counters["cp_ms"] = cpTotal * 1000 / double(state.iterations());
    state.counters["x_cp"] = walkTotal / cpTotal;
    state.counters["rss_total_MB"] = double(residentKb("VmHWM")) / 1024.0;
}

// What a list in surname order reads of each request: the request list's seven columns,
// asked for by name (the columns of the official requests' list).
void BM_IndexOrderWalk(benchmark::State &state)
{
    static const QStringList columns {"C_PED", "F_PED", "N_EXPE", "X_APE1", "X_NOM1", "F_CON", "C_ORG"};
    indexOrderWalk(state, [](const Table &t) {
        for (const QString &c : columns)
            benchmark::DoNotOptimize(t.value(c));
    });
}

// Every field of every record as a value: no list of the program reads so much, but a dump
// or a grid with every column does.
void BM_IndexOrderWalkEveryField(benchmark::State &state)
{
    indexOrderWalk(state, [](const Table &t) {
        for (const auto &f : t.fields())
            benchmark::DoNotOptimize(t.value(f.name));
    });
}

} // namespace

BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RegenerateIndexes)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_KeySeekWarm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditPost)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditPostReread)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenReads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullWalkMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_IndexOrderWalk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_IndexOrderWalkEveryField)->Unit(benchmark::kMillisecond)->Iterations(3);
