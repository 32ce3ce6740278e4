#include "CentralOffice.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>
#include <QXmlStreamWriter>
#include <QtConcurrent>

namespace {

const QString kEnvelopeNs = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");

QByteArray header(const QHttpServerRequest &request, const QByteArray &name)
{
    for (const auto &[key, value] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QString elementText(const Element &call, const QString &name)
{
    const Element *e = call.child(name);
    return e ? e->text : QString();
}

// A bare file name: no folders, no "..".
bool bareName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QChar(0));
}

// <name>text</name> with each CR as "&#13;", so that it survives the reader's line-end
// normalisation.
void writeText(QXmlStreamWriter &xml, const QString &ns, const QString &name, const QString &text)
{
    xml.writeStartElement(ns, name);
    const QStringList pieces = text.split(QLatin1Char('\r'));
    for (int i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            xml.writeEntityReference(QStringLiteral("#13"));
        xml.writeCharacters(pieces[i]);
    }
    xml.writeEndElement();
}

// GetPedidoByTram's text for a slip the office knows: its procedure number, its data and
// its code, each item ended by "|".
QString slipAnswer(const QJsonObject &slip)
{
    QString out = QStringLiteral("c_pedido=%1|").arg(slip.value(QLatin1String("pedido")).toInteger());
    const QJsonObject datos = slip.value(QLatin1String("datos")).toObject();
    for (auto it = datos.begin(); it != datos.end(); ++it)
        out += it.key() + QLatin1Char('=')
            + (it.value().isDouble() ? QString::number(it.value().toInteger()) : it.value().toString()) + QLatin1Char('|');
    return out + QStringLiteral("c_boleta_web=%1|").arg(slip.value(QLatin1String("boleta")).toString());
}

} // namespace

CentralOffice::CentralOffice(Options options, Scenario scenario, const StateStore &store)
    : m_options(std::move(options)), m_scenario(std::move(scenario)), m_services(centralServices(m_options.messagePath)),
      m_store(store), m_pages(m_store, m_options.recordDir, m_scenario)
{
    m_pool.setMaxThreadCount(64);
    for (const Service &service : m_services) {
        m_server.route(service.path, [this, &service](const QHttpServerRequest &request) {
            const Answer answer = handle(service, request);
            return QtConcurrent::run(&m_pool, [answer] {
                if (answer.delayMs > 0)
                    QThread::msleep(static_cast<unsigned long>(answer.delayMs));
                return QHttpServerResponse(answer.contentType, answer.body,
                                           static_cast<QHttpServerResponse::StatusCode>(answer.status));
            });
        });
    }
    m_pages.install(m_server);
    m_server.setMissingHandler([](const QHttpServerRequest &, QHttpServerResponder &&responder) {
        responder.write("<html><body><h1>Error 404</h1><p>El archivo o directorio no se encuentra.</p></body></html>",
                        "text/html", QHttpServerResponder::StatusCode::NotFound);
    });
}

quint16 CentralOffice::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

CentralOffice::Answer CentralOffice::fault(const QString &code, const QString &text, int status) const
{
    Answer answer;
    answer.status = status;
    QXmlStreamWriter xml(&answer.body);
    xml.writeStartDocument();
    xml.writeNamespace(kEnvelopeNs, QStringLiteral("soap"));
    xml.writeStartElement(kEnvelopeNs, QStringLiteral("Envelope"));
    xml.writeStartElement(kEnvelopeNs, QStringLiteral("Body"));
    xml.writeStartElement(kEnvelopeNs, QStringLiteral("Fault"));
    xml.writeTextElement(QStringLiteral("faultcode"), QStringLiteral("soap:") + code);
    xml.writeTextElement(QStringLiteral("faultstring"), text);
    xml.writeEmptyElement(QStringLiteral("detail"));
    xml.writeEndDocument();
    answer.note = code + QStringLiteral(": ") + text;
    return answer;
}

QByteArray CentralOffice::response(const Operation &op, const QString &result, const QString &errorDesc) const
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(kEnvelopeNs, QStringLiteral("soap"));
    xml.writeStartElement(kEnvelopeNs, QStringLiteral("Envelope"));
    xml.writeStartElement(kEnvelopeNs, QStringLiteral("Body"));
    xml.writeDefaultNamespace(m_options.ns);
    xml.writeStartElement(m_options.ns, op.name + QStringLiteral("Response"));
    writeText(xml, m_options.ns, op.name + QStringLiteral("Result"), result);
    if (op.result == Operation::TextAndErrorDesc)
        writeText(xml, m_options.ns, QStringLiteral("errorDesc"), errorDesc);
    xml.writeEndDocument();
    return bytes;
}

