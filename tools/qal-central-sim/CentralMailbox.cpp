#include "CentralMailbox.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr long kTimeoutSeconds = 30;

struct CurlDeleter
{
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
};
using Curl = std::unique_ptr<CURL, CurlDeleter>;

size_t collect(char *data, size_t size, size_t count, void *target)
{
    static_cast<QByteArray *>(target)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

struct Upload
{
    const QByteArray *bytes;
    qsizetype offset = 0;
};

size_t supply(char *buffer, size_t size, size_t count, void *source)
{
    auto *up = static_cast<Upload *>(source);
    const qsizetype n = std::min<qsizetype>(static_cast<qsizetype>(size * count), up->bytes->size() - up->offset);
    std::memcpy(buffer, up->bytes->constData() + up->offset, static_cast<size_t>(n));
    up->offset += n;
    return static_cast<size_t>(n);
}

Curl session(const MailAccount &account)
{
    Curl c(curl_easy_init());
    if (!c)
        return c;
    curl_easy_setopt(c.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c.get(), CURLOPT_CONNECTTIMEOUT, kTimeoutSeconds);
    curl_easy_setopt(c.get(), CURLOPT_TIMEOUT, kTimeoutSeconds);
    curl_easy_setopt(c.get(), CURLOPT_USERNAME, account.user.toUtf8().constData());
    curl_easy_setopt(c.get(), CURLOPT_PASSWORD, account.password.toUtf8().constData());
    return c;
}

QString curlProblem(const char *step, CURLcode code)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromUtf8(curl_easy_strerror(code)));
}

} // namespace

CentralMailbox::CentralMailbox(MailAccount account) : m_account(std::move(account)) {}

bool CentralMailbox::read(const std::function<bool(const QByteArray &)> &handle, QString &problem) const
{
    Curl c = session(m_account);
    if (!c) {
        problem = QStringLiteral("curl_easy_init");
        return false;
    }
    QString base = m_account.pop3;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    QByteArray listing;
    curl_easy_setopt(c.get(), CURLOPT_URL, base.toUtf8().constData());
    curl_easy_setopt(c.get(), CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c.get(), CURLOPT_WRITEDATA, &listing);
    if (const CURLcode rc = curl_easy_perform(c.get()); rc != CURLE_OK) {
        problem = curlProblem("LIST", rc);
        return false;
    }
    // LIST: "N SIZE" per message, in the session's numbering.
    QList<int> numbers;
    for (const QByteArray &line : listing.split('\n')) {
        bool ok = false;
        const int n = line.trimmed().split(' ').value(0).toInt(&ok);
        if (ok && n > 0)
            numbers << n;
    }
    for (const int n : numbers) {
        const QByteArray url = (base + QString::number(n)).toUtf8();
        QByteArray message;
        curl_easy_setopt(c.get(), CURLOPT_URL, url.constData());
        curl_easy_setopt(c.get(), CURLOPT_CUSTOMREQUEST, nullptr);
        curl_easy_setopt(c.get(), CURLOPT_NOBODY, 0L);
        curl_easy_setopt(c.get(), CURLOPT_WRITEDATA, &message);
        if (const CURLcode rc = curl_easy_perform(c.get()); rc != CURLE_OK) {
            problem = curlProblem("RETR", rc);
            return false;
        }
        // The numbers are only valid in the session that listed them: a new connection
        // (the old one lost) ends the round; the next one lists again.
        long connects = 0;
        curl_easy_getinfo(c.get(), CURLINFO_NUM_CONNECTS, &connects);
        if (connects > 0) {
            problem = QStringLiteral("POP3 session lost");
            return false;
        }
        if (!handle(message))
            continue;
        curl_easy_setopt(c.get(), CURLOPT_CUSTOMREQUEST, "DELE");
        curl_easy_setopt(c.get(), CURLOPT_NOBODY, 1L);
        if (const CURLcode rc = curl_easy_perform(c.get()); rc != CURLE_OK) {
            problem = curlProblem("DELE", rc);
            return false;
        }
    }
    return true; // QUIT, which commits the deletions, goes out when the handle is cleaned up
}

bool CentralMailbox::send(const QStringList &recipients, const QByteArray &message, QString &problem) const
{
    Curl c = session(m_account);
    if (!c) {
        problem = QStringLiteral("curl_easy_init");
        return false;
    }
    curl_slist *rcpt = nullptr;
    for (const QString &r : recipients)
        rcpt = curl_slist_append(rcpt, (QLatin1Char('<') + r + QLatin1Char('>')).toUtf8().constData());
    const QByteArray from = (QLatin1Char('<') + m_account.address + QLatin1Char('>')).toUtf8();
    Upload up {&message};
    curl_easy_setopt(c.get(), CURLOPT_URL, m_account.smtp.toUtf8().constData());
    curl_easy_setopt(c.get(), CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(c.get(), CURLOPT_PASSWORD, nullptr);
    curl_easy_setopt(c.get(), CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(c.get(), CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(c.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c.get(), CURLOPT_READFUNCTION, supply);
    curl_easy_setopt(c.get(), CURLOPT_READDATA, &up);
    curl_easy_setopt(c.get(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    const CURLcode rc = curl_easy_perform(c.get());
    curl_slist_free_all(rcpt);
    if (rc != CURLE_OK) {
        problem = curlProblem("SMTP", rc);
        return false;
    }
    return true;
}
