#pragma once

#include <QString>
#include <QStringList>

namespace qal {

// How the program sends a message to the central office (by mail or by the message web
// service, as the office is configured). The exchange layer installs it in the data module.
class MessageTransport
{
public:
    virtual ~MessageTransport() = default;

    // attachments: bare file names in the program folder. pedido: the request number (0 when
    // the message is not a request); regional: the office code. True when sent (or handed to
    // the web service); a failure has been shown to the operator.
    virtual bool EnviarMensaje(const QString &destinatario, const QString &asunto, int pedido, int regional,
                               const QStringList &adjuntos, const QString &cuerpo) = 0;
};

} // namespace qal
