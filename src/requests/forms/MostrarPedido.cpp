#include "MostrarPedido.h"

#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include "core/Dialogs.h"

namespace qal {

bool mostrarPedido(dbase::Table &pedidos, const QVariant &cPed, const std::function<void()> &show)
{
    if (cPed.isNull())
        return false;
    try {
        const bool porClave = pedidos.indexField().compare(QLatin1String("C_PED"), Qt::CaseInsensitive) == 0;
        const bool found = porClave ? pedidos.findKey(cPed) : pedidos.locate(QStringLiteral("C_PED"), cPed);
        if (!found)
            return false;
    } catch (const dbase::Abort &) {
        return false; // the rules kept the request being edited, and said why
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
        return false;
    }
    if (!show) {
        Dialogs::information(QStringLiteral("Esta función todavía no está disponible en esta versión del programa."));
        return false;
    }
    show();
    return true;
}

} // namespace qal
