#pragma once

#include "SoapSettings.h"

#include "biometrics/FingerprintVerifier.h"

#include <functional>

namespace qal::soap {

// The verification window's question to the central office: VerificarHuella of the biometric
// service, with the settings (address, time-out, proxy) of the moment of each call.
class ServicioBiometrico final : public FingerprintVerifier
{
public:
    using SettingsSource = std::function<SoapSettings()>;
    explicit ServicioBiometrico(SettingsSource settings);

    bool VerificarHuella(const QString &appId, const QString &wsqBase64, qint64 &result, QString &error) override;

private:
    SettingsSource m_settings;
};

} // namespace qal::soap
