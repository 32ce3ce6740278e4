// qal-admin print FOLDER DOCUMENT C_PED [--pdf FILE]: one document of a request, drawn by
// the program's own report code, to the default printer or to a PDF file.
#include "Command.h"
#include "RunningTables.h"

#include "data/Tdm.h"
#include "reports/Documentos.h"
#include "reports/Impresora.h"
#include "reports/ReportFonts.h"

#include "core/ProgramFolder.h"

#include <QFileInfo>

namespace {

const QString kUsage = QStringLiteral(
    "uso: qal-admin print CARPETA oficio|comprobante|contestacion|rechazo|ficha oficial|ficha personal C_PED "
    "[--pdf ARCHIVO]\n");

int print(const QStringList &arguments)
{
    QStringList args = arguments;
    QString pdf;
    const int pdfAt = args.indexOf(QStringLiteral("--pdf"));
    if (pdfAt >= 0) {
        if (pdfAt + 1 >= args.size()) {
            printErr(kUsage);
            return 2;
        }
        pdf = args.at(pdfAt + 1);
        args.remove(pdfAt, 2);
    }
    if (args.size() == 4 && args.at(1) == QLatin1String("ficha"))
        args.replace(1, args.at(1) + u' ' + args.takeAt(2));
    bool numeric = false;
    const qlonglong cPed = args.size() == 3 ? args.at(2).toLongLong(&numeric) : 0;
    const std::optional<qal::reports::Documento> document =
        args.size() == 3 ? qal::reports::DocumentoPorNombre(args.at(1)) : std::nullopt;
    if (!document || !numeric) {
        printErr(kUsage);
        return 2;
    }
    if (!pdf.isEmpty())
        pdf = QFileInfo(pdf).absoluteFilePath(); // before the program folder becomes the folder

    QString fontProblem;
    if (!qal::reports::LoadReportFonts(&fontProblem))
        printErr(fontProblem + u'\n');
    qal::ProgramFolder::setPath(QFileInfo(args.at(0)).absoluteFilePath());
    qal::Tdm dm;
    openTablesAsRunning(dm);
    if (!qal::reports::IrAPedido(dm, *document, cPed)) {
        printErr(QStringLiteral("No existe el pedido %1\n").arg(cPed));
        return 1;
    }
    QString error;
    const std::unique_ptr<qal::reports::Report> report = qal::reports::CrearDocumento(dm, *document, &error);
    qal::reports::DestinoImpresion destino;
    destino.outputFile = pdf;
    if (!report || !qal::reports::Imprimir(*report, destino, &error)) {
        printErr(QString(error).replace(u'\r', u'\n') + u'\n');
        return 1;
    }
    printOut(pdf.isEmpty() ? QStringLiteral("Impreso: %1\n").arg(report->title())
                           : QStringLiteral("Escrito: %1\n").arg(pdf));
    return 0;
}

const RegisterCommand printCommand({"print",
                                    "print CARPETA oficio|comprobante|contestacion|rechazo|ficha oficial|ficha "
                                    "personal C_PED [--pdf ARCHIVO]",
                                    "Imprime un documento de un pedido en la impresora predeterminada, o en un PDF.",
                                    print});

} // namespace