CentralOffice::Answer CentralOffice::handle(const Service &service, const QHttpServerRequest &request)
{
    const int seq = ++m_sequence;
    Answer answer;
    QString operation;
    [&] {
        if (request.method() != QHttpServerRequest::Method::Post) {
            answer.status = 405;
            answer.contentType = "text/plain";
            answer.body = "Method Not Allowed";
            answer.note = QStringLiteral("not a POST");
            return;
        }
        const QByteArray type = header(request, "Content-Type").toLower();
        if (!type.startsWith("text/xml") || (type.contains("charset") && !type.contains("utf-8"))) {
            answer.status = 415;
            answer.contentType = "text/plain";
            answer.body = "Unsupported Media Type";
            answer.note = QStringLiteral("content type ") + QString::fromLatin1(type);
            return;
        }
        Element envelope;
        QString problem;
        if (!readDocument(request.body(), envelope, problem)) {
            answer = fault(QStringLiteral("Client"), QStringLiteral("El pedido no es XML válido: ") + problem);
            return;
        }
        if (envelope.name != QLatin1String("Envelope") || envelope.ns != kEnvelopeNs) {
            answer = fault(QStringLiteral("VersionMismatch"), QStringLiteral("Se esperaba un sobre SOAP 1.1"));
            return;
        }
        const Element *body = nullptr;
        for (const Element &e : envelope.children)
            if (e.ns == kEnvelopeNs && e.name == QLatin1String("Body"))
                body = &e;
        if (!body || body->children.size() != 1) {
            answer = fault(QStringLiteral("Client"), QStringLiteral("El sobre debe llevar un cuerpo con una operación"));
            return;
        }
        const Element &call = body->children.front();
        operation = call.name;
        const Operation *op = service.find(call.name);
        if (!op) {
            answer = fault(QStringLiteral("Client"),
                           QStringLiteral("Operación desconocida en %1: %2").arg(service.path, call.name));
            return;
        }
        if (call.ns != m_options.ns) {
            answer = fault(QStringLiteral("Client"),
                           QStringLiteral("Espacio de nombres inesperado: \"%1\"").arg(call.ns));
            return;
        }
        QString action = QString::fromUtf8(header(request, "SOAPAction")).trimmed();
        if (action.size() >= 2 && action.startsWith(QLatin1Char('"')) && action.endsWith(QLatin1Char('"')))
            action = action.mid(1, action.size() - 2);
        if (action != m_options.ns + op->name) {
            answer = fault(QStringLiteral("Client"),
                           QStringLiteral("SOAPAction no corresponde a la operación: \"%1\"").arg(action));
            return;
        }
        if (!checkParameters(*op, call, problem)) {
            answer = fault(QStringLiteral("Client"), QStringLiteral("Pedido no válido: ") + problem);
            return;
        }
        answer = answerOperation(*op, call);
    }();
    record(seq, request, operation, answer);
    return answer;
}

bool CentralOffice::checkParameters(const Operation &op, const Element &call, QString &problem)
{
    if (call.children.size() != op.parameters.size()) {
        problem = QStringLiteral("%1 espera %2 elementos y llegaron %3")
                      .arg(op.name)
                      .arg(op.parameters.size())
                      .arg(call.children.size());
        return false;
    }
    for (int i = 0; i < op.parameters.size(); ++i) {
        const Parameter &p = op.parameters[i];
        const Element &e = call.children[i];
        if (e.name != p.name || e.ns != m_options.ns) {
            problem = QStringLiteral("se esperaba el elemento %1 y llegó {%2}%3").arg(p.name, e.ns, e.name);
            return false;
        }
        if (p.type == Parameter::Int) {
            bool ok = false;
            e.text.trimmed().toInt(&ok);
            if (!ok) {
                problem = QStringLiteral("%1 no es un entero: \"%2\"").arg(p.name, e.text.left(40));
                return false;
            }
        } else if (p.type == Parameter::Text) {
            if (!e.children.isEmpty()) {
                problem = p.name + QStringLiteral(" no es un texto");
                return false;
            }
        } else if (!checkMessage(e, problem)) {
            return false;
        }
    }
    if (op.name.startsWith(QLatin1String("VerificarHuella")))
        return checkFingerprint(call, problem);
    return true;
}

