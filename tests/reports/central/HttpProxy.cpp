#include "HttpProxy.h"

#include <QFile>

namespace qal::test {

HttpProxy::HttpProxy(quint16 upstreamPort, const QString &user, const QString &password, const QString &logFile)
    : m_log(logFile)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(QAL_BIN_DIR) + QStringLiteral("/qal-http-proxy"),
                    {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--upstream"),
                     QString::number(upstreamPort), QStringLiteral("--user"), user, QStringLiteral("--password"),
                     password, QStringLiteral("--log"), logFile, QStringLiteral("--watch-stdin")});
    if (!m_process.waitForStarted(10000))
        return;
    QByteArray line;
    while (!line.contains('\n') && m_process.waitForReadyRead(20000))
        line += m_process.readAll();
    const int colon = line.lastIndexOf(':');
    if (line.startsWith("listening on ") && colon > 0)
        m_port = static_cast<quint16>(line.mid(colon + 1).trimmed().toUInt());
}

HttpProxy::~HttpProxy()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill(); // our own child, by its pid
        m_process.waitForFinished(10000);
    }
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
