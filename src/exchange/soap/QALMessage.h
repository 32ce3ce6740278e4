#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QXmlStreamWriter;

namespace qal::soap {

// One file sent with a message: its bare name and its bytes in Base64.
struct Attachment
{
    QString fileName;
    // Standard Base64 with "=" padding, on one line, followed by one CR LF; empty when the file
    // did not exist.
    QString fileContentBase64;
};

// The message the central office's message service takes: a request package, a state request
// or a receipt mail. It owns its attachments.
struct QALMessage
{
    int Pedido = 0;   // request number; 0 when the message is not a request
    int Regional = 0; // office code
    QString MAC;
    QString HostName;
    QString Recipients;
    QString Subject;
    QString Body;
    QList<Attachment> Attachments; // not written when empty

    // Adds the file at path under its file name; a missing file is sent with empty content.
    void addFile(const QString &path);
    void addFiles(const QStringList &paths);

    // Writes the message as the element "name" in the namespace in force.
    void write(QXmlStreamWriter &xml, const QString &name) const;
};

// The attachment text of bytes: Base64 on one line, CR LF after it.
QString base64Content(const QByteArray &bytes);

} // namespace qal::soap
