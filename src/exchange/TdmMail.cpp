#include "exchange/TdmMail.h"

#include "exchange/AttachmentName.h"
#include "exchange/MailBytes.h"
#include "exchange/OutgoingMail.h"
#include "exchange/Pop3Session.h"
#include "exchange/ReceivedMessage.h"
#include "exchange/SmtpSender.h"

#include "core/Clock.h"
#include "data/ActivityLog.h"
#include "data/PasswordProtection.h"
#include "data/SettingsCatalogue.h"
#include "data/Tdm.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>

#include <exception>

namespace qal::exchange {

namespace {

constexpr int kDefaultPop3Port = 110;
constexpr int kDefaultSmtpPort = 25;

QString ahora()
{
    return Clock::now().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QString resultado(bool ok)
{
    return ok ? QStringLiteral("True") : QStringLiteral("False");
}

int portNumber(const QString &text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok ? port : 0;
}

// Percent of a known size, for the progress window; -1 when the size is not known.
int percent(qint64 done, qint64 total)
{
    if (total <= 0)
        return -1;
    return static_cast<int>(std::min<qint64>(100, done * 100 / total));
}

} // namespace

// Marks the module busy for one operation. The windows stay live during a transfer, so an
// operator (or the reception timer) could start a second one; it is refused instead of
// sharing the connection.
class TdmMail::Busy
{
public:
    explicit Busy(TdmMail &mail)
        : m_mail(mail)
        , m_owner(!mail.m_busy)
    {
        mail.m_busy = true;
    }
    ~Busy()
    {
        if (m_owner) {
            m_mail.m_busy = false;
            Q_EMIT m_mail.transferenciaTerminada();
        }
    }
    bool refused(QString *reason) const
    {
        if (m_owner)
            return false;
        *reason = QStringLiteral("otra operación de correo está en curso");
        return true;
    }

private:
    TdmMail &m_mail;
    bool m_owner;
};

TdmMail::TdmMail(Tdm &dm, QObject *parent)
    : QObject(parent)
    , m_dm(dm)
{
    LeerConfigCorreo();
}

TdmMail::~TdmMail() = default;

bool TdmMail::LeerConfigCorreo(QString *error)
{
    try {
        POP3Server = m_dm.LeerParametro(QStringLiteral("pop3Name"));
        POP3Port = portNumber(m_dm.LeerParametro(QStringLiteral("pop3Port")));
        POP3User = m_dm.LeerParametro(QStringLiteral("pop3User"));
        POP3Password = ComplementarClave(m_dm.LeerParametro(QStringLiteral("pop3PwdE")));
        SMTPServer = m_dm.LeerParametro(QStringLiteral("smtpName"));
        SMTPPort = portNumber(m_dm.LeerParametro(QStringLiteral("smtpPort")));
        SMTPUser.clear();
        SMTPPassword.clear();
        SMTPAuthentication = 0;
        UserEmail = m_dm.LeerParametro(QStringLiteral("userEmail"));
        EmailFwd = m_dm.LeerParametro(QStringLiteral("emailFwd"));
        LogOpeMail = m_dm.LeerParametro(QStringLiteral("LogOpeMail")) == QLatin1String("S");
        CAFile = m_dm.LeerParametro(QStringLiteral("mailCAFile")).trimmed();
        return true;
    } catch (const std::exception &) {
        if (error)
            *error = QStringLiteral("ERROR: Al leer configuración de la cuenta de correo");
        return false;
    }
}

bool TdmMail::GrabarConfigCorreo(bool waitFin, QString *error)
{
    const QList<QPair<QString, QString>> values {
        {QStringLiteral("pop3Name"), POP3Server},
        {QStringLiteral("pop3Port"), QString::number(POP3Port)},
        {QStringLiteral("pop3User"), POP3User},
        {QStringLiteral("pop3PwdE"), ComplementarClave(POP3Password)},
        {QStringLiteral("smtpName"), SMTPServer},
        {QStringLiteral("smtpPort"), QString::number(SMTPPort)},
        {QStringLiteral("userEmail"), UserEmail},
        {QStringLiteral("emailFwd"), EmailFwd},
        {QStringLiteral("waitFin"), flagText(waitFin)},
    };
    bool ok = true;
    for (const auto &[key, value] : values)
        ok = m_dm.GrabarParametro(key, value) && ok;
    if (!ok && error)
        *error = QStringLiteral("ERROR: Al guardar configuración de la cuenta de correo");
    return ok;
}

MailServer TdmMail::pop3Server() const
{
    MailServer server;
    server.host = POP3Server;
    server.port = POP3Port > 0 ? POP3Port : kDefaultPop3Port;
    server.user = POP3User;
    server.password = POP3Password;
    server.caFile = CAFile;
    return server;
}

MailServer TdmMail::smtpServer() const
{
    MailServer server;
    server.host = SMTPServer;
    server.port = SMTPPort > 0 ? SMTPPort : kDefaultSmtpPort;
    server.login = SMTPAuthentication == 1;
    server.user = SMTPUser;
    server.password = SMTPPassword;
    server.caFile = CAFile;
    return server;
}

void TdmMail::log(const QString &line) const
{
    if (LogOpeMail)
        RegistrarActividad(line);
}

void TdmMail::Disconnect()
{
    m_pop3.reset();
}

bool TdmMail::ConnectPOP3(QString *error)
{
    Disconnect();
    auto session = std::make_unique<Pop3Session>(pop3Server());
    QString reason;
    if (!session->noop(&reason)) {
        *error = QStringLiteral("Error ConnectPOP3: ") + reason;
        return false;
    }
    m_pop3 = std::move(session);
    return true;
}

bool TdmMail::ensureConnected(QString *reason)
{
    return m_pop3 || ConnectPOP3(reason);
}

bool TdmMail::GetTotMsgInbox(int *count, QString *error)
{
    *count = -1;
    Busy busy(*this);
    QString reason;
    if (busy.refused(&reason) || !ConnectPOP3(&reason) || !m_pop3->stat(count, &reason)) {
        *count = -1;
        *error = QStringLiteral("Error GetTotMsgInbox: ") + reason;
        return false;
    }
    return true;
}

bool TdmMail::GetHeadMail(int index, THeaderMsg *header, QString *error)
{
    Busy busy(*this);
    QString reason;
    MailBytes bytes;
    if (busy.refused(&reason) || !ensureConnected(&reason) || !m_pop3->top(index, &bytes, &reason)) {
        *error = QStringLiteral("Error GetHeadMail: ") + reason;
        return false;
    }
    const auto message = ReceivedMessage::parse(std::move(bytes));
    header->MsgId = message->messageId();
    header->From = message->from();
    header->To = message->to();
    header->Subject = message->subject();
    header->Priority = message->priority();
    header->CC = message->cc();
    header->BCC = message->bcc();
    header->Receipt = message->receipt();
    return true;
}

bool TdmMail::retrieveRaw(int index, MailBytes *raw, QString *reason)
{
    if (!ensureConnected(reason))
        return false;
    qint64 size = 0;
    if (!m_pop3->listSize(index, &size, reason))
        return false;
    tamanoRecepcion = size;
    int shown = -1;
    m_pop3->setProgress([this, size, &shown](qint64 now) {
        const int p = percent(now, size);
        if (p != shown) {
            shown = p;
            Q_EMIT transferencia(false, p);
        }
    });
    const bool ok = m_pop3->retr(index, size, raw, reason);
    m_pop3->setProgress({});
    if (!ok)
        Disconnect(); // what the session holds is no longer known; no deletion is pending
    return ok;
}

bool TdmMail::retrieve(int index, std::unique_ptr<ReceivedMessage> *message, QString *reason)
{
    MailBytes raw;
    if (!retrieveRaw(index, &raw, reason))
        return false;
    *message = ReceivedMessage::parse(std::move(raw));
    return true;
}

bool TdmMail::GetMail(int index, QStringList *body, QList<AttachmentRow> *attachments, QString *error)
{
    attachments->clear();
    Busy busy(*this);
    QString reason;
    std::unique_ptr<ReceivedMessage> message;
    const bool ok = !busy.refused(&reason) && retrieve(index, &message, &reason);
    if (ok) {
        *body += message->bodyLines();
        for (const MimePartInfo &part : message->attachments())
            attachments->append({part.index, part.filename, part.contentType});
    } else if (error) {
        *error = reason;
    }
    log(QStringLiteral("%1 - From: %2 - Tema: %3 - MailIndex: %4 - GetMail Result: %5 ")
            .arg(ahora(), message ? message->from() : QString(), message ? message->subject() : QString())
            .arg(index)
            .arg(resultado(ok)));
    return ok;
}

namespace {

// The file name of a message that is itself one file, from its Content-Disposition text:
// `attachment; filename="resp.dat"` gives "resp.dat".
QString dispositionFileName(const QString &disposition)
{
    QString text = disposition;
    const qsizetype at = text.indexOf(QLatin1String("attachment;"), 0, Qt::CaseInsensitive);
    if (at >= 0)
        text.remove(at, 11);
    text.remove(QLatin1Char('"'));
    text.remove(QLatin1Char(' '));
    text.remove(QLatin1Char('\t'));
    for (const QString &pair : text.split(QLatin1Char(';'))) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq > 0 && pair.left(eq).compare(QLatin1String("filename"), Qt::CaseInsensitive) == 0)
            return pair.mid(eq + 1);
    }
    return {};
}

bool savePartInto(const ReceivedMessage &message, int part, const QString &folder, const QString &name,
                  QString *reason)
{
    const QString path = rutaAdjunto(folder, name);
    if (path.isEmpty()) {
        *reason = QStringLiteral("Nombre de adjunto no válido: \"%1\"").arg(name);
        return false;
    }
    if (QFile::exists(path) && !QFile::remove(path)) {
        *reason = QStringLiteral("Error DeleteFile:") + path;
        return false;
    }
    QString why;
    if (!message.savePart(part, path, &why)) {
        *reason = QStringLiteral("Error SaveToFile:") + path + QStringLiteral(" - ") + why;
        return false;
    }
    return true;
}

} // namespace

