#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace qal {

SingleInstance::SingleInstance(const QString &programFolder, QObject *parent)
    : QObject(parent)
{
    // One key per program folder: two offices' folders on one machine do not block each other.
    const QByteArray hash = QCryptographicHash::hash(QDir(programFolder).absolutePath().toUtf8(),
                                                     QCryptographicHash::Sha1).toHex().left(16);
    m_key = QStringLiteral("qal-regional-") + QString::fromLatin1(hash);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire()
{
    m_lock = std::make_unique<QLockFile>(QDir::temp().filePath(m_key + QStringLiteral(".lock")));
    m_lock->setStaleLockTime(0); // a lock whose process died is stale at once
    if (!m_lock->tryLock(100)) {
        QLocalSocket socket;
        socket.connectToServer(m_key);
        if (socket.waitForConnected(1000)) {
            socket.write("activate\n");
            socket.waitForBytesWritten(1000);
        }
        return false;
    }
    QLocalServer::removeServer(m_key);
    m_server = new QLocalServer(this);
    m_server->listen(m_key);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *peer = m_server->nextPendingConnection()) {
            // The other copy writes one line and leaves: its bytes may already be here.
            const auto read = [this, peer] {
                if (peer->readAll().contains("activate"))
                    emit activationRequested();
            };
            connect(peer, &QLocalSocket::readyRead, this, read);
            connect(peer, &QLocalSocket::disconnected, this, [peer, read] {
                read();
                peer->deleteLater();
            });
            read();
        }
    });
    return true;
}

} // namespace qal
