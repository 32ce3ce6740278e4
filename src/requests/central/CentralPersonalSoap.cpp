#include "CentralPersonalSoap.h"

#include "core/Dialogs.h"
#include "data/Tdm.h"
#include "exchange/soap/CentralServices.h"

#include <QApplication>
#include <QDate>

namespace qal {
namespace {

soap::CentralServices servicios(Tdm &dm)
{
    return soap::CentralServices(soap::SoapSettings::current(&dm));
}

struct RelojDeArena
{
    RelojDeArena() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~RelojDeArena() { QApplication::restoreOverrideCursor(); }
};

// The first ten characters of the service's answer, as the central office writes dates.
QDate fechaDeRespuesta(const QString &respuesta)
{
    const QString texto = respuesta.left(10);
    for (const QString &formato : {QStringLiteral("dd/MM/yyyy"), QStringLiteral("yyyy-MM-dd")}) {
        const QDate d = QDate::fromString(texto, formato);
        if (d.isValid())
            return d;
    }
    return {};
}

} // namespace

CentralPersonalSoap::CentralPersonalSoap(Tdm &dm)
    : m_dm(dm)
{
}

bool CentralPersonalSoap::ObtenerMotivoRechazoPrivado(int cPed, int cReg, QString &motivo, QString &error)
{
    return servicios(m_dm).ObtenerMotivoRechazoPrivado(cPed, cReg, motivo, error);
}

bool CentralPersonalSoap::ActualizarCodSegur(int cPed, int cReg, const QString &actual, const QString &nuevo,
                                             int &result, QString &error)
{
    return servicios(m_dm).ActualizarCodSegur(cPed, cReg, actual, nuevo, result, error);
}

bool CentralPersonalSoap::ObtenerFechaPago(const QString &boleta, QDate &fecha)
{
    QString respuesta, error;
    bool respondio = false;
    {
        RelojDeArena reloj;
        respondio = servicios(m_dm).GetFechaByBoleta(boleta, respuesta, error);
    }
    if (!respondio || (!respuesta.isEmpty() && !fechaDeRespuesta(respuesta).isValid())) {
        Dialogs::information(QStringLiteral("ERROR al intentar obtener la fecha del pago."));
        return false;
    }
    if (respuesta.isEmpty())
        return false;
    fecha = fechaDeRespuesta(respuesta);
    return true;
}

bool CentralPersonalSoap::AplicarBoleta(const QString &boleta)
{
    dbase::Table &pedp = m_dm.pedp;
    if (pedp.state() == dbase::Table::State::Browse)
        pedp.edit();
    const QString tramite = boleta.mid(1, 1);
    const QVariant prioridad = m_dm.tram.lookup(QStringLiteral("C_TRAM"), tramite, QStringLiteral("C_PRIOR"));
    if (tramite.isEmpty() || m_dm.tram.lookup(QStringLiteral("C_TRAM"), tramite, QStringLiteral("C_TRAM")).isNull()) {
        Dialogs::information(QStringLiteral("Error: No se pudo encontrar el tipo de tramite"));
        return false;
    }
    pedp.setValue(QStringLiteral("C_TRAM"), tramite);
    pedp.setValue(QStringLiteral("C_PRIOR"), prioridad);
    if (tramite == QLatin1String("6")) {
        pedp.clearValue(QStringLiteral("C_BANCO"));
        pedp.clearValue(QStringLiteral("F_PAGO"));
        return true;
    }
    pedp.setValue(QStringLiteral("C_BANCO"), 2);
    QDate pago;
    if (m_dm.mChkDatBol && ObtenerFechaPago(boleta, pago))
        pedp.setValue(QStringLiteral("F_PAGO"), pago);
    return true;
}

} // namespace qal
