#include "SoapSettings.h"

#include "data/PasswordProtection.h"
#include "data/QalRegIni.h"
#include "data/Tdm.h"

namespace qal::soap {

SoapSettings SoapSettings::current(Tdm *dm)
{
    SoapSettings s;
    s.server = qalregini::servidor();
    s.messageUrl = qalregini::urlServicio();
    s.ns = qalregini::espacioNombres();
    s.timeoutMs = qalregini::tiempoEsperaSegundos() * 1000;
    if (dm)
        s.proxy = proxyFromSettings(*dm);
    return s;
}

QNetworkProxy proxyFromSettings(Tdm &dm)
{
    const QString host = dm.LeerParametro(QStringLiteral("http_proxy")).trimmed();
    if (host.isEmpty())
        return QNetworkProxy(QNetworkProxy::NoProxy);
    bool ok = false;
    int port = dm.LeerParametro(QStringLiteral("http_port")).trimmed().toInt(&ok);
    if (!ok || port <= 0 || port > 65535)
        port = 80;
    const QString user = dm.LeerParametro(QStringLiteral("proxy_user")).trimmed();
    QString password;
    const QString stored = dm.LeerParametro(QStringLiteral("proxy_pass"));
    if (!stored.trimmed().isEmpty())
        password = DescifrarClaveProxy(stored, user);
    return QNetworkProxy(QNetworkProxy::HttpProxy, host, static_cast<quint16>(port), user, password);
}

} // namespace qal::soap