bool TdmMail::SaveAllAttachToPath(int index, const QString &folder, QString *error, const QStringList &onlyNames)
{
    // The name a part is saved under: its own, or with onlyNames the listed spelling of it.
    const auto target = [&onlyNames](const QString &name) -> QString {
        if (onlyNames.isEmpty())
            return name;
        const QString safe = nombreAdjuntoSeguro(name);
        for (const QString &wanted : onlyNames) {
            if (safe.compare(wanted, Qt::CaseInsensitive) == 0)
                return wanted;
        }
        return {};
    };
    Busy busy(*this);
    QString reason;
    std::unique_ptr<ReceivedMessage> message;
    const auto fail = [&error](const QString &why) {
        *error = QStringLiteral("ERROR SaveAllAttachToPath: ") + why;
        return false;
    };
    if (busy.refused(&reason))
        return fail(reason);
    if (!retrieve(index, &message, &reason))
        return fail(QStringLiteral("Error RetrieveMail:%1 - %2").arg(index).arg(reason));
    const QString type = message->contentType();
    if (type.contains(QLatin1String("multipart/mixed"))) {
        for (const MimePartInfo &part : message->attachments()) {
            const QString name = target(part.filename);
            if (name.isEmpty())
                continue; // nothing names a file to save it as, or not one asked for
            if (!savePartInto(*message, part.index, folder, name, &reason))
                return fail(reason);
        }
    } else if (type.contains(QLatin1String("application/octet-stream"))) {
        QString name = dispositionFileName(message->header("Content-Disposition"));
        if (name.isEmpty() && !message->parts().isEmpty())
            name = message->parts().first().filename;
        if (!onlyNames.isEmpty()) {
            name = target(name);
            if (name.isEmpty())
                return true;
        }
        if (!savePartInto(*message, 0, folder, name, &reason))
            return fail(reason);
    }
    return true;
}

