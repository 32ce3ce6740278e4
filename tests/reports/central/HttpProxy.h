#pragma once

#include <QProcess>
#include <QStringList>

namespace qal::test {

// One qal-http-proxy on a free loopback port, forwarding to upstreamPort, wanting user and
// password; its log of requests (method, URL, user, status) in logFile.
class HttpProxy
{
public:
    HttpProxy(quint16 upstreamPort, const QString &user, const QString &password, const QString &logFile);
    ~HttpProxy();
    quint16 port() const { return m_port; }
    QList<QStringList> requests() const;

private:
    QString m_log;
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace qal::test
