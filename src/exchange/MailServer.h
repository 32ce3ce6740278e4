#pragma once

#include <QByteArray>
#include <QString>

namespace qal::exchange {

// Where a mail server is and how to log in. Ports 995 (POP3) and 465 (SMTP) speak TLS from
// the first byte; on any other port TLS is started with STLS/STARTTLS when the server offers
// it. The server's certificate is checked against the system's CAs, or only against caFile
// when one is named. The host may carry a scheme ("pop3s://mail.example", "smtps://...") to
// speak TLS from the first byte on another port.
struct MailServer
{
    QString host;
    int port = 0;
    QString user;
    QString password;
    bool login = true; // send user and password
    QString caFile;

    static constexpr int kPop3TlsPort = 995;
    static constexpr int kSmtpTlsPort = 465;

    // "scheme://host:port/path", the TLS scheme on the implicit-TLS port.
    QByteArray url(const char *plainScheme, const char *tlsScheme, int tlsPort, const QByteArray &path) const;
};

} // namespace qal::exchange
