#include "StatePages.h"

#include "core/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QHttpServer>
#include <QJsonArray>
#include <QJsonObject>
#include <QThread>
#include <QUrlQuery>
#include <QtConcurrent>

namespace {

QByteArray header(const QHttpServerRequest &request, const QByteArray &name)
{
    for (const auto &[key, value] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QString query(const QHttpServerRequest &request, const QString &key)
{
    return QUrlQuery(request.url()).queryItemValue(key, QUrl::FullyDecoded).trimmed();
}

// A whole number of the query, -1 when absent or not a number.
qlonglong number(const QHttpServerRequest &request, const QString &key)
{
    bool ok = false;
    const qlonglong n = query(request, key).toLongLong(&ok);
    return ok ? n : -1;
}

QString text(const QJsonObject &o, const char *key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? QString::number(v.toInteger()) : v.toString();
}

QByteArray lines(const QStringList &list)
{
    QByteArray out;
    for (const QString &line : list)
        out += qal::toCp1252(line) + "\r\n";
    return out;
}

const QStringList kPages = {"GetEstReg", "GetEstRegp", "GetEstResP", "EstadoVelcor"};

} // namespace

StatePages::StatePages(const StateStore &store, QString recordDir, const Scenario &scenario)
    : m_store(store), m_recordDir(std::move(recordDir)), m_scenario(scenario)
{
}

void StatePages::install(QHttpServer &server)
{
    const auto respond = [this](const QString &name, const QHttpServerRequest &request) {
        const Page page = answer(name, request);
        return QtConcurrent::run([page] {
            if (page.delayMs > 0)
                QThread::msleep(static_cast<unsigned long>(page.delayMs));
            return QHttpServerResponse(page.contentType, page.body,
                                       static_cast<QHttpServerResponse::StatusCode>(page.status));
        });
    };
    for (const QString &name : kPages) {
        const QString path = name + QStringLiteral(".asp");
        server.route(QLatin1Char('/') + path,
                     [respond, name](const QHttpServerRequest &request) { return respond(name, request); });
        server.route(QStringLiteral("/<arg>/") + path, [respond, name](const QString &, const QHttpServerRequest &request) {
            return respond(name, request);
        });
    }
    const QString report = QStringLiteral("PlanillaInfMensual/Default.aspx");
    const QString reportName = QStringLiteral("PlanillaInfMensual");
    server.route(QLatin1Char('/') + report,
                 [respond, reportName](const QHttpServerRequest &request) { return respond(reportName, request); });
    server.route(QStringLiteral("/<arg>/") + report, [respond, reportName](const QString &, const QHttpServerRequest &request) {
        return respond(reportName, request);
    });
}

StatePages::Page StatePages::answer(const QString &name, const QHttpServerRequest &request)
{
    const Behaviour b = m_scenario.behaviour(name);
    Page page;
    switch (b.mode) {
    case Behaviour::Error404:
        page.contentType = "text/html";
        page.body = "<html><head><title>Error 404 - No encontrado</title></head>"
                    "<body><h1>Error 404</h1><p>El archivo o directorio no se encuentra.</p></body></html>";
        page.note = QStringLiteral("error 404 page");
        break;
    case Behaviour::Html:
    case Behaviour::Fault:
        page.status = 500;
        page.contentType = "text/html";
        page.body = "<html><body><h1>Server Error</h1></body></html>";
        page.note = QStringLiteral("http 500");
        break;
    case Behaviour::Oversized:
        page.body = QByteArray("1;T|1\r\n").repeated(8 * 1024 * 1024 / 7 + 1);
        page.note = QStringLiteral("oversized");
        break;
    case Behaviour::Garbage:
        page.body = QByteArray("\x00\xff\xfe;|,\x01", 8).repeated(64);
        page.note = QStringLiteral("garbage");
        break;
    case Behaviour::Normal:
        if (b.resultSet) {
            page.body = qal::toCp1252(b.result);
            page.note = QStringLiteral("scenario text");
        } else {
            page = fromData(name, request);
        }
        break;
    }
    page.delayMs = b.delayMs;
    record(name, request, page);
    return page;
}

StatePages::Page StatePages::fromData(const QString &name, const QHttpServerRequest &request) const
{
    const QJsonObject data = m_store.data();
    const QJsonArray oficiales = data.value(QLatin1String("oficiales")).toArray();
    const QJsonArray personales = data.value(QLatin1String("personales")).toArray();
    Page page;
    page.note = QStringLiteral("data");

    if (name == QLatin1String("EstadoVelcor")) {
        const QString tram = query(request, QStringLiteral("tram"));
        const QJsonArray &list = tram.startsWith(QLatin1Char('W')) ? personales : oficiales;
        const qlonglong pedido = number(request, QStringLiteral("pedqal"));
        const qlonglong regional = number(request, QStringLiteral("regqal"));
        for (const QJsonValue &v : list) {
            const QJsonObject r = v.toObject();
            if (r.value(QLatin1String("regional")).toInteger() != regional
                || r.value(QLatin1String("pedido")).toInteger() != pedido
                || tram.mid(1) != text(r, "expediente") || text(r, "velcor").isEmpty())
                continue;
            page.body = lines({QStringLiteral("TRAMITE=") + tram, QStringLiteral("ESTADO=") + text(r, "velcor"),
                               QStringLiteral("OFICINA=") + text(r, "oficina")});
            return page;
        }
        page.body = lines({QStringLiteral("TRAMITE=") + tram, QStringLiteral("SIN_DATOS")});
        return page;
    }

    if (name == QLatin1String("PlanillaInfMensual")) {
        const qlonglong regional = number(request, QStringLiteral("c_regqal"));
        const qlonglong month = number(request, QStringLiteral("month"));
        const qlonglong year = number(request, QStringLiteral("year"));
        page.contentType = "text/html; charset=windows-1252";
        QStringList html = {QStringLiteral("<html><head><title>Informe mensual</title></head><body>"),
                            QStringLiteral("<h1>Informe mensual de la regional %1: %2/%3</h1>")
                                .arg(regional)
                                .arg(month, 2, 10, QLatin1Char('0'))
                                .arg(year),
                            QStringLiteral("<table border=\"1\"><tr><th>Pedido</th><th>Estado</th>"
                                           "<th>Expediente</th><th>Resultado</th><th>Fecha</th></tr>")};
        int count = 0;
        for (const QJsonValue &v : personales) {
            const QJsonObject r = v.toObject();
            const QStringList date = text(r, "fecha").split(QLatin1Char('/'));
            if (r.value(QLatin1String("regional")).toInteger() != regional || date.size() != 3
                || date[1].toInt() != month || date[2].toInt() != year)
                continue;
            ++count;
            html << QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
                        .arg(text(r, "pedido"), text(r, "estado"), text(r, "expediente"), text(r, "resultado"),
                             text(r, "fecha"));
        }
        html << QStringLiteral("</table><p>Total de pedidos: %1</p></body></html>").arg(count);
        page.body = lines(html);
        return page;
    }

    const bool personal = name != QLatin1String("GetEstReg");
    page.body = lines(m_store.stateLines(personal, number(request, QStringLiteral("reg")),
                                         name == QLatin1String("GetEstResP")));
    return page;
}

void StatePages::record(const QString &name, const QHttpServerRequest &request, const Page &page)
{
    if (m_recordDir.isEmpty())
        return;
    QDir().mkpath(m_recordDir);
    QFile log(QDir(m_recordDir).filePath(QStringLiteral("pages.log")));
    if (!log.open(QIODevice::Append))
        return;
    const QStringList fields = {name,
                                request.url().toString(QUrl::RemoveScheme | QUrl::RemoveAuthority),
                                QString::fromLatin1(header(request, "User-Agent")),
                                QString::fromLatin1(header(request, "Accept")),
                                QString::fromLatin1(header(request, "Cache-Control")),
                                QString::number(page.status),
                                page.note};
    log.write((fields.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8());
}
