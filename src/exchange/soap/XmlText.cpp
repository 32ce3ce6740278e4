#include "XmlText.h"

#include <QXmlStreamWriter>

namespace qal::soap {

void writeTextElement(QXmlStreamWriter &xml, const QString &name, const QString &text)
{
    xml.writeStartElement(name);
    qsizetype start = 0;
    while (true) {
        const qsizetype cr = text.indexOf(QLatin1Char('\r'), start);
        if (cr < 0) {
            xml.writeCharacters(text.mid(start));
            break;
        }
        xml.writeCharacters(text.mid(start, cr - start));
        xml.writeEntityReference(QStringLiteral("#13"));
        start = cr + 1;
    }
    xml.writeEndElement();
}

} // namespace qal::soap
