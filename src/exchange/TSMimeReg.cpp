#include "exchange/TSMimeReg.h"

#include "exchange/ContestacionesCentral.h"
#include "exchange/TdmMail.h"

#include "core/Clock.h"
#include "core/Dialogs.h"
#include "data/ActivityLog.h"
#include "data/Tdm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qal::exchange {

namespace {

QString ahora()
{
    return Clock::now().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

const QString kConfirmo = QStringLiteral("CONFIRMO");
const QString kSetEstado = QStringLiteral("SETESTADO");
const QString kRechazo = QStringLiteral("RECHAZO");
const QString kRechazoP = QStringLiteral("RECHAZOP");

// A subject setting that is absent or blank names no message.
bool is(const QString &subject, const QString &setting)
{
    return !setting.isEmpty() && subject == setting;
}

// Restores the cursor however the run ends.
class Ocupado
{
public:
    explicit Ocupado(AvisosRecepcion &avisos)
        : m_avisos(avisos)
    {
        m_avisos.ocupado(true);
    }
    ~Ocupado() { m_avisos.ocupado(false); }

private:
    AvisosRecepcion &m_avisos;
};

} // namespace

TSMimeReg::TSMimeReg(Tdm &dm, const QString &folder, QObject *parent)
    : TSMime(dm, folder, parent)
{
}

TSMimeReg::~TSMimeReg() = default;

void TSMimeReg::setAvisos(AvisosRecepcion *avisos)
{
    m_avisos = avisos ? avisos : &m_silencio;
}

const QStringList &TSMimeReg::adjuntosEsperados()
{
    static const QStringList names {QStringLiteral("resp.dat"), QStringLiteral("resp.tif"),
                                    QStringLiteral("EstOfi.DAT"), QStringLiteral("EstPriv.DAT")};
    return names;
}

void TSMimeReg::log(const QString &line)
{
    if (dmMail().LogOpeMail)
        RegistrarActividad(line);
}

TSMimeReg::Asuntos TSMimeReg::asuntos()
{
    Tdm &dm = datos();
    return {dm.LeerParametro(QStringLiteral("x_msgexp")), dm.LeerParametro(QStringLiteral("x_msgexpp")),
            dm.LeerParametro(QStringLiteral("x_msgconfp"))};
}

bool TSMimeReg::EsAsuntoConocido(const QString &subject)
{
    const Asuntos a = asuntos();
    return is(subject, a.contestacionOficial) || is(subject, a.contestacionPersonal)
           || is(subject, a.confirmacionPersonal) || subject == kConfirmo || subject == kSetEstado
           || subject == kRechazo || subject == kRechazoP;
}

bool TSMimeReg::VerificarConfigCorreo()
{
    const TdmMail &m = dmMail();
    QString missing;
    const auto need = [&missing](bool ok, const char *name) {
        if (!ok)
            missing += QLatin1Char('\r') + QString::fromUtf8(name);
    };
    need(!m.POP3Server.trimmed().isEmpty(), "Servidor Pop3");
    need(m.POP3Port > 0, "Puerto Pop3");
    need(!m.POP3User.trimmed().isEmpty(), "Usuario Pop3");
    need(!m.POP3Password.isEmpty(), "Password Usuario");
    need(!m.UserEmail.trimmed().isEmpty(), "Correo electrónico");
    need(!m.SMTPServer.trimmed().isEmpty(), "Servidor Smtp");
    need(m.SMTPPort > 0, "Puerto Smtp");
    need(!m.EmailFwd.trimmed().isEmpty(), "Cuenta de reenvío");
    if (missing.isEmpty())
        return true;
    Dialogs::warning(QStringLiteral("Falta configurar datos del correo: ") + missing);
    return false;
}

bool TSMimeReg::BorroAdjuntosTempEnDisco(const QString &folder, QString *error)
{
    for (const QString &name : adjuntosEsperados()) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path) && !QFile::remove(path)) {
            *error = QStringLiteral("Error BorroAdjuntosTempEnDisco: ") + QStringLiteral("Error DeleteFile:") + path;
            return false;
        }
    }
    return true;
}