bool TdmMail::SaveAttachToFile(int index, int part, const QString &fileName, QString *error)
{
    if (fileName.trimmed().isEmpty()) {
        *error = QStringLiteral("Error: El nombre del archivo destino no puede ser vacio");
        return false;
    }
    if (!conectado()) {
        *error = QStringLiteral("Error: Se ha perdido la conexión con el servidor. Vuelva a consultar los mensajes.");
        return false;
    }
    Busy busy(*this);
    QString reason;
    std::unique_ptr<ReceivedMessage> message;
    if (busy.refused(&reason) || !retrieve(index, &message, &reason)) {
        *error = QStringLiteral("Error SaveAttachToFile: ") + reason;
        return false;
    }
    if (QFile::exists(fileName) && !QFile::remove(fileName)) {
        *error = QStringLiteral("Error DeleteFile:") + fileName;
        return false;
    }
    if (!message->savePart(part, fileName, &reason)) {
        *error = QStringLiteral("Error SaveToFile:") + fileName + QStringLiteral(" - ") + reason;
        return false;
    }
    return true;
}

bool TdmMail::DeleteMail(int index, QString *error)
{
    Busy busy(*this);
    QString reason;
    if (busy.refused(&reason) || !ensureConnected(&reason)) {
        *error = QStringLiteral("Error DeleteMail: ") + reason;
        return false;
    }
    if (!m_pop3->dele(index, &reason)) {
        *error = QStringLiteral("Error DeleteMail: Error Delete MsgIdx:%1 - %2").arg(index).arg(reason);
        Disconnect();
        return false;
    }
    Disconnect(); // QUIT commits the deletion
    return true;
}

