#pragma once

#include <QList>
#include <QNetworkInterface>
#include <QString>

namespace qal {

// How this computer shows itself to the central office: the first network adapter that is
// up and has both a hardware (MAC) address and an IP address, and the host name.
struct NetworkIdentity
{
    QString mac;  // "00:1A:2B:3C:4D:5E"; empty when no adapter qualifies
    QString ip;
    QString host;
};

NetworkIdentity GetNetworkInfo();
// The choice among given adapters, for tests: loopback and adapters without a MAC address
// or an IPv4/IPv6 address are skipped; IPv4 is preferred within an adapter.
NetworkIdentity networkIdentityOf(const QList<QNetworkInterface> &interfaces, const QString &host);

} // namespace qal
