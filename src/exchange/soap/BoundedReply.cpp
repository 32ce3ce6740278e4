#include "BoundedReply.h"

#include <QEventLoop>
#include <QTimer>

namespace qal::soap {

BoundedReply awaitBounded(QNetworkReply *reply, int timeoutMs, qint64 maxBytes)
{
    BoundedReply r;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        r.timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        r.body += reply->read(maxBytes + 1 - r.body.size());
        if (r.body.size() > maxBytes) {
            r.tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();
    if (!r.tooLarge && !r.timedOut)
        r.body += reply->read(maxBytes + 1 - r.body.size());
    r.tooLarge = r.tooLarge || r.body.size() > maxBytes;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    r.error = reply->error();
    r.errorText = reply->errorString();
    delete reply;
    return r;
}

} // namespace qal::soap
