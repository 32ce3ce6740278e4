#pragma once

#include "SoapSettings.h"

#include "data/BankSlipService.h"

#include <QStringList>

#include <functional>

namespace qal {
class Tdm;
}

namespace qal::soap {

// The central office's bank-slip and Internet-procedure services as the data module uses
// them: the look-up fills the data module's PedBol.
class ServicioBoleta final : public BankSlipService
{
public:
    using SettingsSource = std::function<SoapSettings()>;
    ServicioBoleta(Tdm &dm, SettingsSource settings);

    int ObtenerDatosBoleta(const QString &boleta, qint64 documento, QString &error) override;
    bool CompararDatosBoleta(const QString &boleta, const QString &apellido, const QDate &nacimiento,
                             const QVariant &documento, const QString &nombre, QString &diferencias) override;
    bool ObtenerFechaPago(const QString &boleta, QDate &fecha) override;

private:
    Tdm &m_dm;
    SettingsSource m_settings;
};

} // namespace qal::soap
