// Scoring and packing speed: one 500 x 500 finger at 500 ppi, and a ten-print zip.
#include "biometrics/ExternalProgram.h"
#include "biometrics/PrintSetZip.h"
#include "biometrics/quality/QualityScorer.h"
#include "core/ProgramFolder.h"
#include "imaging/BmpFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>


#include <benchmark/benchmark.h>

namespace {

// The centre 500 x 500 of a real plain finger.
qal::GreyImage finger500(const char *name)
{
    const qal::GreyImage full = qal::BmpFile::readGrey(QStringLiteral(QAL_FINGERS "/") + QLatin1String(name));
    qal::GreyImage out(500, 500, 500);
    if (full.width() < 500 || full.height() < 500)
        return qal::GreyImage();
    const int x0 = (full.width() - 500) / 2, y0 = (full.height() - 500) / 2;
    for (int y = 0; y < 500; ++y)
        std::copy_n(full.row(y0 + y) + x0, 500, out.row(y));
    return out;
}

void BM_ScoreFinger500(benchmark::State &state, const char *name)
{
    const qal::GreyImage image = finger500(name);
    if (image.isNull()) {
        state.SkipWithError("fixture missing");
        return;
    }
    int nfiq = 0;
    for (auto _ : state) {
        const auto r = qal::quality::scoreFingerprint(image.pixels().data(), 500, 500);
        nfiq = r.nfiq;
        benchmark::DoNotOptimize(nfiq);
    }
    state.counters["nfiq"] = nfiq;
}
BENCHMARK_CAPTURE(BM_ScoreFinger500, rolled, "nist_tpcard_01_r_thumb.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScoreFinger500, exemplar, "nist_exemplar_08_l_middle_uncompressed.bmp")->Unit(benchmark::kMillisecond);

void BM_ZipTenPrints(benchmark::State &state)
{
    QTemporaryDir dir;
    qal::ProgramFolder::setPath(dir.path());
    QStringList names;
    QRandomGenerator random(3);
    for (int n = 1; n <= 10; ++n) {
        // about the size of a WSQ finger at 0.75 bpp, entropy-coded (little left to deflate)
        QByteArray data(25000, Qt::Uninitialized);
        for (auto &c : data)
            c = char(random.generate());
        const QString name = QStringLiteral("dedo%1.wsq").arg(n);
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(data);
        names << name;
    }
    QString message;
    for (auto _ : state) {
        QStringList list = names;
        if (!qal::ZipFiles(list, QStringLiteral("dedos.zip"), message))
            state.SkipWithError("zip failed");
    }
}
BENCHMARK(BM_ZipTenPrints)->Unit(benchmark::kMillisecond);

// Saving a set as the capture session does: ten conversions through the program folder's
// bmp2wsq, then the zip. Needs bmp2wsq built beside this program.
void BM_SaveTenPrints(benchmark::State &state)
{
    const QString converter = QStringLiteral(QAL_BIN "/bmp2wsq");
    if (!QFile::exists(converter)) {
        state.SkipWithError("bmp2wsq not built");
        return;
    }
    QTemporaryDir dir;
    qal::ProgramFolder::setPath(dir.path());
    QFile::link(converter, dir.filePath(QStringLiteral("bmp2wsq")));
    const qal::GreyImage image = finger500("nist_tpcard_01_r_thumb.bmp");
    for (int n = 1; n <= 10; ++n)
        qal::BmpFile::writeGrey(dir.filePath(QStringLiteral("dedo%1.bmp").arg(n)), image);
    QString message;
    for (auto _ : state) {
        QStringList wsq;
        for (int n = 1; n <= 10; ++n) {
            const QString target = QStringLiteral("dedo%1.wsq").arg(n);
            if (!qal::ConvertBmpToWsq(QStringLiteral("dedo%1.bmp").arg(n), target, message))
                state.SkipWithError("conversion failed");
            wsq << target;
        }
        if (!qal::ZipFiles(wsq, QStringLiteral("dedos.zip"), message))
            state.SkipWithError("zip failed");
    }
    state.counters["zip_bytes"] = double(QFileInfo(dir.filePath(QStringLiteral("dedos.zip"))).size());
}
BENCHMARK(BM_SaveTenPrints)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
