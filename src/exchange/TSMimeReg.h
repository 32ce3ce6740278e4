#pragma once

#include "exchange/AvisosRecepcion.h"
#include "exchange/TSMime.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

namespace qal::exchange {

// What one reading of the mailbox did.
struct ContadoresRecepcion
{
    int procesados = 0;
    int noProcesados = 0;
    int reenviados = 0;
    int total = 0;      // messages on the server at the last count
    QString error;      // why the run stopped early; empty when it went through
    QStringList fallos; // one error text per message that could not be processed
};

// The data module's one transport object. Besides sending, it reads the office's mailbox:
// every message with a known subject has its attachments saved into the program folder,
// applied to its request by the answer handlers and is then deleted; other mail is
// forwarded (or, with the message web service, discarded) and deleted.
//
// A message is deleted only while the server still gives it the id (UIDL) it had when it
// was read, and counts as done only once a new session no longer lists it. A message that
// was applied but could not be deleted is not applied again: later runs only retry the
// deletion, kMaxBorradosFallidos times, then leave it alone until the program restarts
// (after a restart the handlers recognise it as applied).
class TSMimeReg : public TSMime
{
    Q_OBJECT

public:
    TSMimeReg(Tdm &dm, const QString &folder, QObject *parent = nullptr);
    ~TSMimeReg() override;

    static constexpr int kMaxBorradosFallidos = 3;

    // Where the processing speaks; null gives a silent one. Not owned.
    void setAvisos(AvisosRecepcion *avisos);
    AvisosRecepcion &avisos() { return *m_avisos; }

    // One run: nothing before the data module finished starting; Outlook is never ready
    // here, so the mailbox is read by POP3.
    void ProcesarCorreo();
    // False when the run could not read the mailbox or a message was not processed.
    bool ProcesarBandejaPOP3();
    const ContadoresRecepcion &ultimaRecepcion() const { return m_contadores; }

    // 1 processed and deleted, 0 forwarded (or discarded) and deleted, -1 left on the server.
    int RecibirMsgIndyToQal(int index, QString *error);
    bool BorroAdjuntosTempEnDisco(const QString &folder, QString *error);
    bool EsAsuntoConocido(const QString &subject);
    bool ProcesaMsgIndyToQAL(const QString &subject, QString *error);
    // Shows what is missing of the mail account and fails when anything is.
    bool VerificarConfigCorreo();

    // The attachment names the processing reads.
    static const QStringList &adjuntosEsperados();
    // What forwarding adds to the subject; mail already carrying it is not forwarded again.
    static QString marcaReenvio() { return QStringLiteral(" (REENVIO QAL REGIONAL)"); }

private:
    struct Asuntos
    {
        QString contestacionOficial, contestacionPersonal, confirmacionPersonal;
    };
    Asuntos asuntos();
    void log(const QString &line);

    AvisosRecepcion m_silencio;
    AvisosRecepcion *m_avisos = &m_silencio;
    ContadoresRecepcion m_contadores;
    QHash<QString, int> m_sinBorrar; // UIDL of an applied message -> failed deletions
};

} // namespace qal::exchange
