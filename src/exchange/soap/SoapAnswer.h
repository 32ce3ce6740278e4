#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

namespace qal::soap {

inline constexpr char16_t kSoapEnvelopeNs[] = u"http://schemas.xmlsoap.org/soap/envelope/";

// What a SOAP 1.1 answer said: the operation's result values, a fault, or nothing usable.
struct SoapAnswer
{
    enum Kind { Result, Fault, Malformed };
    Kind kind = Malformed;
    // Result: the text of each child of the "<operation>Response" element, by local name.
    // An element marked xsi:nil is a null string; an empty one is an empty, non-null string.
    QMap<QString, QString> values;
    // Fault: its code and text.
    QString faultCode;
    QString faultString;
    // Malformed: why the answer could not be read.
    QString problem;
};

// The answer limits: an answer with more result values, deeper elements or longer texts than
// these is malformed (the callers' answers are a few short texts and numbers).
inline constexpr int kMaxAnswerValues = 64;
inline constexpr int kMaxAnswerDepth = 16;

// Reads the answer to operation in namespace ns (document/literal). A document type
// declaration, a body whose first element is neither the fault nor the operation's response,
// a result value with element children, and any XML error make it malformed.
SoapAnswer parseSoapAnswer(const QByteArray &xml, const QString &ns, const QString &operation);

} // namespace qal::soap
