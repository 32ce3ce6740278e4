#pragma once

#include "SoapSettings.h"

#include "requests/PersonalCentralService.h"

#include <functional>

namespace qal {
class Tdm;
}

namespace qal::soap {

// What the personal request form asks the central office, by its web services.
class ServicioCentralPersonal final : public PersonalCentralService
{
public:
    using SettingsSource = std::function<SoapSettings()>;
    ServicioCentralPersonal(Tdm &dm, SettingsSource settings);

    bool AplicarBoleta(const QString &boleta) override;
    bool ObtenerMotivoRechazoPrivado(int cPed, int cReg, QString &motivo, QString &error) override;
    bool ActualizarCodSegur(int cPed, int cReg, const QString &actual, const QString &nuevo, int &result,
                            QString &error) override;

private:
    Tdm &m_dm;
    SettingsSource m_settings;
};

} // namespace qal::soap
