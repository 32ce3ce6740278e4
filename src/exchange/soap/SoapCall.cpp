#include "SoapCall.h"

#include "SoapAnswer.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
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

    QNetworkReply *reply = network.post(http, soapEnvelope(settings.ns, request));
    QByteArray body;
    bool tooLarge = false;
    bool timedOut = false;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        body += reply->read(kMaxAnswerBytes + 1 - body.size());
        if (body.size() > kMaxAnswerBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(settings.timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();
    if (!tooLarge && !timedOut)
        body += reply->read(kMaxAnswerBytes + 1 - body.size());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    const QNetworkReply::NetworkError networkError = reply->error();
    const QString networkText = reply->errorString();
    delete reply;

    if (timedOut) {
        result.error = QStringLiteral("el servicio no respondió a tiempo (%1 s)").arg((settings.timeoutMs + 999) / 1000);
        return result;
    }
    if (tooLarge || body.size() > kMaxAnswerBytes) {
        result.error = QStringLiteral("la respuesta supera %1 bytes").arg(kMaxAnswerBytes);
        return result;
    }
    if (status == 0) { // no HTTP answer at all
        result.error = networkText;
        return result;
    }

    const SoapAnswer answer = parseSoapAnswer(body, settings.ns, request.operation);
    if (answer.kind == SoapAnswer::Fault) {
        result.error = answer.faultString.isEmpty() ? answer.faultCode : answer.faultString;
        if (result.error.isEmpty())
            result.error = QStringLiteral("error del servicio");
        return result;
    }
    if (status < 200 || status > 299 || networkError != QNetworkReply::NoError) {
        result.error = QStringLiteral("HTTP %1 %2").arg(status).arg(reason).trimmed();
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
