#include "TSendQALMessage.h"

#include "CentralServices.h"

namespace qal::soap {

TSendQALMessage::TSendQALMessage(QALMessage msg, SoapSettings settings, QObject *parent)
    : QThread(parent), m_msg(std::move(msg)), m_settings(std::move(settings))
{
}

void TSendQALMessage::run()
{
    QElapsedTimer stopwatch;
    stopwatch.start();
    m_resultado.clear();
    m_error.clear();
    m_ok = CentralServices(m_settings).SendMessage(m_msg, m_resultado, m_error);
    if (!m_ok)
        m_resultado.clear();
    m_tiempoMs = stopwatch.elapsed();
}

QString TSendQALMessage::lineaLog() const
{
    return QStringLiteral("Envío pedido: %1 - regional: %2 - tiempo: %3 (ms) - Resultado: %4")
        .arg(m_msg.Pedido)
        .arg(m_msg.Regional)
        .arg(m_tiempoMs)
        .arg(m_ok ? m_resultado : m_error);
}

} // namespace qal::soap
