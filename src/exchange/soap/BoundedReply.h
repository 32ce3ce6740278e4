#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>

namespace qal::soap {

// What came back for an HTTP request whose answer is read within a time and a size.
struct BoundedReply
{
    QByteArray body;        // at most maxBytes + 1 bytes (more than maxBytes: tooLarge)
    bool timedOut = false;  // no whole answer within the time; aborted
    bool tooLarge = false;  // the answer grew past maxBytes; aborted
    int status = 0;         // the HTTP status, 0 when no HTTP answer came
    QString reason;         // the HTTP reason phrase
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorText;
};

// Waits for reply in a local event loop (user input excluded), keeping at most maxBytes + 1 bytes
// of its body and aborting it past them or after timeoutMs; deletes the reply. A server that never
// stops sending, or never answers, costs a bounded time and memory.
BoundedReply awaitBounded(QNetworkReply *reply, int timeoutMs, qint64 maxBytes);

} // namespace qal::soap
