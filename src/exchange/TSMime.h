#pragma once

#include "exchange/TdmMail.h"
#include "exchange/WebServiceTransport.h"

#include "data/MessageTransport.h"

#include <QObject>
#include <QString>

#include <memory>

namespace qal {
class Tdm;
}

namespace qal::exchange {

// The transport selector: sends a message to the central office by the message web service
// when that is configured, else by Outlook when that is configured and ready, else by SMTP.
// Outlook automation does not exist on this system, so its transport is never ready and
// mail goes by SMTP and POP3.
class TSMime : public QObject, public MessageTransport
{
    Q_OBJECT

public:
    // Reads envWebService, usaOutlook and waitFin; folder is the program folder.
    TSMime(Tdm &dm, const QString &folder, QObject *parent = nullptr);
    ~TSMime() override;

    bool EnviarMensaje(const QString &destinatario, const QString &asunto, int pedido, int regional,
                       const QStringList &adjuntos, const QString &cuerpo) override;
    bool EnviarPorSMTP(const QString &destinatario, const QString &asunto, const QStringList &adjuntos,
                       const QString &cuerpo);
    bool EnviarPorOutlook(const QString &destinatario, const QString &asunto, const QStringList &adjuntos,
                          const QString &cuerpo);
    bool EnviarPorWebService(const QString &destinatario, const QString &asunto, int pedido, int regional,
                             const QStringList &adjuntos, const QString &cuerpo);
    // Empties Outlook's deleted items; nothing to do without an Outlook session.
    void VaciarElementosEliminados();

    // The message web service's client installs itself here at start.
    void setWebServiceTransport(std::unique_ptr<WebServiceTransport> transport);
    bool hayServicioWeb() const { return m_webService != nullptr; }

    TdmMail &dmMail() { return *m_mail; }
    Tdm &datos() { return m_dm; }

    // ---- state
    bool guardarAdjuntos = true;
    bool recolectarParaBorrar = true;
    QString carpeta;
    bool usaWebService = true;
    bool usaOutlook = false;
    bool esperarFin = true;
    bool outlookListo() const { return false; }

private:
    Tdm &m_dm;
    std::unique_ptr<TdmMail> m_mail;
    std::unique_ptr<WebServiceTransport> m_webService;
};

// Shown once at start when the settings ask for Outlook.
inline constexpr char kOutlookNoDisponible[] =
    "Outlook no está disponible en este sistema.\rEl correo se enviará y recibirá por SMTP y POP3.";

} // namespace qal::exchange

// The data module's transport object (sending and reading the mailbox), for every user of
// the transport selector.
#include "exchange/TSMimeReg.h"