bool TSMimeReg::ProcesaMsgIndyToQAL(const QString &subject, QString *error)
{
    const auto fail = [error](const QString &text, const QString &motivo = {}) {
        *error = QStringLiteral("ERROR ProcesaMsgIndyToQAL: ") + text
                 + (motivo.isEmpty() ? QString() : QStringLiteral(" (") + motivo + QLatin1Char(')'));
        return false;
    };
    if (!EsAsuntoConocido(subject))
        return fail(QStringLiteral("No se puede procesar pedido. Asunto desconocido"));
    const Asuntos a = asuntos();
    ContestacionesCentral h(datos(), carpeta, *m_avisos);
    if (is(subject, a.contestacionOficial) && !h.ProcesarContestacionOficial())
        return fail(QStringLiteral("Error al procesar pedido oficial contestado"), h.motivo());
    if (subject == kConfirmo && !h.ProcesarConfirmacionOficial())
        return fail(QStringLiteral("Error al confirmar pedido oficial"), h.motivo());
    if ((is(subject, a.contestacionPersonal) || is(subject, a.confirmacionPersonal))
        && !h.ProcesarContestacionPersonal())
        return fail(QStringLiteral("Error al procesar confirmo/contestación de pedido privado"), h.motivo());
    if (subject == kSetEstado && !h.ProcesarEstadoCentral())
        return fail(QStringLiteral("Error al procesar estado"), h.motivo());
    if (subject == kRechazo && !h.ProcesarRechazoOficial())
        return fail(QStringLiteral("ERROR: No se pudo procesar un rechazo de pedido oficial"), h.motivo());
    if (subject == kRechazoP && !h.ProcesarRechazoPersonal())
        return fail(QStringLiteral("ERROR: No se pudo procesar un rechazo de pedido privado"), h.motivo());
    return true;
}

int TSMimeReg::RecibirMsgIndyToQal(int index, QString *error)
{
    error->clear();
    if (!usaWebService && !VerificarConfigCorreo())
        return -1;
    TdmMail &mail = dmMail();
    THeaderMsg header;
    const auto fail = [&](const QString &reason) {
        *error = QStringLiteral("Error RecibirMsgIndyToQal: ") + reason + QStringLiteral(" - MsgId: ") + header.MsgId;
        return -1;
    };
    const auto done = [&](const char *step) {
        log(QStringLiteral("%1 - From: %2 - Tema: %3 - MailIndex: %4 - %5 OK - MsgId: %6")
                .arg(ahora(), header.From, header.Subject)
                .arg(index)
                .arg(QLatin1String(step), header.MsgId));
    };
    QString e;
    if (!mail.GetHeadMail(index, &header, &e))
        return fail(e);
    log(QStringLiteral("\n\r%1 - From: %2 - Tema: %3 - MailIndex: %4 - GetHeadMail OK - MsgId: %5")
            .arg(ahora(), header.From, header.Subject)
            .arg(index)
            .arg(header.MsgId));
    QString uidl;
    if (!mail.GetUIDL(index, &uidl, &e))
        return fail(e);
    const QString borrar = QStringLiteral("No se pudo eliminar mensaje de la bandeja de entrada:");
    const auto remove = [&]() -> bool {
        if (!mail.DeleteMail(index, uidl, &e)) {
            ++m_sinBorrar[uidl];
            return false;
        }
        m_sinBorrar.remove(uidl);
        done("DeleteMail");
        return true;
    };

    // Applied on an earlier run but not deleted: only the deletion is tried again.
    if (const auto failed = m_sinBorrar.constFind(uidl); failed != m_sinBorrar.constEnd()) {
        if (*failed >= kMaxBorradosFallidos)
            return fail(borrar + QStringLiteral(" el mensaje ya se procesó y el servidor no permite eliminarlo; "
                                                "queda en el servidor"));
        return remove() ? 1 : fail(borrar + e);
    }

    if (EsAsuntoConocido(header.Subject)) {
        if (!BorroAdjuntosTempEnDisco(carpeta, &e))
            return fail(QStringLiteral("No se pudo eliminar adjuntos temporales en disco:") + e);
        done("BorroAdjuntosTempEnDisco");
        if (!mail.SaveAllAttachToPath(index, carpeta, &e, adjuntosEsperados()))
            return fail(QStringLiteral("No se pudo guardar adjuntos en disco:") + e);
        done("SaveAllAttachToPath");
        const bool applied = ProcesaMsgIndyToQAL(header.Subject, &e);
        // Nothing one message brought is ever read for another.
        QString ignored;
        BorroAdjuntosTempEnDisco(carpeta, &ignored);
        if (!applied)
            return fail(QStringLiteral("No se pudo procesar el mensaje en la base QAL: ") + e);
        done("ProcesaMsgIndyToQAL");
        return remove() ? 1 : fail(borrar + e);
    }

    if (!usaWebService) {
        // Mail this office forwarded came back (the forward address leads to this mailbox):
        // it stays where it is instead of going round again.
        if (header.Subject.contains(marcaReenvio()))
            return fail(QStringLiteral("No se pudo reenviar mensaje de la bandeja de entrada:")
                        + QStringLiteral(" el mensaje ya fue reenviado por esta regional; queda en el servidor"));
        if (!mail.ForwardMail(index, mail.EmailFwd, &e))
            return fail(QStringLiteral("No se pudo reenviar mensaje de la bandeja de entrada:") + e);
    }
    done("ForwardMail");
    return remove() ? 0 : fail(borrar + e);
}

