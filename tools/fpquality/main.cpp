#include "biometrics/quality/QualityScorer.h"
#include "imaging/BmpFile.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

// fpquality [-v] IMAGE: prints the NFIQ value and the result code ("3 0"); -v adds the
// measured features on a second line. Exits 1 when the image cannot be read.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
    QString error;
    const qal::GreyImage image = qal::BmpFile::readGrey(QString::fromLocal8Bit(path), &error);
    if (image.isNull()) {
        std::fprintf(stderr, "fpquality: %s: %s\n", path, qPrintable(error));
        return 1;
    }
    const auto r = qal::quality::scoreFingerprint(image.pixels().data(), image.width(), image.height());
    std::printf("%d %d\n", r.nfiq, r.code);
    if (verbose) {
        const auto &f = r.features;
        std::printf("blocks=%d fg=%d reliable=%d coh=%.3f clar=%.3f freq=%.3f mq=%.3f qa=%.1f min=%d smin=%d score=%.3f",
                    f.blocks, f.foreground, f.reliable, f.meanCoherence, f.meanClarity, f.validFrequency,
                    f.meanQuality, f.qualityArea, f.minutiae, f.strongMinutiae, f.score);
        for (int i = 0; i < 5; ++i)
            std::printf(" r%d=%d", i, f.minutiaeAbove[i]);
        for (int i = 0; i < 10; ++i)
            std::printf(" h%d=%d", i, f.histogram[i]);
        std::printf("\n");
    }
    return 0;
}
