#pragma once

#include "exchange/CurlTransfer.h"
#include "exchange/MailBytes.h"
#include "exchange/MailServer.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace qal::exchange {

// One POP3 connection: log-in at the first command, QUIT (which commits deletions) when the
// session is destroyed. Message numbers are 1-based as on the server.
class Pop3Session
{
public:
    explicit Pop3Session(const MailServer &server);

    bool noop(QString *reason);
    bool stat(int *count, QString *reason);
    bool listSize(int index, qint64 *size, QString *reason);
    bool listAll(QList<qint64> *sizes, QString *reason);
    bool top(int index, MailBytes *header, QString *reason);
    // The whole message; fails when fewer bytes than expectedSize (LIST) arrived, which is
    // what a connection cut in the middle of RETR looks like.
    bool retr(int index, qint64 expectedSize, MailBytes *message, QString *reason);
    bool dele(int index, QString *reason);
    // The server's unique id of message index, and the ids of every message by index.
    bool uidl(int index, QString *id, QString *reason);
    bool uidlAll(QStringList *ids, QString *reason);

    void setProgress(std::function<void(qint64)> progress) { m_curl.setProgress(std::move(progress)); }

private:
    bool run(const QByteArray &path, const QByteArray &command, MailBytes *body, QString *reason);
    QByteArray lastOkLine() const;
    static size_t onBody(char *data, size_t size, size_t count, void *sink);

    MailServer m_server;
    CurlHandle m_curl;
};

} // namespace qal::exchange
