#pragma once

#include "data/MessageTransport.h"

#include "core/ProgramFolder.h"

#include <QFile>
#include <QList>
#include <QMap>

namespace qal::test {

// A transport that records what it was asked to send, with the attachments as they were
// in the folder at the moment of the call (the send removes some of them afterwards).
struct RecordingTransport final : MessageTransport
{
    struct Call
    {
        QString destinatario, asunto;
        int pedido = 0, regional = 0;
        QStringList adjuntos;
        QString cuerpo;
        QMap<QString, QByteArray> archivos;
    };
    QList<Call> calls;
    bool answer = true;

    bool EnviarMensaje(const QString &destinatario, const QString &asunto, int pedido, int regional,
                       const QStringList &adjuntos, const QString &cuerpo) override
    {
        Call call {destinatario, asunto, pedido, regional, adjuntos, cuerpo, {}};
        for (const QString &name : adjuntos) {
            QFile f(ProgramFolder::resolve(name));
            if (f.open(QIODevice::ReadOnly))
                call.archivos.insert(name, f.readAll());
        }
        calls << call;
        return answer;
    }
};

} // namespace qal::test
