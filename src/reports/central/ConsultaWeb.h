#pragma once

#include <QByteArray>
#include <QNetworkProxy>
#include <QString>
#include <QStringList>

namespace qal {

class Tdm;

namespace central {

// The largest page read; a longer one is given up and the next address is tried.
inline constexpr qint64 kMaxPaginaBytes = 2 * 1024 * 1024;

// The HTTP client of the central office's web site: GET of a page under each base address
// of the url table, in N_PRIOR order, until one answers with content. Each address gets the
// time-out and the size cap; a failed, slow, oversized or empty answer goes on to the next.
class ConsultaWeb
{
public:
    explicit ConsultaWeb(Tdm &dm);

    // Takes the proxy of the parameter table (http_proxy, http_port, proxy_user, proxy_pass).
    // A proxy user without a readable password asks the operator to type both again.
    void RecargarProxy();
    const QNetworkProxy &proxy() const { return m_proxy; }

    struct Resultado
    {
        bool ok = false;     // some address answered with content
        bool vacia = false;  // every address that answered, answered an empty page
        QByteArray contenido;
        QString error;       // when not ok
    };
    // pagina: the path and query after the base address ("GetEstReg.asp?reg=3").
    Resultado Obtener(const QString &pagina);

    // The base addresses of the url table, trimmed, in N_PRIOR order, blank rows left out;
    // false with the error text when the table cannot be opened.
    bool Direcciones(QStringList &direcciones, QString &error);

    // Seconds each address may take; by default the central office's time-out of "QalReg.INI".
    int tiempoEsperaMs = 0;
    qint64 maxBytes = kMaxPaginaBytes;

private:
    Tdm &m_dm;
    QNetworkProxy m_proxy {QNetworkProxy::NoProxy};
};

} // namespace central
} // namespace qal
