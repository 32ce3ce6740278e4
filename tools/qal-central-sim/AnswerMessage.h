#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

// One message of the central office to a regional office: subject and attached files.
struct AnswerMessage
{
    QString to;
    QString subject;
    QList<QPair<QString, QByteArray>> attachments; // file name, bytes
};

// The message as it goes out by SMTP: MIME multipart/mixed, CR LF lines, every attachment in
// Base64. Written here by hand (not by a MIME library) so that the office's reader is tested
// against a second writer.
QByteArray mimeMessage(const QString &from, const AnswerMessage &answer, const QDateTime &date, int serial);

// An answer data file ("resp.dat", "GetEstado.DAT"...): "[DATA]" and key=value lines, CR LF,
// Windows-1252.
QByteArray dataFile(const QList<QPair<QString, QString>> &values);
