#include "CapturaLiveScan.h"

#include "biometrics/TFingerScan.h"
#include "biometrics/forms/TFLiveScanPlano.h"
#include "biometrics/forms/TFProgreso.h"
#include "biometrics/forms/TFVerDedo.h"
#include "core/Dialogs.h"
#include "data/RequestFiles.h"
#include "data/Tdm.h"

#include <QFile>
#include <QFileInfo>

namespace qal {

bool CapturaLiveScan::capturar()
{
    // Only the flat scanner has a capture session; any other device type has none.
    if (dm.LeerParametro(QStringLiteral("LiveScan")).trimmed() != QLatin1String("Plano"))
        return false;
    TFVerDedo verDedo(parent);
    TFProgreso progreso(parent);
    TFLiveScanPlano captura(dm, TFingerScan::instance(), parent);
    captura.verDedo = &verDedo;
    captura.progreso = &progreso;
    if (mostrarModal)
        captura.mostrarModal = mostrarModal;
    if (antesDeCaptura)
        antesDeCaptura(captura);

    const QString clasDer = pedidos.value(QStringLiteral("C_CLASDER")).toString();
    const QString clasIzq = pedidos.value(QStringLiteral("C_CLASIZQ")).toString();
    QString nuevaDer = clasDer, nuevaIzq = clasIzq;
    if (!captura.CaptureTenPrints(pedidos.value(QStringLiteral("C_PED")).toInt(),
                                  pedidos.value(QStringLiteral("C_REG")).toInt(), soloLectura, oficial, nuevaIzq,
                                  nuevaDer))
        return false;
    if (captura.ResultZip.isEmpty() || !QFileInfo(captura.ResultZip).isFile())
        return false;
    if (pedidos.state() == dbase::Table::State::Browse)
        pedidos.edit();
    // A set of an earlier capture never stands in for this one.
    BorrarArchivo(archivos::editZip);
    if (!ReemplazarArchivo(captura.ResultZip, archivos::editZip)) {
        Dialogs::information(QStringLiteral("Error al crear la ficha comprimida"));
        return false;
    }
    QFile::remove(captura.ResultZip);
    if (nuevaDer != clasDer || nuevaIzq != clasIzq) {
        pedidos.setValue(QStringLiteral("C_CLASDER"), nuevaDer);
        pedidos.setValue(QStringLiteral("C_CLASIZQ"), nuevaIzq);
    }
    return true;
}

} // namespace qal
