#pragma once

#include "requests/ConsultaMotivoRechazo.h"

namespace qal {

namespace dbase {
class Table;
}

// Shows why the central office rejected the current request of a request table, in a box
// titled "Motivo del Rechazo": the reason stored with it (X_RECHAZO), or, when none is stored,
// the one the central office gives now, asked behind the hourglass and not stored. A question
// that fails is thrown (std::runtime_error with the service's error text) for the window's
// general error display, the cursor already restored. Without a way to ask, says that the
// function is not available.
void MostrarMotivoRechazo(const dbase::Table &pedido, const ConsultaMotivoRechazo &consulta);

} // namespace qal
