#pragma once

#include "exchange/soap/SoapSettings.h"
#include "support/LoopbackServer.h"
#include "support/TempFolder.h"

#include <QJsonObject>
#include <QStringList>

#include <memory>

namespace qal::test {

// One qal-central-sim process on a free loopback port for a test, with its own folders for the
// record of requests and the received attachments, and a scenario file the test rewrites.
class CentralSim
{
public:
    explicit CentralSim(const QStringList &extraArguments = {});

    bool running() const { return port() != 0; }
    quint16 port() const { return m_server ? m_server->port() : 0; }
    QString server() const;

    // The client's settings for this simulator (time-out timeoutMs).
    soap::SoapSettings settings(int timeoutMs = 10000) const;

    // Points a program folder's QalReg.INI (file) at this simulator, with a time-out.
    void writeQalRegIni(const QString &file, int timeoutSeconds = 10) const;

    // Replaces the scenario: {"Operation": {"mode": ..., "result": ..., "delayMs": ...}}.
    void setScenario(const QJsonObject &scenario);

    // One line of requests.log: seq, method, path, SOAPAction, operation, status, note.
    QList<QStringList> requests() const;
    QByteArray requestBody(int seq) const;
    QString attachmentsDir() const { return m_folder.file(QStringLiteral("attachments")); }
    QString recordDir() const { return m_folder.file(QStringLiteral("record")); }

private:
    TempFolder m_folder;
    std::unique_ptr<LoopbackServer> m_server;
};

} // namespace qal::test
