#include "exchange/TSMime.h"

#include "core/Dialogs.h"
#include "data/Tdm.h"

#include <QDir>

namespace qal::exchange {

TSMime::TSMime(Tdm &dm, const QString &folder, QObject *parent)
    : QObject(parent)
    , carpeta(folder)
    , m_dm(dm)
    , m_mail(std::make_unique<TdmMail>(dm))
{
    usaWebService = dm.LeerParametro(QStringLiteral("envWebService")) != QLatin1String("N");
    usaOutlook = dm.LeerParametro(QStringLiteral("usaOutlook")) == QLatin1String("S");
    esperarFin = dm.LeerParametro(QStringLiteral("waitFin")) != QLatin1String("N");
    if (usaOutlook)
        Dialogs::warning(QString::fromUtf8(kOutlookNoDisponible));
}

TSMime::~TSMime() = default;

void TSMime::setWebServiceTransport(std::unique_ptr<WebServiceTransport> transport)
{
    m_webService = std::move(transport);
}

bool TSMime::EnviarMensaje(const QString &destinatario, const QString &asunto, int pedido, int regional,
                           const QStringList &adjuntos, const QString &cuerpo)
{
    if (usaWebService)
        return EnviarPorWebService(destinatario, asunto, pedido, regional, adjuntos, cuerpo);
    if (usaOutlook && outlookListo())
        return EnviarPorOutlook(destinatario, asunto, adjuntos, cuerpo);
    return EnviarPorSMTP(destinatario, asunto, adjuntos, cuerpo);
}

bool TSMime::EnviarPorSMTP(const QString &destinatario, const QString &asunto, const QStringList &adjuntos,
                           const QString &cuerpo)
{
    THeaderMsg header;
    header.To = destinatario;
    header.Subject = asunto;
    header.Priority = 2;
    QStringList body {cuerpo};
    QStringList paths;
    for (const QString &name : adjuntos)
        paths << QDir(carpeta).filePath(name);
    QString error;
    if (!m_mail->SendMail(header, body, &error, paths)) {
        Dialogs::error(QStringLiteral("Error al enviar: ") + error);
        return false;
    }
    return true;
}

bool TSMime::EnviarPorOutlook(const QString &, const QString &, const QStringList &, const QString &)
{
    return outlookListo(); // never ready here: nothing is sent
}

bool TSMime::EnviarPorWebService(const QString &destinatario, const QString &asunto, int pedido, int regional,
                                 const QStringList &adjuntos, const QString &cuerpo)
{
    if (!m_webService) {
        Dialogs::error(QStringLiteral("Error al enviar: el servicio web de mensajes no está disponible"));
        return false;
    }
    OutgoingMessage message;
    message.pedido = pedido;
    message.regional = regional;
    message.recipients = destinatario;
    message.subject = asunto;
    message.body = cuerpo;
    for (const QString &name : adjuntos)
        message.attachmentPaths << QDir(carpeta).filePath(name);
    QString error;
    if (!m_webService->send(message, esperarFin, &error)) {
        Dialogs::error(QStringLiteral("Error al enviar: ") + error);
        return false;
    }
    return true;
}

void TSMime::VaciarElementosEliminados()
{
}

} // namespace qal::exchange
