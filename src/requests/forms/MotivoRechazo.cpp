#include "MotivoRechazo.h"

#include "core/Dialogs.h"
#include "dbase/Table.h"
#include "ui/RelojDeArena.h"

#include <stdexcept>

namespace qal {

void MostrarMotivoRechazo(const dbase::Table &pedido, const ConsultaMotivoRechazo &consulta)
{
    QString motivo = pedido.value(QStringLiteral("X_RECHAZO")).toString().trimmed();
    if (motivo.isEmpty()) {
        if (!consulta) {
            Dialogs::information(QStringLiteral("Esta función todavía no está disponible en esta versión del programa."));
            return;
        }
        QString error;
        bool respondio = false;
        {
            RelojDeArena reloj;
            respondio = consulta(pedido.value(QStringLiteral("C_PED")).toInt(), pedido.value(QStringLiteral("C_REG")).toInt(),
                                 motivo, error);
        }
        if (!respondio)
            throw std::runtime_error(error.toStdString());
    }
    Dialogs::information(motivo, QStringLiteral("Motivo del Rechazo"));
}

} // namespace qal
