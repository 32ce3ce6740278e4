#include "LoopbackServer.h"

namespace qal::test {

LoopbackServer::LoopbackServer(const QString &program, const QStringList &arguments)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(QAL_BIN_DIR) + QLatin1Char('/') + program,
                    QStringList {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--watch-stdin")}
                        + arguments);
    if (!m_process.waitForStarted(10000))
        return;
    QByteArray line;
    while (!line.contains('\n') && m_process.waitForReadyRead(20000))
        line += m_process.readAll();
    const int colon = line.lastIndexOf(':');
    if (line.startsWith("listening on ") && colon > 0)
        m_port = static_cast<quint16>(line.mid(colon + 1).trimmed().toUInt());
}

LoopbackServer::~LoopbackServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

} // namespace qal::test
