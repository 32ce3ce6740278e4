// qal-admin urls: the base addresses of the central office's web site (table url).
#include "Command.h"

#include "core/ProgramFolder.h"
#include "dbase/Table.h"

#include <QDir>

#include <exception>

using namespace qal;

namespace {

int urls(const QStringList &args)
{
    if (args.isEmpty()) {
        printErr(QStringLiteral("uso: qal-admin urls CARPETA [URL...]\n"));
        return 2;
    }
    if (!QDir(args[0]).exists()) {
        printErr(QStringLiteral("qal-admin: no existe la carpeta %1\n").arg(args[0]));
        return 1;
    }
    ProgramFolder::setPath(QDir(args[0]).absolutePath());
    try {
        dbase::Table url(QStringLiteral("url.DBF"));
        url.open();
        if (args.size() > 1) {
            while (!url.isEmpty()) {
                url.first();
                url.deleteRecord();
            }
            for (int i = 1; i < args.size(); ++i) {
                url.append();
                url.setValue(QStringLiteral("N_PRIOR"), i);
                url.setValue(QStringLiteral("X_URL"), args[i]);
                url.post();
            }
        }
        url.setIndexField(QStringLiteral("N_PRIOR"));
        for (url.first(); !url.eof(); url.next())
            printOut(QStringLiteral("%1\t%2\n")
                         .arg(url.value(QStringLiteral("N_PRIOR")).toString(),
                              url.value(QStringLiteral("X_URL")).toString().trimmed()));
        return 0;
    } catch (const std::exception &e) {
        printErr(QStringLiteral("qal-admin: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}

const RegisterCommand urlsCommand({"urls", "urls CARPETA [URL...]",
                                   "Muestra las direcciones del sitio de QAL Central (tabla url); con URL, las "
                                   "reemplaza (prioridad 1, 2, ...).",
                                   urls});

} // namespace
