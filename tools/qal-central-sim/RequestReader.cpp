#include "RequestReader.h"

#include <QXmlStreamReader>

const Element *Element::child(const QString &childName) const
{
    for (const Element &c : children)
        if (c.name == childName)
            return &c;
    return nullptr;
}

bool readDocument(const QByteArray &bytes, Element &root, QString &problem)
{
    QXmlStreamReader xml(bytes);
    QList<Element *> stack;
    bool haveRoot = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            problem = QStringLiteral("DTD not accepted");
            return false;
        case QXmlStreamReader::StartElement: {
            Element e {xml.namespaceUri().toString(), xml.name().toString(), {}, {}};
            if (stack.isEmpty()) {
                if (haveRoot) {
                    problem = QStringLiteral("two root elements");
                    return false;
                }
                root = e;
                haveRoot = true;
                stack << &root;
            } else {
                if (stack.size() >= 32) {
                    problem = QStringLiteral("elements nested too deep");
                    return false;
                }
                stack.last()->children.append(e);
                stack << &stack.last()->children.last();
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            stack.removeLast();
            break;
        case QXmlStreamReader::Characters:
            if (!stack.isEmpty())
                stack.last()->text += xml.text();
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        problem = xml.errorString();
        return false;
    }
    if (!haveRoot) {
        problem = QStringLiteral("empty document");
        return false;
    }
    return true;
}
