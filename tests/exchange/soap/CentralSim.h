#pragma once

#include "exchange/soap/SoapSettings.h"
#include "support/TempFolder.h"

#include <QJsonObject>
#include <QProcess>
#include <QStringList>

namespace qal::test {

// One qal-central-sim process on a free loopback port for a test, with its own folders for the
// record of requests and the received attachments, and a scenario file the test rewrites.
class CentralSim
{
public:
    explicit CentralSim(const QStringList &extraArguments = {});
    ~CentralSim();

    bool running() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString server() const;

    // The client's settings for this simulator (time-out timeoutMs).
    soap::SoapSettings settings(int timeoutMs = 10000) const;

    // Replaces the scenario: {"Operation": {"mode": ..., "result": ..., "delayMs": ...}}.
    void setScenario(const QJsonObject &scenario);

    // One line of requests.log: seq, method, path, SOAPAction, operation, status, note.
    QList<QStringList> requests() const;
    QByteArray requestBody(int seq) const;
    QString attachmentsDir() const { return m_folder.file(QStringLiteral("attachments")); }
    QString recordDir() const { return m_folder.file(QStringLiteral("record")); }

private:
    TempFolder m_folder;
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace qal::test
