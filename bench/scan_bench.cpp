// Speed of what the operator waits for at the scanning windows: a scanned A4 page
// straightened as it arrives (search range 90 degrees in 0.1 degree steps, then turned),
// and a ten-page document opened and on screen in the document window and in the viewer.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQAL_BUILD_TESTS=OFF
//   cmake --build build/bench --target scan_bench -j2 && QT_QPA_PLATFORM=offscreen build/bench/bin/scan_bench
//
// Measured on the shared 2-core build machine (Release, other jobs running): see the
// figures in the closing note of the scanning work; goals: deskew under 1 s, show under 300 ms.

#include "core/ProgramFolder.h"
#include "imaging/GreyImage.h"
#include "imaging/Rotate.h"
#include "imaging/ScanJob.h"
#include "imaging/TiffFile.h"
#include "imaging/forms/TFImgDig.h"
#include "imaging/forms/TFVerImg.h"
#include "imaging/forms/TTwainForm.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace qal;

namespace {

// An A4 page at 300 dpi with lines of "text" (dark bars of varying length).
QImage a4Page(int seed)
{
    QImage page(2480, 3508, QImage::Format_Grayscale8);
    page.fill(250);
    QPainter p(&page);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    unsigned r = unsigned(seed) * 2654435761u + 1;
    for (int y = 300; y < 3200; y += 70) {
        int x = 250;
        while (x < 2200) {
            r = r * 1103515245u + 12345u;
            const int w = 40 + int(r >> 24) % 160;
            p.drawRect(x, y, w, 32);
            x += w + 25;
        }
    }
    p.end();
    page.setDotsPerMeterX(dotsPerMeterFromPpi(300));
    page.setDotsPerMeterY(dotsPerMeterFromPpi(300));
    return page;
}

void DeskewScannedA4(benchmark::State &state)
{
    const QImage scanned = rotate(a4Page(1), 2.3, RotateCanvas::KeepSize);
    for (auto _ : state) {
        const ScannedPage page = treatPage(scanned, {true, 0});
        benchmark::DoNotOptimize(page.image.constBits());
    }
}
BENCHMARK(DeskewScannedA4)->Unit(benchmark::kMillisecond)->UseRealTime();

struct TenPages
{
    TenPages()
    {
        ProgramFolder::setPath(dir.path());
        QList<QImage> pages;
        for (int i = 0; i < 10; ++i)
            pages << a4Page(i);
        TiffFile::writePages(source, pages, PageFormat::GreyDocument);
    }
    QTemporaryDir dir;
    QString source = dir.filePath(QStringLiteral("d1.1"));
};

void ShowTenPageDocument(benchmark::State &state)
{
    TenPages doc;
    TTwainForm twain;
    TFImgDig form;
    form.twain = &twain;
    form.setWindowState(Qt::WindowNoState);
    form.resize(1200, 900);
    const QString file = doc.dir.filePath(QStringLiteral("1.tif"));
    for (auto _ : state) {
        QFile::remove(file);
        QFile::copy(doc.source, file);
        form.archivoDocumento = file;
        form.show();
        form.repaint();
        QApplication::processEvents();
        state.PauseTiming();
        if (form.windowTitle() != QStringLiteral("Digitalización de la documentación (10 páginas)"))
            state.SkipWithError("the document is not shown");
        form.btGrabarClick();
        state.ResumeTiming();
    }
}
BENCHMARK(ShowTenPageDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

void ViewTenPageDocument(benchmark::State &state)
{
    TenPages doc;
    for (auto _ : state) {
        TFVerImg viewer;
        viewer.resize(1200, 900);
        viewer.archivo = doc.source;
        viewer.show();
        viewer.repaint();
        QApplication::processEvents();
        benchmark::DoNotOptimize(viewer.isVisible());
    }
}
BENCHMARK(ViewTenPageDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
