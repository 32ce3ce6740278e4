#pragma once

#include "exchange/MailServer.h"
#include "exchange/THeaderMsg.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace qal {
class Tdm;
}

namespace qal::exchange {

class MailBytes;
class Pop3Session;
class ReceivedMessage;
struct EncodedMail;

// The mail data module: the office's POP3 and SMTP account and every mail operation. Each
// operation returns success and hands back an error text that starts with the operation's
// name; none throws. One POP3 session stays open from ConnectPOP3 until DeleteMail (whose
// QUIT commits the deletion) or the next ConnectPOP3. SMTP connects once per message.
class TdmMail : public QObject
{
    Q_OBJECT

public:
    // Loads the account from the settings of dm.
    explicit TdmMail(Tdm &dm, QObject *parent = nullptr);
    ~TdmMail() override;

    // ---- the account, in memory
    QString POP3Server;
    int POP3Port = 0;
    QString POP3User;
    QString POP3Password; // clear here, scrambled in the settings
    QString SMTPServer;
    int SMTPPort = 0;
    QString SMTPUser, SMTPPassword; // only the settings window's hidden controls set them
    int SMTPAuthentication = 0;     // 0 none, 1 simple login
    QString UserEmail;
    QString EmailFwd;
    bool LogOpeMail = false;
    QString CAFile; // certificates the servers are checked against; empty: the system's
    qint64 tamanoEnvio = 0;    // size of the message being sent, for the progress window
    qint64 tamanoRecepcion = 0; // size of the message being read

    bool LeerConfigCorreo(QString *error = nullptr);
    // waitFin: the transport selector's wait-for-finish flag, stored with the account.
    bool GrabarConfigCorreo(bool waitFin, QString *error = nullptr);

    bool ConnectPOP3(QString *error);
    bool GetTotMsgInbox(int *count, QString *error);
    bool GetHeadMail(int index, THeaderMsg *header, QString *error);
    bool GetMail(int index, QStringList *body, QList<AttachmentRow> *attachments, QString *error = nullptr);
    // Saves the attachments of message index into folder under the names they carry; with
    // onlyNames, only the attachments named so (ignoring case), under those spellings.
    bool SaveAllAttachToPath(int index, const QString &folder, QString *error, const QStringList &onlyNames = {});
    bool SaveAttachToFile(int index, int part, const QString &fileName, QString *error);
    bool DeleteMail(int index, QString *error);
    // The server's unique id (UIDL) of message index.
    bool GetUIDL(int index, QString *uidl, QString *error);
    // Deletes message index only while it is still the message whose id is uidl, and only
    // reports success once a new session no longer lists that id: a deletion the server did
    // not commit is a failure. The checking session stays open.
    bool DeleteMail(int index, const QString &uidl, QString *error);
    bool ForwardMail(int index, const QString &address, QString *error);
    // The body's first full stop becomes a blank, also in the caller's lines.
    bool SendMail(const THeaderMsg &header, QStringList &body, QString *error, const QStringList &attachments = {});
    bool GetInboxHeaders(QString *error, QList<InboxHeaderRow> *rows);

    bool conectado() const { return m_pop3 != nullptr; }
    void Disconnect();

    MailServer pop3Server() const;
    MailServer smtpServer() const;

Q_SIGNALS:
    // A transfer moved on: sending (SMTP) or receiving (POP3), percent of the known size.
    // Emitted on the transfer's own thread; connect with the default connection type.
    void transferencia(bool enviando, int porcentaje);
    void transferenciaTerminada();

private:
    class Busy;
    bool ensureConnected(QString *reason);
    bool retrieve(int index, std::unique_ptr<ReceivedMessage> *message, QString *reason);
    bool retrieveRaw(int index, MailBytes *raw, QString *reason);
    bool sendEncoded(const EncodedMail &mail, QString *reason);
    void log(const QString &line) const;

    Tdm &m_dm;
    std::unique_ptr<Pop3Session> m_pop3;
    bool m_busy = false;
};

} // namespace qal::exchange
