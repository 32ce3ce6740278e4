#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// The central office's mail account on a mail server: its mailbox read by POP3 and its
// outgoing mail sent by SMTP (libcurl; plain connections, the simulator runs on loopback).
struct MailAccount
{
    QString pop3;     // "pop3://127.0.0.1:PORT"
    QString user;
    QString password;
    QString smtp;     // "smtp://127.0.0.1:PORT"
    QString address;  // the central office's address, sender of its answers
    bool configured() const { return !pop3.isEmpty() && !smtp.isEmpty(); }
};

class CentralMailbox
{
public:
    explicit CentralMailbox(MailAccount account);

    // One POP3 session: every message of the mailbox, oldest first, is handed to handle; those
    // it returns true for are deleted when the session ends. False with the reason when the
    // session failed (messages already handled stay unless their deletion went through).
    bool read(const std::function<bool(const QByteArray &message)> &handle, QString &problem) const;

    // Sends one message (complete, CR LF lines) to these recipients.
    bool send(const QStringList &recipients, const QByteArray &message, QString &problem) const;

    const MailAccount &account() const { return m_account; }

private:
    MailAccount m_account;
};
