#include "QALMessage.h"

#include "XmlText.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamWriter>

namespace qal::soap {

QString base64Content(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64()) + QLatin1String("\r\n");
}

void QALMessage::addFile(const QString &path)
{
    Attachment attachment;
    attachment.fileName = QFileInfo(path).fileName();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        attachment.fileContentBase64 = base64Content(file.readAll());
    Attachments << attachment;
}

void QALMessage::addFiles(const QStringList &paths)
{
    for (const QString &path : paths)
        addFile(path);
}

void QALMessage::write(QXmlStreamWriter &xml, const QString &name) const
{
    xml.writeStartElement(name);
    writeTextElement(xml, QStringLiteral("Pedido"), QString::number(Pedido));
    writeTextElement(xml, QStringLiteral("Regional"), QString::number(Regional));
    writeTextElement(xml, QStringLiteral("MAC"), MAC);
    writeTextElement(xml, QStringLiteral("HostName"), HostName);
    writeTextElement(xml, QStringLiteral("Recipients"), Recipients);
    writeTextElement(xml, QStringLiteral("Subject"), Subject);
    writeTextElement(xml, QStringLiteral("Body"), Body);
    if (!Attachments.isEmpty()) {
        xml.writeStartElement(QStringLiteral("Attachments"));
        for (const Attachment &a : Attachments) {
            xml.writeStartElement(QStringLiteral("Attachment"));
            writeTextElement(xml, QStringLiteral("fileName"), a.fileName);
            writeTextElement(xml, QStringLiteral("fileContentBase64"), a.fileContentBase64);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

} // namespace qal::soap
