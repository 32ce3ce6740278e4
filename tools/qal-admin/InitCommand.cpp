// qal-admin init [--legacy] FOLDER: a ready program folder.
#include "Command.h"

#include "data/ProgramFolderSetup.h"

namespace {

int init(const QStringList &args)
{
    const bool legacy = args.contains(QStringLiteral("--legacy"));
    QStringList rest = args;
    rest.removeAll(QStringLiteral("--legacy"));
    if (rest.size() != 1) {
        printErr(QStringLiteral("uso: qal-admin init [--legacy] CARPETA\n"));
        return 2;
    }
    qal::createProgramFolder(rest.front(), legacy);
    printOut(QStringLiteral("Carpeta del programa creada: %1\n").arg(rest.front()));
    return 0;
}

const RegisterCommand initCommand({"init", "init [--legacy] CARPETA",
                                   "Crea una carpeta de programa completa (con --legacy, con las tablas más antiguas).",
                                   init});

} // namespace
