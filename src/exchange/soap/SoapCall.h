#pragma once

#include "SoapSettings.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>

class QXmlStreamWriter;

namespace qal::soap {

// The largest answer read; a longer one is cut off and the call fails.
inline constexpr qint64 kMaxAnswerBytes = 4 * 1024 * 1024;

// One document/literal SOAP 1.1 call: operation in the namespace, its parameters written as
// children of the operation element.
struct SoapRequest
{
    QString url;
    QString operation;
    QString soapAction;
    std::function<void(QXmlStreamWriter &)> writeParameters;
};

struct SoapCallResult
{
    bool ok = false;
    QMap<QString, QString> values; // the response's values by element name
    QString error;                 // when not ok: what went wrong, in words for the operator
};

// The request's envelope, UTF-8.
QByteArray soapEnvelope(const QString &ns, const SoapRequest &request);

// Posts the envelope and waits for the answer (the calling thread's events keep being
// processed meanwhile). Fails on a connection error, when the answer takes longer than the
// settings' time-out or is larger than kMaxAnswerBytes, on an HTTP error, a SOAP fault and
// an answer that cannot be read.
SoapCallResult callSoap(const SoapSettings &settings, const SoapRequest &request);

} // namespace qal::soap
