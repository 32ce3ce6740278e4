#pragma once

#include "Report.h"

#include <QString>

#include <optional>

#include <memory>

namespace qal {
class Tdm;
}

namespace qal::reports {

class TrpFicha;

// The documents of a request, by the names the command line uses.
enum class Documento { Oficio, Comprobante, Contestacion, Rechazo, FichaOficial, FichaPersonal };
// "oficio", "comprobante", "contestacion", "rechazo", "ficha oficial", "ficha personal"
std::optional<Documento> DocumentoPorNombre(const QString &name);

// The document of the data module's current request, filled and ready for any device:
// the letter from ped, the card from ped or pedp, the others from pedp. Null (with the
// reason in error) when it cannot be made: a receipt whose bar code Code 39 cannot carry,
// a card with no image.
std::unique_ptr<Report> CrearDocumento(Tdm &dm, Documento documento, QString *error = nullptr);

// The complete card of the current request: composed from its stored print set when it
// has one, else its scanned card file. Null with "Imágen: ... inexistente." when it has
// neither.
std::unique_ptr<TrpFicha> FichaDePedido(Tdm &dm, bool oficial, QString *error = nullptr);

// For the processing of arriving answers, which must not wait for a printer: the
// document of the current request, or every page of an image file, on the print queue.
// 0 when there is nothing to print (a missing image file prints nothing).
int EncolarDocumento(Tdm &dm, Documento documento);
int EncolarImagen(const QString &fileName);

// Positions the request table of a document on request cPed; false when there is none.
bool IrAPedido(Tdm &dm, Documento documento, qlonglong cPed);

} // namespace qal::reports
