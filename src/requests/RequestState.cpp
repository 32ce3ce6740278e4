#include "RequestState.h"

#include "data/engine/Table.h"

namespace qal {

bool pedidoModificable(const db::Table &ped)
{
    if (!ped.isOpen() || (ped.isEmpty() && ped.state() != db::Table::State::Insert))
        return true;
    const bool enviado = ped.value(QStringLiteral("M_ENVIADO")).toBool();
    return !enviado || ped.value(QStringLiteral("C_EST")).toString().trimmed() == QLatin1String("R");
}

} // namespace qal
