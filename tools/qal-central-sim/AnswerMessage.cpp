#include "AnswerMessage.h"

#include "core/Cp1252.h"

#include <QLocale>

#include <cstdlib>

namespace {

// A header value: as it is when plain ASCII, else one RFC 2047 encoded word.
QByteArray headerText(const QString &text)
{
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7f;
    if (ascii)
        return text.toLatin1();
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

QByteArray base64Lines(const QByteArray &bytes)
{
    const QByteArray all = bytes.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < all.size(); i += 76)
        out += all.mid(i, 76) + "\r\n";
    return out;
}

} // namespace

QByteArray mimeMessage(const QString &from, const AnswerMessage &answer, const QDateTime &date, int serial)
{
    const QByteArray boundary = "=_qal_central_" + QByteArray::number(date.toSecsSinceEpoch()) + "_"
        + QByteArray::number(serial);
    const QLocale c = QLocale::c();
    QByteArray m;
    m += "From: QAL Central <" + from.toLatin1() + ">\r\n";
    m += "To: <" + answer.to.toLatin1() + ">\r\n";
    m += "Subject: " + headerText(answer.subject) + "\r\n";
    const int offset = date.offsetFromUtc() / 60;
    const int minutes = std::abs(offset);
    m += "Date: " + c.toString(date, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")).toLatin1()
        + (offset < 0 ? "-" : "+") + QByteArray::number(minutes / 60).rightJustified(2, '0')
        + QByteArray::number(minutes % 60).rightJustified(2, '0') + "\r\n";
    m += "Message-ID: <" + QByteArray::number(date.toMSecsSinceEpoch()) + "." + QByteArray::number(serial)
        + "@qal-central-sim>\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    m += "--" + boundary + "\r\n";
    m += "Content-Type: text/plain; charset=us-ascii\r\n\r\n";
    m += "Mensaje de QAL Central.\r\n";
    for (const auto &[name, bytes] : answer.attachments) {
        const QByteArray n = headerText(name);
        m += "--" + boundary + "\r\n";
        m += "Content-Type: application/octet-stream; name=\"" + n + "\"\r\n";
        m += "Content-Transfer-Encoding: base64\r\n";
        m += "Content-Disposition: attachment; filename=\"" + n + "\"\r\n\r\n";
        m += base64Lines(bytes);
    }
    m += "--" + boundary + "--\r\n";
    return m;
}

QByteArray dataFile(const QList<QPair<QString, QString>> &values)
{
    QString text = QStringLiteral("[DATA]\r\n");
    for (const auto &[key, value] : values)
        text += key + QLatin1Char('=') + value + QStringLiteral("\r\n");
    return qal::toCp1252(text);
}
