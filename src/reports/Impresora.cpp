#include "Impresora.h"

#include "Report.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace qal::reports {

bool HayImpresora()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

QString ImpresoraPredeterminada()
{
    const QString name = QPrinterInfo::defaultPrinterName();
    if (!name.isEmpty())
        return name;
    const QStringList names = QPrinterInfo::availablePrinterNames();
    return names.isEmpty() ? QString() : names.front();
}

bool Imprimir(const Report &report, const DestinoImpresion &destino, QString *error)
{
    if (!destino.outputFile.isEmpty())
        return WriteReportPdf(report, destino.outputFile, error);
    const QString name = destino.printer.isEmpty() ? ImpresoraPredeterminada() : destino.printer;
    if (name.isEmpty()) {
        if (error)
            *error = kSinImpresora;
        return false;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull()) {
        if (error)
            *error = QStringLiteral("La impresora \"%1\" no está disponible.").arg(name);
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(report.title());
    printer.setCopyCount(std::max(1, destino.copies));
    if (!PaintReport(report, printer, error))
        return false;
    if (printer.printerState() == QPrinter::Error) {
        if (error)
            *error = QStringLiteral("La impresora \"%1\" no aceptó el documento \"%2\".").arg(name, report.title());
        return false;
    }
    return true;
}

} // namespace qal::reports
