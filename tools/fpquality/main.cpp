#include "biometrics/quality/QualityScorer.h"
#include "imaging/BmpFile.h"
#include "imaging/GreyImage.h"

#include <QCoreApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

qal::GreyImage readImage(const char *path, QString *error)
{
    const QString name = QString::fromLocal8Bit(path);
    if (name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive))
        return qal::BmpFile::readGrey(name, error);
    const QImage image(name);
    if (image.isNull()) {
        *error = QStringLiteral("not an image");
        return {};
    }
    return qal::GreyImage::fromQImage(image);
}

void printFeatures(const qal::quality::QualityFeatures &f)
{
    std::printf("blocks=%d fg=%d min=%d", f.blocks, f.foreground, f.minutiae);
    for (int k = 0; k < 5; ++k)
        std::printf(" r%d=%d", 5 + k, f.minutiaeAbove[k]);
    for (int k = 0; k < 4; ++k)
        std::printf(" q%d=%.6f", 1 + k, f.zone[k]);
    for (int k = 0; k < 5; ++k)
        std::printf(" a%d=%.6f", 1 + k, f.activation[std::size_t(k)]);
    std::printf("\n");
}

} // namespace

// fpquality [-v] [--set NAME=VALUE]... IMAGE...: prints the NFIQ value and the result code
// of each image ("3 0"); -v adds the measured features on a second line, and --set
// changes one of the scorer's thresholds (for calibration). BMP files are read as the
// program reads them; other formats (PNG) through Qt. Exits 1 when an image cannot be read.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool verbose = false;
    qal::quality::QualityParameters parameters;
    std::vector<const char *> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--set") == 0 && i + 1 < argc) {
            const std::string_view setting(argv[++i]);
            const std::size_t eq = setting.find('=');
            if (eq == std::string_view::npos
                || !qal::quality::setParameter(parameters, setting.substr(0, eq),
                                               std::atof(argv[i] + eq + 1))) {
                std::fprintf(stderr, "fpquality: unknown setting %s\n", argv[i]);
                return 2;
            }
        } else {
            paths.push_back(argv[i]);
        }
    }
    if (paths.empty()) {
        std::fprintf(stderr, "usage: fpquality [-v] [--set NAME=VALUE]... IMAGE...\n");
        return 2;
    }
    int status = 0;
    for (const char *path : paths) {
        QString error;
        const qal::GreyImage image = readImage(path, &error);
        if (image.isNull()) {
            std::fprintf(stderr, "fpquality: %s: %s\n", path, qPrintable(error));
            std::printf("- -\n");
            if (verbose)
                std::printf("\n");
            status = 1;
            continue;
        }
        const auto r = qal::quality::scoreFingerprint(image.pixels().data(), image.width(), image.height(),
                                                      parameters);
        std::printf("%d %d\n", r.nfiq, r.code);
        if (verbose)
            printFeatures(r.features);
    }
    return status;
}
