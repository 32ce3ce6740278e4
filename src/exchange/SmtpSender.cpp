#include "exchange/SmtpSender.h"

#include "exchange/CurlTransfer.h"

#include <QSysInfo>

#include <cstring>

namespace qal::exchange {

namespace {

struct Upload
{
    const MailBytes *bytes;
    qint64 offset = 0;
};

size_t readUpload(char *buffer, size_t size, size_t count, void *data)
{
    auto *upload = static_cast<Upload *>(data);
    const qint64 left = upload->bytes->size() - upload->offset;
    const size_t n = static_cast<size_t>(std::min<qint64>(left, static_cast<qint64>(size * count)));
    std::memcpy(buffer, upload->bytes->data() + upload->offset, n);
    upload->offset += static_cast<qint64>(n);
    return n;
}

// An address goes into a command line of its own: nothing that could end that line.
bool plainAddress(const QString &address)
{
    if (address.isEmpty())
        return false;
    for (const QChar c : address) {
        if (c.unicode() < 0x21 || c == QLatin1Char('<') || c == QLatin1Char('>'))
            return false;
    }
    return true;
}

struct SList
{
    curl_slist *list = nullptr;
    ~SList() { curl_slist_free_all(list); }
};

} // namespace

bool smtpSend(const MailServer &server, const EncodedMail &mail, const std::function<void(qint64)> &progress,
              QString *reason)
{
    if (!plainAddress(mail.sender)) {
        *reason = QStringLiteral("remitente no válido: %1").arg(mail.sender);
        return false;
    }
    SList recipients;
    for (const QString &r : mail.recipients) {
        if (!plainAddress(r)) {
            *reason = QStringLiteral("destinatario no válido: %1").arg(r);
            return false;
        }
        recipients.list = curl_slist_append(recipients.list, ('<' + r.toUtf8() + '>').constData());
    }
    CurlHandle handle;
    handle.configure(server);
    handle.setProgress(progress);
    CURL *curl = handle.get();
    // The path of an SMTP address is the name this side gives in EHLO.
    const QByteArray helo = QSysInfo::machineHostName().toUtf8();
    const QByteArray url = server.url("smtp", "smtps", MailServer::kSmtpTlsPort, helo.isEmpty() ? "localhost" : helo);
    const QByteArray from = '<' + mail.sender.toUtf8() + '>';
    Upload upload {&mail.bytes};
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.list);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &readUpload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(mail.bytes.size()));
    const CURLcode code = handle.perform();
    if (code != CURLE_OK) {
        *reason = handle.reason(code);
        const QList<QByteArray> &lines = handle.serverLines();
        if (!lines.isEmpty() && !lines.last().startsWith('2') && !lines.last().startsWith('3'))
            *reason += QStringLiteral(" (%1)").arg(QString::fromUtf8(lines.last().trimmed()));
        return false;
    }
    return true;
}

} // namespace qal::exchange
