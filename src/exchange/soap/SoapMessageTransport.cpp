#include "SoapMessageTransport.h"

#include "QALMessage.h"
#include "TSendQALMessage.h"

#include <QEventLoop>
#include <QPointer>

namespace qal::soap {

SoapMessageTransport::SoapMessageTransport(SettingsSource settings, LogSink log, QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_log(std::move(log))
{
}

SoapMessageTransport::~SoapMessageTransport()
{
    esperarEnvios();
}

bool SoapMessageTransport::send(const exchange::OutgoingMessage &message, bool waitForFinish, QString *error)
{
    QALMessage msg;
    msg.Pedido = message.pedido;
    msg.Regional = message.regional;
    const NetworkIdentity id = obtenerIdentidad ? obtenerIdentidad() : NetworkIdentity {};
    msg.MAC = id.mac;
    msg.HostName = id.host;
    msg.Recipients = message.recipients;
    msg.Subject = message.subject;
    msg.Body = message.body;
    msg.addFiles(message.attachmentPaths);

    auto *worker = new TSendQALMessage(std::move(msg), m_settings(), this);
    m_running << worker;
    if (!waitForFinish) {
        // Queued to this object's thread: the worker never waits for the log.
        const QPointer<TSendQALMessage> watched(worker);
        connect(
            worker, &QThread::finished, this, [this, watched] {
                if (watched)
                    finished(watched);
            },
            Qt::QueuedConnection);
        worker->start();
        return true;
    }

    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    const bool ok = worker->ok();
    if (!ok && error)
        *error = worker->error();
    finished(worker);
    return ok;
}

void SoapMessageTransport::finished(TSendQALMessage *worker)
{
    if (!m_running.removeOne(worker))
        return; // already logged
    worker->wait();
    if (m_log)
        m_log(worker->lineaLog());
    delete worker;
}

void SoapMessageTransport::esperarEnvios()
{
    while (!m_running.isEmpty())
        finished(m_running.front());
}

} // namespace qal::soap
