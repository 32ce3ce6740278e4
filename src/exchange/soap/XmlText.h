#pragma once

#include <QString>

class QXmlStreamWriter;

namespace qal::soap {

// Writes <name>text</name> keeping every carriage return: XML readers turn a written CR LF
// into LF, so each CR goes out as the reference "&#13;" (QXmlStreamWriter of Qt 6.4 writes it
// raw).
void writeTextElement(QXmlStreamWriter &xml, const QString &name, const QString &text);

} // namespace qal::soap