bool TdmMail::GetUIDL(int index, QString *uidl, QString *error)
{
    Busy busy(*this);
    QString reason;
    if (busy.refused(&reason) || !ensureConnected(&reason) || !m_pop3->uidl(index, uidl, &reason)) {
        *error = QStringLiteral("Error GetUIDL: ") + reason;
        return false;
    }
    return true;
}

bool TdmMail::DeleteMail(int index, const QString &uidl, QString *error)
{
    Busy busy(*this);
    QString reason;
    const auto fail = [&](const QString &why) {
        *error = QStringLiteral("Error DeleteMail: ") + why;
        return false;
    };
    if (busy.refused(&reason) || !ensureConnected(&reason))
        return fail(reason);
    QString now;
    if (!m_pop3->uidl(index, &now, &reason)) {
        Disconnect();
        return fail(reason);
    }
    if (now != uidl) {
        Disconnect();
        return fail(QStringLiteral("el mensaje %1 del servidor ya no es el que se procesó (%2)").arg(index).arg(uidl));
    }
    if (!m_pop3->dele(index, &reason)) {
        Disconnect();
        return fail(QStringLiteral("Error Delete MsgIdx:%1 - %2").arg(index).arg(reason));
    }
    Disconnect(); // QUIT commits the deletion; whether it did, only a new session tells
    QStringList ids;
    if (!ConnectPOP3(&reason) || !m_pop3->uidlAll(&ids, &reason)) {
        Disconnect();
        return fail(QStringLiteral("no se pudo comprobar la eliminación del mensaje %1 - %2").arg(index).arg(reason));
    }
    if (ids.contains(uidl))
        return fail(QStringLiteral("el servidor no confirmó la eliminación del mensaje %1").arg(index));
    return true;
}

bool TdmMail::sendEncoded(const EncodedMail &mail, QString *reason)
{
    tamanoEnvio = mail.bytes.size();
    const qint64 size = tamanoEnvio;
    int shown = -1;
    return smtpSend(smtpServer(), mail, [this, size, &shown](qint64 now) {
        const int p = percent(now, size);
        if (p != shown) {
            shown = p;
            Q_EMIT transferencia(true, p);
        }
    }, reason);
}

