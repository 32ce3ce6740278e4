#include "reports/central/ConsultaWeb.h"

#include "data/PosicionTabla.h"
#include "data/QalRegIni.h"
#include "data/Tdm.h"
#include "exchange/soap/BoundedReply.h"
#include "exchange/soap/SoapSettings.h"

#include "core/Dialogs.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>

namespace qal::central {

namespace {

const QString kSinRespuesta = QStringLiteral("No hay respuesta en la dirección especificada:\r");

struct Respuesta
{
    bool ok = false;
    QByteArray cuerpo;
    QString error;
};

Respuesta get(const QUrl &url, const QNetworkProxy &proxy, int timeoutMs, qint64 maxBytes)
{
    Respuesta r;
    QNetworkAccessManager network;
    network.setProxy(proxy);
    network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    QNetworkRequest http(url);
    http.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Mozilla/3.0 (compatible)"));
    http.setRawHeader("Accept", "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    http.setRawHeader("Cache-Control", "no-cache");
    http.setRawHeader("Pragma", "no-cache");
    http.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    http.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    const soap::BoundedReply reply = soap::awaitBounded(network.get(http), timeoutMs, maxBytes);
    r.cuerpo = reply.body;
    if (reply.timedOut)
        r.error = QStringLiteral("El servidor no respondió en %1 segundos").arg((timeoutMs + 999) / 1000);
    else if (reply.tooLarge)
        r.error = QStringLiteral("La respuesta supera los %1 bytes").arg(maxBytes);
    else if (reply.status == 0)
        r.error = reply.errorText;
    else if (reply.status < 200 || reply.status > 299)
        r.error = QStringLiteral("HTTP %1 %2").arg(reply.status).arg(reply.reason).trimmed();
    else if (reply.error != QNetworkReply::NoError)
        r.error = reply.errorText;
    else
        r.ok = true;
    if (!r.ok)
        r.cuerpo.clear();
    return r;
}

} // namespace

ConsultaWeb::ConsultaWeb(Tdm &dm) : m_dm(dm)
{
}

void ConsultaWeb::RecargarProxy()
{
    m_proxy = soap::proxyFromSettings(m_dm);
    if (!m_proxy.user().isEmpty() && m_proxy.password().isEmpty())
        Dialogs::information(QStringLiteral("Por favor vuelva a poner el usuario y contraseña del proxy.\n\r"
                                            "Para esto vaya a Utilidades | Configuración | Proxy"));
}

bool ConsultaWeb::Direcciones(QStringList &direcciones, QString &error)
{
    dbase::Table &url = m_dm.url;
    try {
        if (!url.isOpen())
            url.open();
    } catch (const std::exception &) {
        error = QStringLiteral("ERROR: No se pudo abrir la tabla url.dbf");
        return false;
    }
    // the settings window's grid shares this cursor: it is given back where it was
    PosicionTabla keep(url, QStringLiteral("N_PRIOR"));
    for (url.first(); !url.eof(); url.next()) {
        const QString base = url.value(QStringLiteral("X_URL")).toString().trimmed();
        if (!base.isEmpty())
            direcciones << base;
    }
    return true;
}

ConsultaWeb::Resultado ConsultaWeb::Obtener(const QString &pagina)
{
    Resultado result;
    QStringList bases;
    if (!Direcciones(bases, result.error))
        return result;
    if (bases.isEmpty()) {
        result.error = kSinRespuesta + QStringLiteral("la tabla url.dbf no tiene direcciones");
        return result;
    }
    const int timeoutMs = tiempoEsperaMs > 0 ? tiempoEsperaMs : qalregini::tiempoEsperaSegundos() * 1000;
    bool answeredEmpty = false;
    for (const QString &base : bases) {
        const QUrl address(base + pagina);
        if (!address.isValid() || address.scheme() != QLatin1String("http")) {
            result.error = kSinRespuesta + QStringLiteral("Dirección no válida: ") + base + pagina;
            continue;
        }
        Respuesta r = get(address, m_proxy, timeoutMs, maxBytes);
        if (!r.ok) {
            result.error = kSinRespuesta + r.error;
            continue;
        }
        if (r.cuerpo.isEmpty()) {
            answeredEmpty = true;
            continue;
        }
        result.ok = true;
        result.error.clear();
        result.contenido = std::move(r.cuerpo);
        return result;
    }
    if (answeredEmpty) {
        result.vacia = true;
        result.error = kSinRespuesta + QStringLiteral("La página está vacía");
    }
    return result;
}

} // namespace qal::central
