#include "CentralPersonalSoap.h"

#include "core/Dialogs.h"
#include "data/Tdm.h"
#include "exchange/soap/CentralServices.h"

#include <QApplication>

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

// The data module applies the slip (the payment date comes from its bank-slip service); the
// window shows the hourglass meanwhile.
bool CentralPersonalSoap::AplicarBoleta(const QString &boleta)
{
    RelojDeArena reloj;
    return m_dm.AplicarBoleta(boleta);
}

} // namespace qal
