// WSQ speed on a 500 x 500 finger at 500 ppi: encoding at bit rate 0.75 and decoding, with the
// compression ratio reached as a counter.
#include "biometrics/wsq/WsqCodec.h"
#include "imaging/BmpFile.h"

#include <benchmark/benchmark.h>

namespace {

// The centre 500 x 500 of a real finger image.
qal::GreyImage finger500(const char *name)
{
    const qal::GreyImage full = qal::BmpFile::readGrey(QStringLiteral(QAL_FINGERS "/") + QLatin1String(name));
    if (full.width() < 500 || full.height() < 500)
        return qal::GreyImage();
    qal::GreyImage out(500, 500, 500);
    const int x0 = (full.width() - 500) / 2, y0 = (full.height() - 500) / 2;
    for (int y = 0; y < 500; ++y)
        std::copy_n(full.row(y0 + y) + x0, 500, out.row(y));
    return out;
}

void BM_WsqEncode500(benchmark::State &state, const char *name)
{
    const qal::GreyImage image = finger500(name);
    if (image.isNull()) {
        state.SkipWithError("fixture missing");
        return;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        const auto file = qal::wsq::encode(image.pixels().data(), 500, 500);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["bytes"] = double(bytes);
    state.counters["ratio"] = 250000.0 / double(bytes);
}

void BM_WsqDecode500(benchmark::State &state, const char *name)
{
    const qal::GreyImage image = finger500(name);
    if (image.isNull()) {
        state.SkipWithError("fixture missing");
        return;
    }
    const auto file = qal::wsq::encode(image.pixels().data(), 500, 500);
    for (auto _ : state) {
        const auto img = qal::wsq::decode(file);
        benchmark::DoNotOptimize(img.pixels.data());
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_WsqEncode500, rolled, "nist_tpcard_02_r_index.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WsqEncode500, plain, "nist_exemplar_08_l_middle_uncompressed.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WsqDecode500, rolled, "nist_tpcard_02_r_index.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WsqDecode500, plain, "nist_exemplar_08_l_middle_uncompressed.bmp")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