bool TSMimeReg::ProcesarBandejaPOP3()
{
    m_contadores = {};
    ContadoresRecepcion &c = m_contadores;
    if (!usaWebService && !VerificarConfigCorreo()) {
        c.error = QStringLiteral("Falta configurar datos del correo");
        return false;
    }
    AvisosRecepcion &avisos = *m_avisos;
    const Ocupado ocupado(avisos);
    avisos.estado(QStringLiteral("Procesando mensajes de correo..."));
    TdmMail &mail = dmMail();
    QString e;
    const auto stop = [&](const QString &reason) {
        c.error = reason;
        avisos.estado(QStringLiteral("Error al procesar mensajes de correo: ") + reason);
        return false;
    };
    if (!mail.GetTotMsgInbox(&c.total, &e))
        return stop(e);
    int i = 1;
    while (c.total >= i) {
        avisos.estado(QStringLiteral("Procesando mensajes de correo...(Procesados: %1 -  No Procesados: %2 - "
                                     "Reenviados: %3) - Total en el servidor: %4")
                          .arg(c.procesados)
                          .arg(c.noProcesados)
                          .arg(c.reenviados)
                          .arg(c.total));
        switch (RecibirMsgIndyToQal(i, &e)) {
        case 1:
            ++c.procesados;
            break;
        case 0:
            ++c.reenviados;
            break;
        default:
            avisos.actividad(ahora() + QStringLiteral(" - Error al procesar correo: ") + e);
            log(QStringLiteral("%1 - MailIndex: %2 - ERROR: %3 ").arg(ahora()).arg(i).arg(e));
            c.fallos << e;
            ++i;
            ++c.noProcesados;
            break;
        }
        if (!mail.GetTotMsgInbox(&c.total, &e))
            return stop(e);
    }
    avisos.estado(QStringLiteral("Total mensajes de correo: Procesados: %1 - No procesados: %2 - Reenviados: %3 ")
                      .arg(c.procesados)
                      .arg(c.noProcesados)
                      .arg(c.reenviados));
    if (c.noProcesados > 0 && !avisos.actividadVisible())
        avisos.mostrarActividad();
    mail.Disconnect();
    return c.noProcesados == 0;
}

void TSMimeReg::ProcesarCorreo()
{
    if (!datos().InicioCompleto)
        return;
    ProcesarBandejaPOP3(); // Outlook is never ready here
}

} // namespace qal::exchange
