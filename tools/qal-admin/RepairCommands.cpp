// qal-admin reindex TABLE and repair TABLE: the repairs an administrator makes to a damaged
// table, each keeping a copy of what it changes.
#include "Command.h"

#include "data/TableRecovery.h"
#include "data/TableSchema.h"
#include "dbase/DatabaseError.h"
#include "dbase/OpenDiagnosis.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"

#include <QFileInfo>

using namespace qal;

namespace {

// The program's own definition of a table, found by its file name; null for other tables.
const TableDef *programTable(const QString &fileName)
{
    for (const TableDef &def : tableDefinitions()) {
        if (def.fileName.compare(fileName, Qt::CaseInsensitive) == 0)
            return &def;
    }
    return nullptr;
}

void printCopies(const QStringList &copies)
{
    for (const QString &copy : copies)
        printOut(QStringLiteral("Copia del archivo original: %1\n").arg(copy));
}

int reindex(const QStringList &args)
{
    if (args.size() != 1) {
        printErr(QStringLiteral("uso: qal-admin reindex TABLA\n"));
        return 2;
    }
    const QFileInfo info(args.front());
    ProgramFolder::setPath(info.absolutePath());
    const QString fileName = info.fileName();
    const dbase::OpenDiagnosis diagnosis = dbase::diagnoseOpen(fileName);
    if (diagnosis.part == dbase::OpenDiagnosis::Part::None) {
        dbase::Table table(fileName);
        table.open(dbase::Table::Mode::Exclusive);
        table.regenerateIndexes();
        table.close();
        printOut(QStringLiteral("%1: índice regenerado\n").arg(fileName));
        return 0;
    }
    if (diagnosis.part != dbase::OpenDiagnosis::Part::Index)
        throw dbase::DatabaseError(diagnosis.message);
    // A damaged or missing index keeps no trustworthy tag list: only a table of the program,
    // whose tags the program defines, can have its index written anew.
    const TableDef *def = programTable(fileName);
    if (!def) {
        printErr(diagnosis.message
                 + QStringLiteral("\nLa tabla no es del programa: no se conocen las etiquetas para rehacer su índice.\n"));
        return 1;
    }
    printCopies(rebuildIndex(fileName, def->tags));
    printOut(QStringLiteral("%1: índice reconstruido con las etiquetas del programa\n").arg(fileName));
    return 0;
}

int repair(const QStringList &args)
{
    if (args.size() != 1) {
        printErr(QStringLiteral("uso: qal-admin repair TABLA\n"));
        return 2;
    }
    const QFileInfo info(args.front());
    ProgramFolder::setPath(info.absolutePath());
    const QString fileName = info.fileName();
    const QStringList done = repairTable(fileName);
    for (const QString &line : done)
        printOut(line + QLatin1Char('\n'));
    // With the table sound, an index that no longer agrees with it is written anew.
    const dbase::OpenDiagnosis diagnosis = dbase::diagnoseOpen(fileName);
    bool reindexed = false;
    if (diagnosis.part == dbase::OpenDiagnosis::Part::Index) {
        if (const TableDef *def = programTable(fileName)) {
            printCopies(rebuildIndex(fileName, def->tags));
            reindexed = true;
        }
    } else if (diagnosis.part == dbase::OpenDiagnosis::Part::None && !done.isEmpty()) {
        dbase::Table table(fileName);
        table.open(dbase::Table::Mode::Exclusive);
        if (table.hasProductionIndex() && !table.checkIndex().isEmpty()) {
            table.close();
            const TableDef *def = programTable(fileName);
            printCopies(rebuildIndex(fileName, def ? def->tags : QList<dbase::TagSpec>{}));
            reindexed = true;
        }
    }
    if (reindexed)
        printOut(QStringLiteral("%1: índice reconstruido\n").arg(fileName));
    if (done.isEmpty() && !reindexed)
        printOut(QStringLiteral("%1: no necesita reparación\n").arg(fileName));
    return 0;
}

const RegisterCommand reindexCommand({"reindex", "reindex TABLA",
                                      "Regenera el índice de producción; si está dañado o falta, lo rehace con las "
                                      "etiquetas del programa (guarda una copia del anterior).",
                                      reindex});
const RegisterCommand repairCommand({"repair", "repair TABLA",
                                     "Repara una tabla cuya cabecera no coincide con el archivo (cantidad de registros) "
                                     "y su índice, guardando copias de los archivos originales.",
                                     repair});

} // namespace
