#include "ServicioCentralPersonal.h"

#include "CentralServices.h"

#include "data/Tdm.h"

namespace qal::soap {

ServicioCentralPersonal::ServicioCentralPersonal(Tdm &dm, SettingsSource settings)
    : m_dm(dm), m_settings(std::move(settings))
{
}

bool ServicioCentralPersonal::AplicarBoleta(const QString &boleta)
{
    return m_dm.AplicarBoleta(boleta);
}

bool ServicioCentralPersonal::ObtenerMotivoRechazoPrivado(int cPed, int cReg, QString &motivo, QString &error)
{
    return CentralServices(m_settings()).ObtenerMotivoRechazoPrivado(cPed, cReg, motivo, error);
}

bool ServicioCentralPersonal::ActualizarCodSegur(int cPed, int cReg, const QString &actual, const QString &nuevo,
                                                 int &result, QString &error)
{
    return CentralServices(m_settings()).ActualizarCodSegur(cPed, cReg, actual, nuevo, result, error);
}

} // namespace qal::soap
