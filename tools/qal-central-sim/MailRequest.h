#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// A message as the central office reads it: sender, subject and the attachments by name.
struct MailRequest
{
    QString from;      // the sender's address
    QString subject;
    QString messageId;
    QMap<QString, QByteArray> attachments; // bare file name (as sent) -> decoded bytes
};

// Reads a message (MIME, any transfer encoding); false with the reason when it is no message.
bool readMailRequest(const QByteArray &bytes, MailRequest &request, QString &problem);
