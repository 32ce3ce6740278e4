#pragma once

#include <QString>

namespace qal::reports {

class Report;

// The message an operator sees when a document is sent to print on a machine with no
// printer at all.
inline const QString kSinImpresora =
    QStringLiteral("No hay ninguna impresora instalada.\rInstale una impresora para imprimir el documento.");

// Whether the system offers any printer (CUPS). Answers at once when there is no print
// service at all.
bool HayImpresora();
// The default printer's name, else the first printer's; "" without printers.
QString ImpresoraPredeterminada();

// Where and how a document is printed; an empty printer is the default one.
struct DestinoImpresion
{
    QString printer;
    int copies = 1;
    QString outputFile;           // set: a PDF file instead of a printer
};

// Prints the report. False with a Spanish message when there is no printer
// (kSinImpresora), the printer refuses the job, or the file cannot be written.
bool Imprimir(const Report &report, const DestinoImpresion &destino = {}, QString *error = nullptr);

} // namespace qal::reports
