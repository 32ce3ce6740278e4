#include "HttpProxy.h"

#include <QFile>

namespace qal::test {

HttpProxy::HttpProxy(quint16 upstreamPort, const QString &user, const QString &password, const QString &logFile)
    : m_log(logFile),
      m_server(QStringLiteral("qal-http-proxy"),
               {QStringLiteral("--upstream"), QString::number(upstreamPort), QStringLiteral("--user"), user,
                QStringLiteral("--password"), password, QStringLiteral("--log"), logFile})
{
}

QList<QStringList> HttpProxy::requests() const
{
    QList<QStringList> lines;
    QFile file(m_log);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray &line : file.readAll().split('\n'))
            if (!line.isEmpty())
                lines << QString::fromUtf8(line).split(QLatin1Char('\t'));
    return lines;
}

} // namespace qal::test