bool TdmMail::ForwardMail(int index, const QString &address, QString *error)
{
    Busy busy(*this);
    QString reason;
    MailBytes raw;
    if (busy.refused(&reason)) {
        *error = QStringLiteral("Error ForwardMail: ") + reason;
        return false;
    }
    if (!retrieveRaw(index, &raw, &reason)) {
        *error = QStringLiteral("Error ForwardMail: Error ForwardMail:%1 - %2").arg(index).arg(reason);
        return false;
    }
    EncodedMail mail;
    if (!encodeForward(std::move(raw), QStringLiteral(" (REENVIO QAL REGIONAL)"), address, UserEmail, &mail, &reason)
        || !sendEncoded(mail, &reason)) {
        *error = QStringLiteral("Error ForwardMail: ") + reason;
        return false;
    }
    return true;
}

bool TdmMail::SendMail(const THeaderMsg &header, QStringList &body, QString *error, const QStringList &attachments)
{
    QElapsedTimer clock;
    clock.start();
    QString text = body.isEmpty() ? QString() : body.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    const qsizetype stop = text.indexOf(QLatin1Char('.'));
    if (stop >= 0)
        text[stop] = QLatin1Char(' ');
    body = text.isEmpty() ? QStringList() : text.chopped(2).split(QStringLiteral("\r\n"));

    OutgoingMail mail;
    mail.from = header.From.isEmpty() ? UserEmail : header.From;
    mail.to = header.To;
    mail.cc = header.CC;
    mail.bcc = header.BCC;
    mail.subject = header.Subject;
    mail.receipt = header.Receipt;
    mail.priority = header.Priority;
    mail.body = text;
    mail.attachmentPaths = attachments;

    Busy busy(*this);
    QString reason;
    EncodedMail encoded;
    const bool ok = !busy.refused(&reason) && encodeMail(mail, &encoded, &reason) && sendEncoded(encoded, &reason);
    if (!ok)
        *error = QStringLiteral("Error SendMail: ") + reason;
    QString flat = text;
    flat.remove(QStringLiteral("\r\n"));
    log(QStringLiteral("%1 - To: %2 - Tema: %3 - SendMail Result: %4 - Tiempo: %5 seg - Texto: %6")
            .arg(ahora(), header.To, header.Subject, resultado(ok),
                 QLocale().toString(static_cast<double>(clock.elapsed()) / 1000.0, 'f', 2), flat));
    return ok;
}

bool TdmMail::GetInboxHeaders(QString *error, QList<InboxHeaderRow> *rows)
{
    rows->clear();
    QString reason;
    if (!ConnectPOP3(&reason)) {
        *error = QStringLiteral("Error al conectarse al POP3: ") + reason;
        return false;
    }
    Busy busy(*this);
    int count = 0;
    QList<qint64> sizes;
    if (busy.refused(&reason) || !m_pop3->stat(&count, &reason) || !m_pop3->listAll(&sizes, &reason)) {
        *error = QStringLiteral("Error GetInboxHeaders: ") + reason;
        return false;
    }
    for (int i = 1; i <= count; ++i) {
        InboxHeaderRow row;
        row.Index = i;
        MailBytes bytes;
        if (!m_pop3->top(i, &bytes, &reason)) {
            row.Subject = QStringLiteral("ERROR");
            rows->append(row);
            continue;
        }
        const auto message = ReceivedMessage::parse(std::move(bytes));
        row.Subject = message->subject();
        row.From = message->from();
        row.Date = message->date();
        row.Bytes = sizes.value(i - 1);
        row.UIDL = QStringLiteral("n/a");
        row.Recipients = message->to();
        row.Cc = message->cc();
        row.Receipt = message->receipt();
        row.Organization = message->organization();
        row.Priority = message->priority();
        row.MsgId = message->messageId();
        row.ContentType = message->contentType();
        rows->append(row);
    }
    return true;
}

} // namespace qal::exchange
