#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace qal {
class Tdm;
}

namespace qal::reports {

class Report;

// How the windows put a document on paper. Each call shows its own messages (through
// Dialogs) and returns whether the document went out.
//
//   official letter ("&Oficio"):        VerOficio(dm, this)
//   receipt ("Com&probante"):            ImprimirComprobante(dm)
//   answer / rejection sheet:            ImprimirContestacion(dm), VerRechazo(dm, this)
//   card ("&Imprimir ficha"):            VerFicha("15_3.bmp", "Ped:15 Reg:3", this)
//   a stored image (viewer "&Imprimir"): ImprimirImagen(fileName)
//   on arrival, without waiting:         EncolarContestacion(dm), TFImgPrn::Imprimir(file)

// Print preview (QPrintPreviewDialog); its print button prints what it shows.
void Previsualizar(const Report &report, QWidget *parent = nullptr);
// The print dialog, then the chosen printer or PDF file.
bool ImprimirConDialogo(const Report &report);
// Straight to the default printer; with no printer, says so.
bool ImprimirDirecto(const Report &report);
// Queued for the default printer (ColaImpresion); failures are shown when they happen.
int Encolar(std::unique_ptr<Report> report);

bool VerOficio(Tdm &dm, QWidget *parent = nullptr);
bool ImprimirComprobante(Tdm &dm);
bool ImprimirContestacion(Tdm &dm);
int EncolarContestacion(Tdm &dm);
bool VerRechazo(Tdm &dm, QWidget *parent = nullptr);
// The card image must exist: "Imágen: "name" inexistente." otherwise.
bool VerFicha(const QString &imagen, const QString &titulo, QWidget *parent = nullptr);
// Every page of an image file, fitted to the page, through the print dialog.
bool ImprimirImagen(const QString &fileName);

// The preview seam: tests see what would be previewed instead of a window. Returns the
// previous one; an empty function restores the dialog.
using Previsualizador = std::function<void(const Report &report, QWidget *parent)>;
Previsualizador SetPrevisualizador(Previsualizador previewer);

} // namespace qal::reports
