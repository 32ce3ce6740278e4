#include "ServicioBiometrico.h"

#include "CentralServices.h"

namespace qal::soap {

ServicioBiometrico::ServicioBiometrico(SettingsSource settings) : m_settings(std::move(settings)) {}

bool ServicioBiometrico::VerificarHuella(const QString &appId, const QString &wsqBase64, qint64 &result,
                                         QString &error)
{
    return CentralServices(m_settings()).VerificarHuella(appId, wsqBase64, result, error);
}

} // namespace qal::soap
