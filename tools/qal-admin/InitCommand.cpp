// qal-admin init [--legacy | --demo] FOLDER: a ready program folder.
#include "Command.h"
#include "DemoCentral.h"
#include "DemoRequests.h"
#include "DemoScanner.h"

#include "biometrics/TenPrintCard.h"
#include "data/ProgramFolderSetup.h"
#include "reports/DemoDocuments.h"

namespace {

int init(const QStringList &args)
{
    const bool legacy = args.contains(QStringLiteral("--legacy"));
    const bool demo = args.contains(QStringLiteral("--demo"));
    QStringList rest = args;
    rest.removeAll(QStringLiteral("--legacy"));
    rest.removeAll(QStringLiteral("--demo"));
    if (rest.size() != 1 || (legacy && demo)) {
        printErr(QStringLiteral("uso: qal-admin init [--legacy | --demo] CARPETA\n"));
        return 2;
    }
    qal::createProgramFolder(rest.front(), legacy, qal::CardFolderFiles());
    if (demo) {
        qal::addSampleRequests(rest.front());
        qal::addDemoScanner(rest.front());
        qal::reports::addSampleDocuments(rest.front());
        qal::addDemoRequestsToSend(rest.front());
        qal::writeDemoCentralData(rest.front());
    }
    printOut(QStringLiteral("Carpeta del programa creada: %1\n").arg(rest.front()));
    return 0;
}

const RegisterCommand initCommand({"init", "init [--legacy | --demo] CARPETA",
                                   "Crea una carpeta de programa completa (con --legacy, con las tablas más antiguas; "
                                   "con --demo, con pedidos de ejemplo).",
                                   init});

} // namespace
