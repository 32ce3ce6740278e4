#include "ServicioBoleta.h"

#include "CentralServices.h"

#include "core/Dialogs.h"
#include "data/Tdm.h"

namespace qal::soap {

ServicioBoleta::ServicioBoleta(Tdm &dm, SettingsSource settings) : m_dm(dm), m_settings(std::move(settings)) {}

int ServicioBoleta::ObtenerDatosBoleta(const QString &boleta, qint64 documento, QString &error)
{
    PedBol &pedBol = m_dm.pedBol;
    pedBol.clear();
    const CentralServices ws(m_settings());
    const int nDoc = static_cast<int>(documento);
    int pedido = 0;
    QString detail;
    if (documento != nDoc || !ws.GetPedidoByBoletaDoc(boleta, nDoc, pedido, detail)) {
        error = QStringLiteral("Error al intentar obtener el código de la boleta.");
        return -1;
    }
    if (pedido <= 0)
        return 0;
    QString answer, errorDesc;
    if (!ws.GetPedidoByTram(QStringLiteral("I"), pedido, nDoc, QString(), answer, errorDesc, detail)) {
        error = QStringLiteral("Error al solicitar los datos de la boleta.");
        Dialogs::information(error);
        return -1;
    }
    if (answer.size() < 2) {
        error = QStringLiteral("Error: La respuesta a la solicitud de datos de la boleta esta vacia.");
        Dialogs::information(error);
        return -1;
    }
    const QStringList items = partirRespuestaBoleta(answer);
    if (items.size() < 2) {
        error.clear();
        return -1;
    }
    if (!pedBol.llenar(items)) {
        pedBol.clear();
        error = QStringLiteral("Error al decodificar datos de la boleta");
        return -1;
    }
    return 1;
}

bool ServicioBoleta::CompararDatosBoleta(const QString &boleta, const QString &apellido, const QDate &nacimiento,
                                         const QVariant &documento, const QString &nombre, QString &diferencias)
{
    diferencias.clear();
    const PedBol &pedBol = m_dm.pedBol;
    if (boleta.isEmpty() || pedBol.values.isEmpty())
        return true;
    if (!pedBol.value(QStringLiteral("x_ape1")).toString().contains(apellido.trimmed()))
        diferencias += QStringLiteral(" apellido1,");
    if (!pedBol.value(QStringLiteral("x_nom1")).toString().contains(nombre.trimmed()))
        diferencias += QStringLiteral(" nombre1,");
    const QVariant fNac = pedBol.value(QStringLiteral("f_nac"));
    // a null on one side only is a difference
    if (fNac.isNull() != !nacimiento.isValid() || (!fNac.isNull() && fNac.toDateTime().date() != nacimiento))
        diferencias += QStringLiteral(" fecha de nacimiento,");
    const QVariant nDoc = pedBol.value(QStringLiteral("n_doc"));
    if (nDoc.isNull() != documento.isNull()
        || (!nDoc.isNull() && nDoc.toLongLong() != static_cast<qint64>(documento.toDouble())))
        diferencias += QStringLiteral(" documento,");
    if (diferencias.size() > 1)
        diferencias.chop(1);
    return diferencias.isEmpty();
}

bool ServicioBoleta::ObtenerFechaPago(const QString &boleta, QDate &fecha)
{
    QString answer, error;
    if (CentralServices(m_settings()).GetFechaByBoleta(boleta, answer, error)) {
        if (answer.isEmpty())
            return false;
        const QDate date = fechaDeBoleta(answer.left(10));
        if (date.isValid()) {
            fecha = date;
            return true;
        }
    }
    Dialogs::information(QStringLiteral("ERROR al intentar obtener la fecha del pago."));
    return false;
}

} // namespace qal::soap
