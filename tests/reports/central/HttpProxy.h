#pragma once

#include "support/LoopbackServer.h"

#include <QStringList>

namespace qal::test {

// One qal-http-proxy on a free loopback port, forwarding to upstreamPort, wanting user and
// password; its log of requests (method, URL, user, status) in logFile.
class HttpProxy
{
public:
    HttpProxy(quint16 upstreamPort, const QString &user, const QString &password, const QString &logFile);
    quint16 port() const { return m_server.port(); }
    QList<QStringList> requests() const;

private:
    QString m_log;
    LoopbackServer m_server;
};

} // namespace qal::test