// The print to verify: Base64 (lines ended by CR LF allowed) of one WSQ image, from its
// start-of-image marker FF A0 to its end-of-image marker FF A1. The user name may be empty
// (a print taken before the name was typed): the office then knows no one by it.
bool CentralOffice::checkFingerprint(const Element &call, QString &problem)
{
    QString text = elementText(call, QStringLiteral("WSQBase64"));
    text.remove(QStringLiteral("\r\n"));
    static const QRegularExpression base64(QStringLiteral("^[A-Za-z0-9+/]+={0,2}$"));
    const QByteArray wsq = QByteArray::fromBase64(text.toLatin1());
    if (!base64.match(text).hasMatch() || wsq.size() < 4 || !wsq.startsWith("\xFF\xA0") || !wsq.endsWith("\xFF\xA1")) {
        problem = QStringLiteral("WSQBase64 no es una imagen WSQ en Base64");
        return false;
    }
    return true;
}

bool CentralOffice::checkMessage(const Element &msg, QString &problem)
{
    static const QStringList fields = {"Pedido", "Regional", "MAC", "HostName", "Recipients", "Subject", "Body"};
    QStringList names;
    for (const Element &e : msg.children) {
        if (e.ns != m_options.ns) {
            problem = QStringLiteral("elemento fuera del espacio de nombres: ") + e.name;
            return false;
        }
        names << e.name;
    }
    QStringList expected = fields;
    if (names.size() == fields.size() + 1)
        expected << QStringLiteral("Attachments");
    if (names != expected) {
        problem = QStringLiteral("el mensaje lleva %1; se esperaba %2").arg(names.join(','), expected.join(','));
        return false;
    }
    for (const char *number : {"Pedido", "Regional"}) {
        bool ok = false;
        msg.child(QString::fromLatin1(number))->text.toInt(&ok);
        if (!ok) {
            problem = QString::fromLatin1(number) + QStringLiteral(" no es un entero");
            return false;
        }
    }
    const Element *attachments = msg.child(QStringLiteral("Attachments"));
    if (!attachments)
        return true;
    if (attachments->children.isEmpty()) {
        problem = QStringLiteral("Attachments vacío (debe omitirse cuando no hay adjuntos)");
        return false;
    }
    static const QRegularExpression base64Line(QStringLiteral("^[A-Za-z0-9+/]*={0,2}\r\n$"));
    for (const Element &a : attachments->children) {
        QStringList parts;
        for (const Element &e : a.children)
            parts << e.name;
        if (a.name != QLatin1String("Attachment") || parts != QStringList {"fileName", "fileContentBase64"}) {
            problem = QStringLiteral("adjunto mal formado: %1(%2)").arg(a.name, parts.join(','));
            return false;
        }
        const QString name = a.child(QStringLiteral("fileName"))->text;
        const QString content = a.child(QStringLiteral("fileContentBase64"))->text;
        if (!bareName(name)) {
            problem = QStringLiteral("nombre de adjunto no válido: \"%1\"").arg(name);
            return false;
        }
        if (!content.isEmpty() && !base64Line.match(content).hasMatch()) {
            problem = QStringLiteral("el contenido de %1 no es Base64 en una línea seguida de CR LF").arg(name);
            return false;
        }
    }
    return true;
}

void CentralOffice::saveAttachments(const Element &msg)
{
    const Element *attachments = msg.child(QStringLiteral("Attachments"));
    if (m_options.attachmentsDir.isEmpty() || !attachments)
        return;
    QDir().mkpath(m_options.attachmentsDir);
    for (const Element &a : attachments->children) {
        QFile file(QDir(m_options.attachmentsDir).filePath(a.child(QStringLiteral("fileName"))->text));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(QByteArray::fromBase64(a.child(QStringLiteral("fileContentBase64"))->text.toLatin1()));
    }
}

