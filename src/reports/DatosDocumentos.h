#pragma once

#include "TrpCompr.h"
#include "TrpContesPriv.h"
#include "TrpOficio.h"
#include "TrpRechPriv.h"

#include <QVariant>

namespace qal {
class Tdm;
}

namespace qal::reports {

// The fill steps of the documents: what each prints, computed from the data module's
// current records (ped for the letter, pedp for the others) and their code tables.

// The letter of the current official request. Its names and aliases are read again from
// the tables by C_PED; a request without a number (0 or null) prints them empty.
DatosOficio DatosOficioDe(Tdm &dm);
DatosComprobante DatosComprobanteDe(Tdm &dm);
DatosContestacion DatosContestacionDe(Tdm &dm);
DatosRechazo DatosRechazoDe(Tdm &dm);

// A field value as the documents print it: "" for null, dates dd/MM/yyyy, whole numbers
// without decimals, text without its trailing blanks.
QString TextoCampo(const QVariant &value);
// Values joined by single blanks, trailing blanks dropped ("JUAN CARLOS").
QString Unir(const QStringList &parts);

} // namespace qal::reports
