// qal-admin commands over one table: dump, check, pack. (reindex and repair: RepairCommands.cpp)
#include "Command.h"

#include "dbase/DatabaseError.h"
#include "dbase/Table.h"
#include "dbase/TableCheck.h"
#include "dbase/TableDump.h"

#include "core/ProgramFolder.h"

#include <QFileInfo>

using namespace qal;
using namespace qal::dbase;

namespace {

// TABLE is any path; the engine resolves names in the program folder, so that becomes the
// table's own folder.
void openExclusive(const QString &path, Table &table)
{
    const QFileInfo info(path);
    ProgramFolder::setPath(info.absolutePath());
    table.open(info.fileName(), Table::Mode::Exclusive);
}

int dump(const QStringList &args)
{
    DumpOptions options;
    QString table;
    for (const QString &a : args) {
        if (a == QLatin1String("--keys"))
            options.keys = true;
        else if (a == QLatin1String("--no-records"))
            options.records = false;
        else if (a == QLatin1String("--no-index"))
            options.index = false;
        else if (table.isEmpty())
            table = a;
        else
            return 2;
    }
    if (table.isEmpty()) {
        printErr(QStringLiteral("uso: qal-admin dump [--keys] [--no-records] [--no-index] TABLA\n"));
        return 2;
    }
    dumpTable(table, options, [](const QString &text) { printOut(text); });
    return 0;
}

int check(const QStringList &args)
{
    if (args.size() != 1) {
        printErr(QStringLiteral("uso: qal-admin check TABLA\n"));
        return 2;
    }
    // Problems are printed as they are found: a table of any size is checked in bounded memory.
    bool sound = true;
    checkTable(args.front(), [&sound](const QString &problem) {
        sound = false;
        printOut(problem + QLatin1Char('\n'));
    });
    if (!sound)
        return 1;
    printOut(QStringLiteral("%1: correcta\n").arg(args.front()));
    return 0;
}

int maintain(const QStringList &args, const char *usage, void (Table::*operation)())
{
    if (args.size() != 1) {
        printErr(QString::fromLatin1(usage));
        return 2;
    }
    Table table;
    openExclusive(args.front(), table);
    (table.*operation)();
    table.close();
    return 0;
}

const RegisterCommand dumpCommand({"dump", "dump [--keys] TABLA",
                                   "Muestra la tabla, sus memos y su índice en el formato de comparación.", dump});
const RegisterCommand checkCommand({"check", "check TABLA",
                                    "Verifica cada registro, cada memo y cada etiqueta del índice.", check});
const RegisterCommand packCommand({"pack", "pack TABLA", "Elimina físicamente los registros borrados y regenera los índices.",
                                   [](const QStringList &a) { return maintain(a, "uso: qal-admin pack TABLA\n", &Table::pack); }});
} // namespace
