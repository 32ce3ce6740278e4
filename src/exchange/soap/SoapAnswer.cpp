#include "SoapAnswer.h"

#include <QXmlStreamReader>

namespace qal::soap {

namespace {

const QString kXsiNs = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");

SoapAnswer malformed(const QString &problem)
{
    SoapAnswer answer;
    answer.kind = SoapAnswer::Malformed;
    answer.problem = problem;
    return answer;
}

// True when the token just read ends the reading: a document type declaration or entity
// (never accepted from a server) or broken XML.
bool refused(const QXmlStreamReader &xml, QString &problem)
{
    switch (xml.tokenType()) {
    case QXmlStreamReader::DTD:
    case QXmlStreamReader::EntityReference:
        problem = QStringLiteral("la respuesta declara entidades");
        return true;
    case QXmlStreamReader::Invalid:
        problem = xml.errorString();
        return true;
    default:
        return false;
    }
}

// Why the answer ended before the element did.
QString endProblem(const QXmlStreamReader &xml)
{
    return xml.hasError() ? xml.errorString() : QStringLiteral("la respuesta está incompleta");
}

// Moves to the next start or end element, refusing document type declarations.
bool nextElement(QXmlStreamReader &xml, QString &problem)
{
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
        case QXmlStreamReader::EndElement:
            return true;
        default:
            if (refused(xml, problem))
                return false;
            break;
        }
    }
    problem = endProblem(xml);
    return false;
}

// The text of a simple element whose start tag was just read; false when it has element
// children or the XML breaks.
bool readSimpleText(QXmlStreamReader &xml, QString &text, QString &problem)
{
    const bool nil = xml.attributes().value(kXsiNs, QStringLiteral("nil")) == QLatin1String("true");
    text = QString(QLatin1String(""));
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
            text += xml.text();
            break;
        case QXmlStreamReader::EndElement:
            if (nil)
                text = QString();
            return true;
        case QXmlStreamReader::StartElement:
            problem = QStringLiteral("valor con elementos: ") + xml.name().toString();
            return false;
        default:
            if (refused(xml, problem))
                return false;
            break;
        }
    }
    problem = endProblem(xml);
    return false;
}

// Skips the element whose start tag was just read, with its content.
bool skipElement(QXmlStreamReader &xml, QString &problem)
{
    int depth = 1;
    while (depth > 0) {
        if (!nextElement(xml, problem))
            return false;
        if (xml.isStartElement()) {
            if (++depth > kMaxAnswerDepth) {
                problem = QStringLiteral("elementos demasiado anidados");
                return false;
            }
        } else {
            --depth;
        }
    }
    return true;
}

SoapAnswer readFault(QXmlStreamReader &xml)
{
    SoapAnswer answer;
    answer.kind = SoapAnswer::Fault;
    QString problem;
    while (true) {
        if (!nextElement(xml, problem))
            return malformed(problem);
        if (xml.isEndElement())
            return answer; // </Fault>
        const QString name = xml.name().toString();
        if (name == QLatin1String("faultcode") || name == QLatin1String("faultstring")) {
            QString text;
            if (!readSimpleText(xml, text, problem))
                return malformed(problem);
            (name == QLatin1String("faultcode") ? answer.faultCode : answer.faultString) = text.trimmed();
        } else if (!skipElement(xml, problem)) { // faultactor, detail
            return malformed(problem);
        }
    }
}

SoapAnswer readResponse(QXmlStreamReader &xml)
{
    SoapAnswer answer;
    answer.kind = SoapAnswer::Result;
    QString problem;
    while (true) {
        if (!nextElement(xml, problem))
            return malformed(problem);
        if (xml.isEndElement())
            return answer;
        if (answer.values.size() >= kMaxAnswerValues)
            return malformed(QStringLiteral("demasiados valores"));
        const QString name = xml.name().toString();
        QString text;
        if (!readSimpleText(xml, text, problem))
            return malformed(problem);
        if (!answer.values.contains(name))
            answer.values.insert(name, text);
    }
}

} // namespace

SoapAnswer parseSoapAnswer(const QByteArray &bytes, const QString &ns, const QString &operation)
{
    QXmlStreamReader xml(bytes);
    const QString envNs = QString::fromUtf16(kSoapEnvelopeNs);
    QString problem;

    if (!nextElement(xml, problem))
        return malformed(problem.isEmpty() ? QStringLiteral("la respuesta está vacía") : problem);
    if (!xml.isStartElement() || xml.name() != QLatin1String("Envelope") || xml.namespaceUri() != envNs)
        return malformed(QStringLiteral("la respuesta no es un sobre SOAP 1.1"));

    // Header (skipped), then Body.
    while (true) {
        if (!nextElement(xml, problem))
            return malformed(problem);
        if (xml.isEndElement())
            return malformed(QStringLiteral("el sobre no tiene cuerpo"));
        if (xml.namespaceUri() == envNs && xml.name() == QLatin1String("Body"))
            break;
        if (xml.namespaceUri() == envNs && xml.name() == QLatin1String("Header")) {
            if (!skipElement(xml, problem))
                return malformed(problem);
            continue;
        }
        return malformed(QStringLiteral("elemento inesperado en el sobre: ") + xml.name().toString());
    }

    if (!nextElement(xml, problem))
        return malformed(problem);
    if (xml.isEndElement())
        return malformed(QStringLiteral("el cuerpo está vacío"));

    SoapAnswer answer;
    if (xml.namespaceUri() == envNs && xml.name() == QLatin1String("Fault"))
        answer = readFault(xml);
    else if (xml.namespaceUri() == ns && xml.name() == QString(operation + QLatin1String("Response")))
        answer = readResponse(xml);
    else
        return malformed(QStringLiteral("respuesta inesperada: {%1}%2")
                             .arg(xml.namespaceUri().toString(), xml.name().toString()));
    if (answer.kind == SoapAnswer::Malformed)
        return answer;

    // The rest of the document must still be well-formed XML.
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference)
            return malformed(QStringLiteral("la respuesta declara entidades"));
    }
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        return malformed(xml.errorString());
    if (xml.hasError())
        return malformed(QStringLiteral("la respuesta está incompleta"));
    return answer;
}

} // namespace qal::soap
