#pragma once

#include "QALMessage.h"
#include "SoapSettings.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>

namespace qal::soap {

// The worker thread of one web-service send: it owns its message, calls SendMessage and
// keeps what came back. It touches nothing outside itself; whoever started it reads the
// results once it has finished.
class TSendQALMessage : public QThread
{
    Q_OBJECT

public:
    TSendQALMessage(QALMessage msg, SoapSettings settings, QObject *parent = nullptr);

    const QALMessage &message() const { return m_msg; }

    // ---- results, once finished
    bool ok() const { return m_ok; }
    const QString &resultado() const { return m_resultado; } // the service's answer
    const QString &error() const { return m_error; }         // "Error SendMessage: ..." on failure
    qint64 tiempoMs() const { return m_tiempoMs; }
    // The line of the web-service log: request, office, time and the answer (or, after a
    // failure, the error).
    QString lineaLog() const;

protected:
    void run() override;

private:
    QALMessage m_msg;
    SoapSettings m_settings;
    bool m_ok = false;
    QString m_resultado;
    QString m_error;
    qint64 m_tiempoMs = 0;
};

} // namespace qal::soap
