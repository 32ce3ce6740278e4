#include "exchange/MailServer.h"

#include <QUrl>

namespace qal::exchange {

QByteArray MailServer::url(const char *plainScheme, const char *tlsScheme, int tlsPort, const QByteArray &path) const
{
    // A server written "pop3s://name" or "smtps://name" speaks TLS from the first byte on
    // any port; "pop3://name" or "smtp://name" never does, even on the TLS port.
    QString name = host.trimmed();
    bool implicitTls = port == tlsPort;
    const qsizetype schemeEnd = name.indexOf(QLatin1String("://"));
    if (schemeEnd > 0) {
        implicitTls = name.left(schemeEnd).endsWith(QLatin1Char('s'), Qt::CaseInsensitive);
        name = name.mid(schemeEnd + 3);
        while (name.endsWith(QLatin1Char('/')))
            name.chop(1);
    }
    QByteArray hostPart = QUrl::toAce(name);
    if (hostPart.isEmpty())
        hostPart = name.toUtf8();
    if (hostPart.contains(':'))
        hostPart = '[' + hostPart + ']';
    const char *scheme = implicitTls ? tlsScheme : plainScheme;
    return QByteArray(scheme) + "://" + hostPart + ':' + QByteArray::number(port) + '/' + path;
}

} // namespace qal::exchange
