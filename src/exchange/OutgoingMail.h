#pragma once

#include "exchange/MailBytes.h"

#include <QString>
#include <QStringList>

namespace qal::exchange {

// One message to be written for SMTP.
struct OutgoingMail
{
    QString from;     // "Name <addr>" or a bare address
    QString to;       // comma-separated addresses
    QString cc;
    QString bcc;      // envelope only: never written as a header
    QString subject;
    QString receipt;  // address for a read receipt
    int priority = 2; // 0 highest .. 4 lowest
    QString body;
    QStringList attachmentPaths;
};

// What SMTP needs to send one message: the envelope and the bytes, with CR LF line ends.
struct EncodedMail
{
    QString sender;
    QStringList recipients;
    MailBytes bytes;
};

// Content type an attachment is sent with, chosen by its file name.
QString tipoContenido(const QString &fileName);

// Writes the message. Fails (with a reason) on a missing attachment file, an address that
// cannot be read or a message without recipients.
bool encodeMail(const OutgoingMail &mail, EncodedMail *out, QString *error);

// The message in raw, unchanged but for its subject (suffix appended), its recipients
// (replaced by address) and its CC/BCC (removed); the sender stays.
bool encodeForward(MailBytes raw, const QString &suffix, const QString &address, const QString &fallbackSender,
                   EncodedMail *out, QString *error);

// Header texts never carry line breaks: a CR or LF would start a header of its own.
QString singleLine(const QString &text);

} // namespace qal::exchange
