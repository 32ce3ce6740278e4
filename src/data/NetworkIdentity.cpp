#include "NetworkIdentity.h"

#include <QHostInfo>

namespace qal {

NetworkIdentity networkIdentityOf(const QList<QNetworkInterface> &interfaces, const QString &host)
{
    NetworkIdentity id;
    id.host = host;
    for (const QNetworkInterface &nic : interfaces) {
        const auto flags = nic.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QString mac = nic.hardwareAddress();
        if (mac.isEmpty() || mac == QLatin1String("00:00:00:00:00:00"))
            continue;
        QString ip;
        for (const QNetworkAddressEntry &entry : nic.addressEntries()) {
            const QHostAddress a = entry.ip();
            if (a.isNull() || a.isLoopback())
                continue;
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                ip = a.toString();
                break;
            }
            if (ip.isEmpty())
                ip = a.toString();
        }
        if (ip.isEmpty())
            continue;
        id.mac = mac;
        id.ip = ip;
        break;
    }
    return id;
}

NetworkIdentity GetNetworkInfo()
{
    return networkIdentityOf(QNetworkInterface::allInterfaces(), QHostInfo::localHostName());
}

} // namespace qal
