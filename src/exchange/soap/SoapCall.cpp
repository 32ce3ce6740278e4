#include "SoapCall.h"

#include "BoundedReply.h"
#include "SoapAnswer.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QXmlStreamWriter>

namespace qal::soap {

QByteArray soapEnvelope(const QString &ns, const SoapRequest &request)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    const QString env = QString::fromUtf16(kSoapEnvelopeNs);
    xml.writeNamespace(env, QStringLiteral("soap"));
    xml.writeNamespace(QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"), QStringLiteral("xsi"));
    xml.writeNamespace(QStringLiteral("http://www.w3.org/2001/XMLSchema"), QStringLiteral("xsd"));
    xml.writeStartElement(env, QStringLiteral("Envelope"));
    xml.writeStartElement(env, QStringLiteral("Body"));
    xml.writeDefaultNamespace(ns);
    xml.writeStartElement(ns, request.operation);
    if (request.writeParameters)
        request.writeParameters(xml);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

SoapCallResult callSoap(const SoapSettings &settings, const SoapRequest &request)
{
    SoapCallResult result;
    const QUrl url(request.url);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        result.error = QStringLiteral("dirección del servicio no válida: ") + request.url;
        return result;
    }

    QNetworkAccessManager network;
    network.setProxy(settings.proxy);
    network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    QNetworkRequest http(url);
    http.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/xml; charset=utf-8"));
    http.setRawHeader("SOAPAction", '"' + request.soapAction.toUtf8() + '"');
    http.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("QAL Regional"));

    const BoundedReply reply = awaitBounded(network.post(http, soapEnvelope(settings.ns, request)),
                                            settings.timeoutMs, kMaxAnswerBytes);
    if (reply.timedOut) {
        result.error = QStringLiteral("el servicio no respondió a tiempo (%1 s)").arg((settings.timeoutMs + 999) / 1000);
        return result;
    }
    if (reply.tooLarge) {
        result.error = QStringLiteral("la respuesta supera %1 bytes").arg(kMaxAnswerBytes);
        return result;
    }
    if (reply.status == 0) { // no HTTP answer at all
        result.error = reply.errorText;
        return result;
    }

    const SoapAnswer answer = parseSoapAnswer(reply.body, settings.ns, request.operation);
    if (answer.kind == SoapAnswer::Fault) {
        result.error = answer.faultString.isEmpty() ? answer.faultCode : answer.faultString;
        if (result.error.isEmpty())
            result.error = QStringLiteral("error del servicio");
        return result;
    }
    if (reply.status < 200 || reply.status > 299 || reply.error != QNetworkReply::NoError) {
        result.error = QStringLiteral("HTTP %1 %2").arg(reply.status).arg(reply.reason).trimmed();
        return result;
    }
    if (answer.kind == SoapAnswer::Malformed) {
        result.error = QStringLiteral("respuesta no válida: ") + answer.problem;
        return result;
    }
    result.ok = true;
    result.values = answer.values;
    return result;
}

} // namespace qal::soap
