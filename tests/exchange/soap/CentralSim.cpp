#include "CentralSim.h"

#include <QFile>
#include <QJsonDocument>

namespace qal::test {

CentralSim::CentralSim(const QStringList &extraArguments)
{
    setScenario({});
    m_server = std::make_unique<LoopbackServer>(
        QStringLiteral("qal-central-sim"),
        QStringList {QStringLiteral("--scenario"), m_folder.file(QStringLiteral("scenario.json")), QStringLiteral("--record"),
                     recordDir(), QStringLiteral("--attachments"), attachmentsDir()}
            + extraArguments);
}

QString CentralSim::server() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
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

void CentralSim::writeQalRegIni(const QString &file, int timeoutSeconds) const
{
    QFile ini(file);
    if (ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ini.write(QStringLiteral("[QALService]\r\nServidor=%1\r\nTimeOut=%2\r\n").arg(server()).arg(timeoutSeconds).toLatin1());
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
