#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace qal::test {

// The mail servers the test suite started on loopback (tests/mailrig, a CTest fixture):
// their ports and CA, read from the rig's env file, and direct access to its one mailbox.
struct MailRig
{
    QString dir;
    QString host;
    int smtpPort = 0, smtpsPort = 0, pop3Port = 0, pop3sPort = 0;
    QString user, password;
    QString maildir, sent, ca;
    // The central office's mailbox, on a rig started with MAILRIG_CENTRAL (empty otherwise):
    // the recipient local part routed to it, its POP3 user and password.
    QString central, centralUser, centralPassword;

    // The rig named by MAILRIG_DIR; available() is false when none is running.
    static MailRig fromEnvironment();
    bool available() const { return pop3Port > 0; }

    // Deletes every message of the mailbox and every kept copy of a sent message.
    void clear() const;
    // Puts a message straight into the mailbox, as a mail delivery agent does.
    void inject(const QByteArray &message) const;
    int messageCount() const;
    // Exact bytes of every message the SMTP server accepted, oldest first.
    QList<QByteArray> sentMessages() const;
    // The envelopes (JSON text) of those messages.
    QList<QByteArray> sentEnvelopes() const;
};

} // namespace qal::test
