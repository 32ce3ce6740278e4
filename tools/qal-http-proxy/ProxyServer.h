#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A plain HTTP proxy on 127.0.0.1 that wants Basic credentials (407 until they match) and
// forwards to one upstream server on loopback, whatever host the request names: an office
// whose url table names the central office by its public name reaches the simulator only
// through the proxy. CONNECT is refused. Each request is logged as one line: method, the
// request's URL, the credentials' user name ("-" without any), the status given.
class ProxyServer : public QObject
{
public:
    struct Options
    {
        QString user, password;
        QString upstreamHost = QStringLiteral("127.0.0.1");
        quint16 upstreamPort = 80;
        QString logFile;
    };
    explicit ProxyServer(Options options);
    quint16 listen(quint16 port);

private:
    void accept();
    void readHead(QTcpSocket *client);
    void reply(QTcpSocket *client, const QByteArray &status, const QByteArray &extraHeaders);
    void forward(QTcpSocket *client, const QByteArray &method, const QByteArray &path, const QList<QByteArray> &headers,
                 const QByteArray &rest);
    void log(const QByteArray &method, const QByteArray &url, const QString &user, const QByteArray &status);

    Options m_options;
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_heads;
};
