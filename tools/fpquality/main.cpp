#include "biometrics/quality/QualityScorer.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstring>
#include <vector>

// fpquality [-v] IMAGE: prints "NFIQ code"; -v adds the measured features.
int main(int argc, char **argv)
{
    bool verbose = false;
    const char *path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0)
            verbose = true;
        else
            path = argv[i];
    }
    if (!path) {
        std::fprintf(stderr, "usage: fpquality [-v] IMAGE\n");
        return 2;
    }
    QImage image(QString::fromLocal8Bit(path));
    if (image.isNull()) {
        std::fprintf(stderr, "fpquality: cannot read %s\n", path);
        return 1;
    }
    image = image.convertToFormat(QImage::Format_Grayscale8);
    std::vector<std::uint8_t> px(std::size_t(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(&px[std::size_t(y) * image.width()], image.constScanLine(y), std::size_t(image.width()));
    const auto r = qal::quality::scoreFingerprint(px.data(), image.width(), image.height());
    std::printf("%d %d\n", r.nfiq, r.code);
    if (verbose) {
        const auto &f = r.features;
        std::printf("blocks=%d fg=%d reliable=%d coh=%.3f clar=%.3f freq=%.3f mq=%.3f qa=%.1f min=%d score=%.3f\n",
                    f.blocks, f.foreground, f.reliable, f.meanCoherence, f.meanClarity, f.validFrequency,
                    f.meanQuality, f.qualityArea, f.minutiae, f.score);
        for (int i = 0; i < 10; ++i)
            std::printf("h%d=%d ", i, f.histogram[i]);
        std::printf("\n");
    }
    return 0;
}
