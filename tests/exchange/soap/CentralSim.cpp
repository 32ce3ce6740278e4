#include "CentralSim.h"

#include <QFile>
#include <QJsonDocument>

namespace qal::test {

CentralSim::CentralSim(const QStringList &extraArguments)
{
    setScenario({});
    QStringList args = {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--scenario"),
                        m_folder.file(QStringLiteral("scenario.json")), QStringLiteral("--record"), recordDir(),
                        QStringLiteral("--attachments"), attachmentsDir(),
                        QStringLiteral("--watch-stdin")};
    args += extraArguments;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(QAL_BIN_DIR) + QStringLiteral("/qal-central-sim"), args);
    if (!m_process.waitForStarted(10000))
        return;
    QByteArray line;
    while (!line.contains('\n') && m_process.waitForReadyRead(20000))
        line += m_process.readAll();
    const int colon = line.lastIndexOf(':');
    if (line.startsWith("listening on ") && colon > 0)
        m_port = static_cast<quint16>(line.mid(colon + 1).trimmed().toUInt());
}

CentralSim::~CentralSim()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill(); // our own child, by its pid
        m_process.waitForFinished(10000);
    }
}

QString CentralSim::server() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

soap::SoapSettings CentralSim::settings(int timeoutMs) const
{
    soap::SoapSettings s;
    s.server = server();
    s.messageUrl = server() + QStringLiteral("/QALService/QALMessageService.asmx");
    s.ns = QStringLiteral("http://tempuri.org/");
    s.timeoutMs = timeoutMs;
    return s;
}

void CentralSim::setScenario(const QJsonObject &scenario)
{
    QFile file(m_folder.file(QStringLiteral("scenario.json")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(scenario).toJson());
}

QList<QStringList> CentralSim::requests() const
{
    QList<QStringList> lines;
    QFile file(recordDir() + QStringLiteral("/requests.log"));
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.isEmpty())
            lines << QString::fromUtf8(line).split(QLatin1Char('\t'));
    return lines;
}

QByteArray CentralSim::requestBody(int seq) const
{
    QFile file(recordDir() + QStringLiteral("/%1.xml").arg(seq, 4, 10, QLatin1Char('0')));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace qal::test
