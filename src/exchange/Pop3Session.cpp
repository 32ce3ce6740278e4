#include "exchange/Pop3Session.h"

#include <QList>

namespace qal::exchange {

Pop3Session::Pop3Session(const MailServer &server)
    : m_server(server)
{
    m_curl.configure(server);
    curl_easy_setopt(m_curl.get(), CURLOPT_WRITEFUNCTION, &Pop3Session::onBody);
}

size_t Pop3Session::onBody(char *data, size_t size, size_t count, void *sink)
{
    if (sink)
        static_cast<MailBytes *>(sink)->append(data, size * count);
    return size * count;
}

// Commands with a one-line answer must not wait for a multi-line one (NOBODY), or libcurl
// waits until its time-out and the session ends without QUIT.
bool Pop3Session::run(const QByteArray &path, const QByteArray &command, MailBytes *body, QString *reason)
{
    CURL *curl = m_curl.get();
    const QByteArray url = m_server.url("pop3", "pop3s", MailServer::kPop3TlsPort, path);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, command.isEmpty() ? nullptr : command.constData());
    curl_easy_setopt(curl, CURLOPT_NOBODY, body ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, body);
    const CURLcode code = m_curl.perform();
    if (code != CURLE_OK) {
        *reason = m_curl.reason(code);
        return false;
    }
    return true;
}

QByteArray Pop3Session::lastOkLine() const
{
    const QList<QByteArray> &lines = m_curl.serverLines();
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (it->startsWith("+OK"))
            return it->trimmed();
    }
    return {};
}

bool Pop3Session::noop(QString *reason)
{
    return run({}, "NOOP", nullptr, reason);
}

bool Pop3Session::stat(int *count, QString *reason)
{
    if (!run({}, "STAT", nullptr, reason))
        return false;
    const QList<QByteArray> words = lastOkLine().split(' ');
    bool ok = false;
    *count = words.size() >= 2 ? words.at(1).toInt(&ok) : 0;
    if (!ok) {
        *reason = QStringLiteral("respuesta inesperada a STAT");
        return false;
    }
    return true;
}

bool Pop3Session::listSize(int index, qint64 *size, QString *reason)
{
    if (!run({}, "LIST " + QByteArray::number(index), nullptr, reason))
        return false;
    const QList<QByteArray> words = lastOkLine().split(' ');
    bool ok = false;
    *size = words.size() >= 3 ? words.at(2).toLongLong(&ok) : 0;
    if (!ok) {
        *reason = QStringLiteral("respuesta inesperada a LIST %1").arg(index);
        return false;
    }
    return true;
}

bool Pop3Session::listAll(QList<qint64> *sizes, QString *reason)
{
    MailBytes answer;
    if (!run({}, {}, &answer, reason))
        return false;
    sizes->clear();
    for (const QByteArray &line : answer.toByteArray().split('\n')) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.size() < 2)
            continue;
        bool okIndex = false, okSize = false;
        const int index = words.at(0).toInt(&okIndex);
        const qint64 size = words.at(1).toLongLong(&okSize);
        if (okIndex && okSize && index >= 1 && index <= sizes->size() + 1) {
            sizes->resize(index);
            (*sizes)[index - 1] = size;
        }
    }
    return true;
}

bool Pop3Session::top(int index, MailBytes *header, QString *reason)
{
    return run({}, "TOP " + QByteArray::number(index) + " 0", header, reason);
}

bool Pop3Session::retr(int index, qint64 expectedSize, MailBytes *message, QString *reason)
{
    message->reserve(expectedSize);
    if (!run(QByteArray::number(index), {}, message, reason))
        return false;
    if (message->size() < expectedSize) {
        *reason = QStringLiteral("la conexión se cortó durante la lectura del mensaje %1 (%2 de %3 bytes)")
                      .arg(index)
                      .arg(message->size())
                      .arg(expectedSize);
        return false;
    }
    return true;
}

bool Pop3Session::dele(int index, QString *reason)
{
    return run({}, "DELE " + QByteArray::number(index), nullptr, reason);
}

bool Pop3Session::uidl(int index, QString *id, QString *reason)
{
    if (!run({}, "UIDL " + QByteArray::number(index), nullptr, reason))
        return false;
    const QList<QByteArray> words = lastOkLine().split(' ');
    if (words.size() < 3 || words.at(1).toInt() != index) {
        *reason = QStringLiteral("respuesta inesperada a UIDL %1").arg(index);
        return false;
    }
    *id = QString::fromLatin1(words.at(2));
    return true;
}

bool Pop3Session::uidlAll(QStringList *ids, QString *reason)
{
    MailBytes answer;
    if (!run({}, "UIDL", &answer, reason))
        return false;
    ids->clear();
    for (const QByteArray &line : answer.toByteArray().split('\n')) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        bool ok = false;
        const int index = words.size() >= 2 ? words.at(0).toInt(&ok) : 0;
        if (ok && index == ids->size() + 1)
            ids->append(QString::fromLatin1(words.at(1)));
    }
    return true;
}

} // namespace qal::exchange
