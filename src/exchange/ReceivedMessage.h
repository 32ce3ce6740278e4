#pragma once

#include "exchange/MailBytes.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace qal::exchange {

// One leaf part of a message, numbered from 0 in the order the parts appear.
struct MimePartInfo
{
    int index = 0;
    QString filename;
    QString contentType; // "type/subtype", lower case
    bool text = false;       // a text part of the body
    bool attachment = false; // a part carrying a file
};

// A message as read from the mailbox, parsed with GMime. Texts are decoded (RFC 2047 words,
// charsets; 8-bit header bytes that are not UTF-8 are read as Windows-1252).
class ReceivedMessage
{
public:
    // Parses the whole message (or only its header, from TOP n 0); takes the bytes over.
    // Never fails on malformed input: what cannot be read is left out.
    static std::unique_ptr<ReceivedMessage> parse(MailBytes bytes);
    ~ReceivedMessage();

    QString subject() const;
    QString from() const;
    QString fromAddress() const; // the first sender's bare address
    QString to() const;
    QString cc() const;
    QString bcc() const;
    QString receipt() const;     // Disposition-Notification-To
    QString messageId() const;
    QString organization() const;
    QDateTime date() const;
    int priority() const;        // 1 (highest) .. 5 (lowest), 3 when not stated
    QString contentType() const; // "type/subtype" of the message itself, lower case
    QString header(const char *name) const;

    const QList<MimePartInfo> &parts() const { return m_parts; }
    QList<MimePartInfo> attachments() const;
    // The text of every text part, in order, split into lines.
    QStringList bodyLines() const;

    // Writes the decoded content of part index to path, replacing it.
    bool savePart(int index, const QString &path, QString *error) const;
    // The decoded content of part index (empty for an index out of range).
    QByteArray partBytes(int index) const;

private:
    struct Impl;
    explicit ReceivedMessage(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
    QList<MimePartInfo> m_parts;
};

} // namespace qal::exchange