QString CentralOffice::defaultResult(const Operation &op, const Element &call) const
{
    const QString &name = op.name;
    if (name == QLatin1String("SendMessage")) {
        const Element *msg = call.child(QStringLiteral("msg"));
        const Element *attachments = msg->child(QStringLiteral("Attachments"));
        return QStringLiteral("Mensaje recibido: pedido %1, regional %2, %3 adjuntos")
            .arg(elementText(*msg, QStringLiteral("Pedido")), elementText(*msg, QStringLiteral("Regional")))
            .arg(attachments ? attachments->children.size() : 0);
    }
    if (name == QLatin1String("VerifyMessage")) {
        const Element *msg = call.child(QStringLiteral("msg"));
        return QStringLiteral("Configuración verificada: regional %1, MAC %2, host %3")
            .arg(elementText(*msg, QStringLiteral("Regional")), elementText(*msg, QStringLiteral("MAC")),
                 elementText(*msg, QStringLiteral("HostName")));
    }
    if (name.startsWith(QLatin1String("ObtenerMotivoRechazo")))
        return QStringLiteral("Faltan datos del documento de identidad");
    if (name.startsWith(QLatin1String("VerificarHuella")) && elementText(call, QStringLiteral("AppId")).trimmed().isEmpty())
        return QStringLiteral("0"); // no user has an empty name
    if (name == QLatin1String("VerificarHuellaPuntaje"))
        return QStringLiteral("50");
    if (name == QLatin1String("GetPedidoByBoletaDoc")) {
        const StateStore::Slip slip = m_store.slipByCode(elementText(call, QStringLiteral("c_boleta")),
                                                         elementText(call, QStringLiteral("n_doc")).trimmed().toLongLong());
        if (!slip.listed)
            return QStringLiteral("4711");
        return slip.found ? QString::number(slip.entry.value(QLatin1String("pedido")).toInteger()) : QStringLiteral("0");
    }
    if (name == QLatin1String("GetFechaByBoleta")) // paid a month ago: before any request of the demo
        return QDate::currentDate().addDays(-30).toString(QStringLiteral("dd/MM/yyyy"));
    if (name == QLatin1String("GetPedidoByTram")) {
        const StateStore::Slip slip = m_store.slipByRequest(elementText(call, QStringLiteral("c_pedido")).trimmed().toLongLong());
        if (slip.listed)
            return slip.found ? slipAnswer(slip.entry) : QString();
        return QStringLiteral("c_pedido=%1|c_tped=I|c_tdoc=1|c_sexo=M|c_pais=1|x_ape1=PEREZ|x_ape2=GOMEZ|"
                              "x_nom1=JUAN|x_nom2=CARLOS|n_doc=%2|f_nac=15/03/1980|x_nom1p=PEDRO|x_ape1m=LOPEZ|"
                              "x_nom1m=MARIA|c_tram=1|c_boleta_web=01234567890|")
            .arg(elementText(call, QStringLiteral("c_pedido")).trimmed(),
                 elementText(call, QStringLiteral("n_doc")).trimmed());
    }
    return QStringLiteral("1"); // VerificarHuella, ActualizarCodSegur
}

CentralOffice::Answer CentralOffice::answerOperation(const Operation &op, const Element &call)
{
    const Behaviour b = m_scenario.behaviour(op.name);
    Answer answer;
    switch (b.mode) {
    case Behaviour::Fault:
        answer = fault(QStringLiteral("Server"), b.fault);
        break;
    case Behaviour::Html:
    case Behaviour::Error404:
        answer.status = 500;
        answer.contentType = "text/html";
        answer.body = "<html><body><h1>Server Error</h1></body></html>";
        answer.note = QStringLiteral("html error page");
        break;
    case Behaviour::Garbage: {
        const QByteArray whole = response(op, b.resultSet ? b.result : defaultResult(op, call), b.errorDesc);
        answer.body = whole.left(whole.size() * 2 / 3);
        answer.note = QStringLiteral("garbage");
        break;
    }
    case Behaviour::Oversized:
        answer.body = response(op, QString(8 * 1024 * 1024, QLatin1Char('x')), b.errorDesc);
        answer.note = QStringLiteral("oversized");
        break;
    case Behaviour::Normal:
        answer.body = response(op, b.resultSet ? b.result : defaultResult(op, call), b.errorDesc);
        answer.note = QStringLiteral("ok");
        break;
    }
    if (op.parameters.front().type == Parameter::Message && op.name == QLatin1String("SendMessage"))
        saveAttachments(*call.child(QStringLiteral("msg")));
    answer.delayMs = b.delayMs;
    return answer;
}

void CentralOffice::record(int seq, const QHttpServerRequest &request, const QString &operation, const Answer &answer)
{
    if (m_options.recordDir.isEmpty())
        return;
    QDir().mkpath(m_options.recordDir);
    const QDir dir(m_options.recordDir);
    QFile body(dir.filePath(QStringLiteral("%1.xml").arg(seq, 4, 10, QLatin1Char('0'))));
    if (body.open(QIODevice::WriteOnly | QIODevice::Truncate))
        body.write(request.body());
    static const QMap<QHttpServerRequest::Method, QString> methods = {
        {QHttpServerRequest::Method::Get, "GET"}, {QHttpServerRequest::Method::Post, "POST"},
        {QHttpServerRequest::Method::Put, "PUT"}, {QHttpServerRequest::Method::Delete, "DELETE"},
        {QHttpServerRequest::Method::Head, "HEAD"}};
    QFile log(dir.filePath(QStringLiteral("requests.log")));
    if (log.open(QIODevice::Append)) {
        QString note = answer.note;
        note.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\t'), QLatin1Char(' '));
        const QStringList fields = {QString::number(seq),
                                    methods.value(request.method(), QStringLiteral("OTHER")),
                                    request.url().path(),
                                    QString::fromUtf8(header(request, "SOAPAction")),
                                    operation,
                                    QString::number(answer.status),
                                    note};
        log.write((fields.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8());
    }
}
