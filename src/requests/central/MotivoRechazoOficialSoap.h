#pragma once

#include "requests/ConsultaMotivoRechazo.h"

namespace qal {

class Tdm;

// The official form's question for a rejection reason: ObtenerMotivoRechazoOficial of the
// central office's SOAP services, at the address of the settings file (read at every call).
ConsultaMotivoRechazo motivoRechazoOficialSoap(Tdm &dm);

} // namespace qal
