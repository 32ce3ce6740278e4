#include "SettingsCatalogue.h"

namespace qal {
namespace {

QList<SettingDef> build()
{
    using K = SettingKind;
    const auto def = [](const char *key, K kind, const char *fallback, const char *initial, int maxLength = 254) {
        return SettingDef {QString::fromUtf8(key), kind, QString::fromUtf8(fallback), QString::fromUtf8(initial),
                           maxLength};
    };
    return {
        // regional office
        def("c_reg", K::Integer, "", "12"),
        def("c_regp", K::Integer, "", "12"),
        def("x_reg", K::Text, "", "Regional Demostración"),
        // central office mailboxes and reception
        def("x_toreg", K::Text, "", "qal.central@central.gob.ar"),
        def("x_toregp", K::Text, "", "qal.central@central.gob.ar"),
        def("frec_recep", K::Integer, "", "5"), // not a whole number: start-up reports it
        def("max_contes", K::Integer, "1", "1"),
        def("dur_guarda", K::Integer, "15", "15"),
        def("url_cert", K::Text, "", ""),
        // proxy
        def("http_proxy", K::Text, "", ""),
        def("http_port", K::Text, "", ""),
        def("proxy_user", K::Text, "", "", 30),
        def("proxy_pass", K::Protected, "", ""),
        // behaviour switches
        def("m_segur", K::Flag, "N", "N"),
        def("m_impconfp", K::Flag, "N", "N"),
        def("m_impauto", K::Flag, "S", "S"),
        def("m_nomi", K::Flag, "N", "N"),
        def("m_domic", K::Flag, "N", "N"),
        def("m_fecpago", K::Flag, "S", "S"),
        def("dias_fpago", K::Integer, "365", "365"),
        def("m_chkdatbol", K::Flag, "S", "S"),
        def("m_obli_doc", K::Flag, "S", "S"),
        def("m_es_suc", K::Flag, "N", "N"),
        // live-scan
        def("LiveScan", K::Text, "", "Ninguno"),
        def("AutoAvance", K::Flag, "N", "S"),
        def("crlt_quality", K::Flag, "N", "S"),
        def("flip_hor", K::Flag, "N", "N"),
        def("flip_ver", K::Flag, "N", "N"),
        // mail transport
        def("pop3Name", K::Text, "", "127.0.0.1"),
        def("pop3Port", K::Integer, "110", "110"),
        def("pop3User", K::Text, "", ""),
        def("pop3PwdE", K::Protected, "", ""),
        def("smtpName", K::Text, "", "127.0.0.1"),
        def("smtpPort", K::Integer, "25", "25"),
        def("userEmail", K::Text, "", ""),
        def("emailFwd", K::Text, "", ""),
        def("LogOpeMail", K::Flag, "N", "S"),
        def("envWebService", K::Flag, "S", "N"),
        def("usaOutlook", K::Flag, "N", "N"),
        def("waitFin", K::Flag, "S", "S"),
        def("mailCAFile", K::Text, "", ""),
        // message subjects
        def("x_msgreg", K::Text, "", "PEDIDO OFICIAL"),
        def("x_msgregp", K::Text, "", "PEDIDO PERSONAL"),
        def("x_msgexp", K::Text, "", "CONTESTACION OFICIAL"),
        def("x_msgexpp", K::Text, "", "CONTESTACION PERSONAL"),
        def("x_msgconfp", K::Text, "", "CONFIRMACION"),
    };
}

} // namespace

const QList<SettingDef> &settingsCatalogue()
{
    static const QList<SettingDef> catalogue = build();
    return catalogue;
}

const SettingDef *settingDef(const QString &key)
{
    for (const SettingDef &d : settingsCatalogue()) {
        if (d.key == key)
            return &d;
    }
    return nullptr;
}

bool settingFlag(const QString &key, const QString &stored)
{
    if (stored == QLatin1String("S"))
        return true;
    if (stored == QLatin1String("N"))
        return false;
    const SettingDef *d = settingDef(key);
    return d && d->fallback == QLatin1String("S");
}

int settingInteger(const QString &key, const QString &stored)
{
    bool ok = false;
    const int v = stored.trimmed().toInt(&ok);
    if (ok)
        return v;
    const SettingDef *d = settingDef(key);
    return d ? d->fallback.toInt() : 0;
}

} // namespace qal
