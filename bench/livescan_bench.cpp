// What the operator waits for in the live-scan session: one delivered print scored and on
// screen (goal under 50 ms, so that nobody waits between fingers), and the tenth print to the
// saved dedos.zip (ten bmp2wsq runs and the zip; goal under 150 ms). Also the converter as a
// whole process, start to exit, on a 500 x 500 print.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQAL_BUILD_TESTS=OFF -DQAL_BUILD_BENCH=ON
//   cmake --build build/bench --target livescan_bench -j2
//   QT_QPA_PLATFORM=offscreen build/bench/bin/livescan_bench
#include "biometrics/ExternalProgram.h"
#include "biometrics/NfiqLibrary.h"
#include "biometrics/forms/TFLiveScanPlano.h"
#include "core/ProgramFolder.h"
#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"
#include "imaging/BmpFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace qal;

namespace {

const char *const kPrints[] = {"nbis_sivv_card0001_01_500ppi.bmp", "nist_piv_02_r_index_jpegl.bmp",
                               "nbis_sivv_card0003_05_500ppi.bmp", "nist_piv_07_l_index_jpegl.bmp",
                               "safis_probe.bmp",                  "nist_tip_wsq.bmp",
                               "nbis_valid1.7_r3_jpeg388.bmp",     "nbis_sivv_card0005_07_500ppi.bmp",
                               "nist_tpcard_09_l_ring.bmp",        "nist_exemplar_08_l_middle_uncompressed.bmp"};

// The BMP of a delivered print, as the scanner object hands it to the session.
QByteArray delivered(int i)
{
    QFile f(QStringLiteral(QAL_FINGERS "/") + QLatin1String(kPrints[i % 10]));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program folder with the converters and the quality module, and its data module.
struct Folder
{
    Folder()
    {
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        for (const QString &f : {QStringLiteral("bmp2wsq"), QStringLiteral("wsq2bmp"), NfiqLibrary::fileName()})
            QFile::link(QStringLiteral(QAL_BIN "/") + f, dir.filePath(f));
        NfiqLibrary::loadAtStart();
        dm.dmCreate();
    }
    QTemporaryDir dir;
    Tdm dm;
};

Folder &folder()
{
    static Folder *f = new Folder; // lives to the end of the process
    return *f;
}

void BM_ScoreAndShowOnePrint(benchmark::State &state)
{
    TFLiveScanPlano form(folder().dm, nullptr);
    form.show();
    const QByteArray bmp = delivered(int(state.range(0)));
    for (auto _ : state) {
        form.AfterScan(bmp);
        QCoreApplication::processEvents(); // painted
    }
    if (form.calidades()[0].code != QualityScored)
        state.SkipWithError("the print was not scored");
}
BENCHMARK(BM_ScoreAndShowOnePrint)->DenseRange(0, 9)->Unit(benchmark::kMillisecond);

void BM_TenthPrintToSavedZip(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TFLiveScanPlano>(folder().dm, nullptr);
        form->show();
        for (int n = 1; n <= 9; ++n) {
            form->seleccionarDedo(n);
            form->AfterScan(delivered(n - 1));
        }
        form->seleccionarDedo(10);
        const QByteArray tenth = delivered(9);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        form->AfterScan(tenth);
        const bool saved = form->btGrabarClick();
        state.PauseTiming();
        if (!saved || !QFile::exists(TFLiveScanPlano::zipPath()))
            state.SkipWithError("not saved");
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TenthPrintToSavedZip)->Unit(benchmark::kMillisecond)->UseRealTime();

// The converter from process start to exit on a 500 x 500 print.
void BM_Bmp2WsqProcess(benchmark::State &state)
{
    const GreyImage full = BmpFile::readGrey(QStringLiteral(QAL_FINGERS "/nist_exemplar_08_l_middle_uncompressed.bmp"));
    GreyImage square(500, 500, 500);
    for (int y = 0; y < 500; ++y)
        std::copy_n(full.row(y + (full.height() - 500) / 2) + (full.width() - 500) / 2, 500, square.row(y));
    const QString source = QDir(folder().dir.path()).filePath(QStringLiteral("b500.bmp"));
    const QString target = QDir(folder().dir.path()).filePath(QStringLiteral("b500.wsq"));
    BmpFile::writeGrey(source, square);
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral(QAL_BIN "/bmp2wsq"), {source, target});
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            state.SkipWithError("bmp2wsq failed");
    }
}
BENCHMARK(BM_Bmp2WsqProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
