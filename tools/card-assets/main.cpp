#include "biometrics/TenPrintCard.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

// qal-card-assets FOLDER: draws the card template and the amputation placeholder into
// FOLDER (the build runs it for its program folder).
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qal-card-assets FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool ok = qal::WriteCardTemplate(folder.filePath(QString::fromLatin1(qal::CardTemplateFile)))
        && qal::WriteAmputationPlaceholder(folder.filePath(QString::fromLatin1(qal::AmputationFile)));
    if (!ok)
        std::fprintf(stderr, "qal-card-assets: cannot write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
