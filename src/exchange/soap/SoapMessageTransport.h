#pragma once

#include "SoapSettings.h"

#include "data/NetworkIdentity.h"
#include "exchange/WebServiceTransport.h"

#include <QList>
#include <QObject>

#include <functional>

namespace qal::soap {

class TSendQALMessage;

// The message web service as the transport selector uses it: each send runs on its own
// TSendQALMessage worker. The log line of a send is handed to the log on this object's
// thread once the worker has finished, without the worker ever waiting for it. Destroying
// the transport waits for the sends still running (each ends by its time-out at the latest)
// and logs them.
class SoapMessageTransport : public QObject, public exchange::WebServiceTransport
{
    Q_OBJECT

public:
    using SettingsSource = std::function<SoapSettings()>;
    using LogSink = std::function<void(const QString &line)>;

    SoapMessageTransport(SettingsSource settings, LogSink log, QObject *parent = nullptr);
    ~SoapMessageTransport() override;

    // Builds the message (with this computer's identity and the files' contents) and starts
    // its worker. waitForFinish: waits for it, keeping this thread's events going, and returns
    // false with the error when the central office did not take the message.
    bool send(const exchange::OutgoingMessage &message, bool waitForFinish, QString *error) override;

    int enCurso() const { return static_cast<int>(m_running.size()); }
    // Waits for every running send and logs it.
    void esperarEnvios();

    std::function<NetworkIdentity()> obtenerIdentidad = GetNetworkInfo;

private:
    void finished(TSendQALMessage *worker);

    SettingsSource m_settings;
    LogSink m_log;
    QList<TSendQALMessage *> m_running;
};

} // namespace qal::soap
