#pragma once

#include <QNetworkProxy>
#include <QString>

namespace qal {
class Tdm;
}

namespace qal::soap {

// Where and how the central office's services are called.
struct SoapSettings
{
    QString server;     // "http://host[:port]", no trailing "/"
    QString messageUrl; // the message service's full address
    QString ns;         // namespace of every type and operation, ending in "/"
    int timeoutMs = 30000;
    QNetworkProxy proxy {QNetworkProxy::NoProxy};

    // From "QalReg.INI" in the program folder and, with a data module, the proxy settings of
    // its parameter table (http_proxy, http_port, proxy_user, proxy_pass).
    static SoapSettings current(Tdm *dm);
};

// The proxy of the parameter table: none without a host; port 80 unless set; the password
// deciphered with the user name.
QNetworkProxy proxyFromSettings(Tdm &dm);

} // namespace qal::soap
