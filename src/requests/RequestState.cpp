#include "RequestState.h"

#include "dbase/Table.h"

namespace qal {

bool pedidoModificable(const dbase::Table &ped)
{
    if (!ped.isOpen() || (ped.isEmpty() && ped.state() != dbase::Table::State::Insert))
        return true;
    const bool enviado = ped.value(QStringLiteral("M_ENVIADO")).toBool();
    return !enviado || ped.value(QStringLiteral("C_EST")).toString().trimmed() == QLatin1String("R");
}

} // namespace qal
