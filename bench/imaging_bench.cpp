// Speed of the image work the operator waits for: reading a card's properties before a
// request is saved or sent, and straightening a scanned A4 page.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQAL_BUILD_TESTS=OFF
//   cmake --build build/bench --target imaging_bench -j2 && build/bench/bin/imaging_bench
//
// Measured on the shared 2-core build machine (Release, other jobs running):
//   CardTiffProperties  0.064 ms wall, 0.036 ms CPU  (goal: under 5 ms)
//   DeskewA4            183 ms wall, 102 ms CPU      (detect + rotate; goal: under 1 s)
//   DetectSkewA4        41.5 ms wall, 23.7 ms CPU

#include "imaging/Deskew.h"
#include "imaging/ImageProperties.h"
#include "imaging/Rotate.h"
#include "imaging/TiffFile.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace qal;

namespace {

QImage textPage(int width, int height)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(240);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(36);
    painter.setFont(font);
    for (int y = 200; y < height - 200; y += 58)
        painter.drawText(200, y, QStringLiteral("Registro oficio expediente juzgado solicitud de antecedentes 0123456789"));
    painter.end();
    image.setDotsPerMeterX(dotsPerMeterFromPpi(300));
    image.setDotsPerMeterY(dotsPerMeterFromPpi(300));
    return image;
}

void CardTiffProperties(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString card = dir.filePath(QStringLiteral("card.tif"));
    TiffFile::writePage(card, textPage(3000, 1800), PageFormat::CardTiff);
    for (auto _ : state) {
        auto props = readImageProperties(card);
        if (!props || props->compressionInfo != codes::InfoJpegMediumQuality)
            state.SkipWithError("card not recognised");
        benchmark::DoNotOptimize(props);
    }
}
BENCHMARK(CardTiffProperties)->Unit(benchmark::kMillisecond);

void DeskewA4(benchmark::State &state)
{
    const GreyImage page = rotate(GreyImage::fromQImage(textPage(2480, 3508)), 3.7, RotateCanvas::KeepSize);
    for (auto _ : state) {
        const double angle = detectSkew(page);
        const GreyImage straight = rotate(page, -angle, RotateCanvas::KeepSize);
        benchmark::DoNotOptimize(straight.pixels().data());
    }
}
BENCHMARK(DeskewA4)->Unit(benchmark::kMillisecond);

void DetectSkewA4(benchmark::State &state)
{
    const GreyImage page = rotate(GreyImage::fromQImage(textPage(2480, 3508)), 3.7, RotateCanvas::KeepSize);
    for (auto _ : state)
        benchmark::DoNotOptimize(detectSkew(page));
}
BENCHMARK(DetectSkewA4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
