#include "ProxyServer.h"

#include <QFile>
#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr qsizetype kMaxHead = 64 * 1024;

} // namespace

ProxyServer::ProxyServer(Options options) : m_options(std::move(options))
{
    connect(&m_server, &QTcpServer::newConnection, this, &ProxyServer::accept);
}

quint16 ProxyServer::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port) ? m_server.serverPort() : 0;
}

void ProxyServer::accept()
{
    while (QTcpSocket *client = m_server.nextPendingConnection()) {
        connect(client, &QTcpSocket::readyRead, this, [this, client] { readHead(client); });
        connect(client, &QTcpSocket::disconnected, this, [this, client] {
            m_heads.remove(client);
            client->deleteLater();
        });
    }
}

void ProxyServer::reply(QTcpSocket *client, const QByteArray &status, const QByteArray &extraHeaders)
{
    const QByteArray body = status + "\r\n";
    client->write("HTTP/1.1 " + status + "\r\n" + extraHeaders + "Content-Type: text/plain\r\nContent-Length: "
                  + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    client->disconnectFromHost();
}

void ProxyServer::readHead(QTcpSocket *client)
{
    if (!m_heads.contains(client) && client->property("forwarding").toBool())
        return;
    QByteArray &head = m_heads[client];
    head += client->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() > kMaxHead) {
            m_heads.remove(client);
            reply(client, "431 Request Header Fields Too Large", {});
        }
        return;
    }
    const QByteArray rest = head.mid(end + 4);
    QList<QByteArray> lines = head.left(end).split('\n');
    m_heads.remove(client);
    for (QByteArray &l : lines)
        l = l.trimmed();
    const QList<QByteArray> request = lines.takeFirst().split(' ');
    if (request.size() != 3) {
        reply(client, "400 Bad Request", {});
        return;
    }
    const QByteArray &method = request[0];
    const QByteArray &target = request[1];
    QString user = QStringLiteral("-");
    bool authorised = false;
    QList<QByteArray> headers;
    for (const QByteArray &l : lines) {
        const qsizetype colon = l.indexOf(':');
        const QByteArray name = l.left(colon).trimmed().toLower();
        if (name == "proxy-authorization") {
            const QByteArray value = l.mid(colon + 1).trimmed();
            if (value.left(6).toLower() == "basic ") {
                const QByteArray pair = QByteArray::fromBase64(value.mid(6).trimmed());
                const qsizetype sep = pair.indexOf(':');
                user = QString::fromUtf8(pair.left(sep));
                authorised = sep >= 0 && user == m_options.user
                             && QString::fromUtf8(pair.mid(sep + 1)) == m_options.password;
            }
            continue;
        }
        if (name == "proxy-connection" || name == "connection" || name == "keep-alive")
            continue;
        headers << l;
    }
    if (method == "CONNECT") {
        log(method, target, user, "405");
        reply(client, "405 Method Not Allowed", {});
        return;
    }
    if (!authorised) {
        log(method, target, user, "407");
        reply(client, "407 Proxy Authentication Required", "Proxy-Authenticate: Basic realm=\"QAL\"\r\n");
        return;
    }
    const QUrl url(QString::fromLatin1(target));
    if (url.scheme() != QLatin1String("http")) {
        log(method, target, user, "400");
        reply(client, "400 Bad Request", {});
        return;
    }
    log(method, target, user, "forwarded");
    forward(client, method, url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority), headers, rest);
}

void ProxyServer::forward(QTcpSocket *client, const QByteArray &method, const QByteArray &path,
                          const QList<QByteArray> &headers, const QByteArray &rest)
{
    client->setProperty("forwarding", true);
    auto *upstream = new QTcpSocket(client);
    QByteArray out = method + ' ' + (path.isEmpty() ? QByteArray("/") : path) + " HTTP/1.1\r\n";
    for (const QByteArray &h : headers)
        out += h + "\r\n";
    out += "Connection: close\r\n\r\n" + rest;
    connect(upstream, &QTcpSocket::connected, upstream, [upstream, out] { upstream->write(out); });
    // whatever else the client sends (a request body) goes on upstream
    connect(client, &QTcpSocket::readyRead, upstream, [client, upstream] { upstream->write(client->readAll()); });
    connect(upstream, &QTcpSocket::readyRead, client, [client, upstream] { client->write(upstream->readAll()); });
    connect(upstream, &QTcpSocket::disconnected, client, [client, upstream] {
        client->write(upstream->readAll());
        client->disconnectFromHost();
    });
    connect(upstream, &QTcpSocket::errorOccurred, client, [this, client, upstream](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError)
            return;
        if (upstream->state() != QAbstractSocket::ConnectedState && client->bytesToWrite() == 0)
            reply(client, "502 Bad Gateway", {});
    });
    upstream->connectToHost(m_options.upstreamHost, m_options.upstreamPort);
}

void ProxyServer::log(const QByteArray &method, const QByteArray &url, const QString &user, const QByteArray &status)
{
    if (m_options.logFile.isEmpty())
        return;
    QFile file(m_options.logFile);
    if (file.open(QIODevice::Append))
        file.write(method + '\t' + url + '\t' + user.toUtf8() + '\t' + status + '\n');
}
