#include "exchange/RequestPackage.h"

#include "core/Cp1252.h"
#include "data/TableSchema.h"
#include "data/Tdm.h"

#include <QDate>
#include <QLocale>

namespace qal::exchange {
namespace {

QStringList split(const char *keys)
{
    return QString::fromLatin1(keys).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The field list of ped: its stored fields without the images and without the two marks
// that travel under keys of their own, and the province of the identity card by name.
const QStringList kOficial = split(
    "c_ped c_sexo c_tdoc c_nac c_prov c_org f_ped x_sec x_dom c_codpos x_loc x_delito n_pront "
    "x_ape1 x_ape2 x_nom1 x_nom2 x_nom3 f_nac n_edad n_doc c_provci "
    "x_nompadr1 x_nompadr2 x_nompadr3 x_apemadr1 x_apemadr2 x_nommadr1 x_nommadr2 x_nommadr3 "
    "m_enviado m_contesta x_obs c_reg n_expe f_con c_prior n_causa c_est c_tdel c_carped x_expp "
    "c_clasder c_clasizq m_especial m_menor x_rechazo c_version n_ref c_prefijo c_sufijo x_email x_oape");

// The field list of pedp, with its calculated and look-up fields. The mark of the article 51
// exception sits between the classifications and the rejection text; only corrections
// write it in this place.
QStringList personal(bool conExcepcion)
{
    QStringList keys = split(
        "c_ped c_sexo c_tdoc c_nac c_prov_s f_ped x_dom_s c_codpos_s x_loc_s "
        "x_ape1 x_ape2 x_nom1 x_nom2 x_nom3 f_nac n_doc "
        "x_nompadr1 x_nompadr2 x_nompadr3 x_apemadr1 x_apemadr2 x_nommadr1 x_nommadr2 x_nommadr3 "
        "x_obs c_reg n_expe c_est c_rechazo n_cert c_prior f_con c_expp c_tped c_res n_recibo_e n_recibo_m "
        "c_banco c_pedido x_nac x_tdoc x_expp x_prior x_sexo c_prefijo c_sufijo c_tram c_login x_oape "
        "c_clasder c_clasizq");
    if (conExcepcion)
        keys << QStringLiteral("m_excart51");
    keys << split("x_rechazo f_pago c_pago c_pago_domic c_segur x_tram verif_id f_captura c_version x_est");
    return keys;
}

const QStringList kPersonal = personal(false);
const QStringList kCorreccion = personal(true);

class Writer
{
public:
    void section(const QString &name) { m_text += QLatin1Char('[') + name + QStringLiteral("]\r\n"); }
    void line(const QString &key, const QString &value) { m_text += key + QLatin1Char('=') + value + QStringLiteral("\r\n"); }
    void field(const dbase::Table &t, const QString &key)
    {
        line(key, t.hasField(key) ? textoValor(t.value(key)) : QString());
    }
    QByteArray bytes() const { return toCp1252(m_text); }

private:
    QString m_text;
};

// The aliases of the request, read through a cursor of their own so that the aliases window's
// cursor (and any alias being edited there) is left alone.
void escribirSupuestos(Writer &w, const QVariant &cPed)
{
    if (cPed.isNull())
        return;
    const TableDef &def = tableDefinition(QStringLiteral("sup"));
    dbase::Table sup(def.fileName);
    sup.open();
    sup.setIndexField(def.keyField);
    if (!sup.findKey(cPed))
        return;
    const QStringList keys = split("c_ped c_reg x_ape1 x_ape2 x_nom1 x_nom2 x_nom3 c_prov");
    int n = 0;
    for (; !sup.eof() && sup.value(QStringLiteral("C_PED")) == cPed; sup.next()) {
        w.section(QStringLiteral("SUP") + QString::number(++n));
        for (const QString &key : keys)
            w.field(sup, key);
    }
}

} // namespace

const QStringList &clavesPaquete(TipoPaquete tipo)
{
    switch (tipo) {
    case TipoPaquete::Oficial:
        return kOficial;
    case TipoPaquete::Personal:
        return kPersonal;
    case TipoPaquete::Correccion:
        break;
    }
    return kCorreccion;
}

QString textoValor(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (d == static_cast<double>(static_cast<qlonglong>(d)))
            return QString::number(static_cast<qlonglong>(d));
        return QString::number(d, 'f', QLocale::FloatingPointShortest);
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    default:
        break;
    }
    QString text = value.toString();
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QByteArray ContenidoPedDat(Tdm &dm, TipoPaquete tipo, const NetworkIdentity &red)
{
    const bool oficial = tipo == TipoPaquete::Oficial;
    const dbase::Table &t = oficial ? dm.ped : dm.pedp;
    Writer w;
    w.section(QStringLiteral("DATA"));
    for (const QString &key : clavesPaquete(tipo))
        w.field(t, key);
    w.line(QStringLiteral("m_exc_art51"), textoValor(t.value(QStringLiteral("M_EXCART51"))));
    if (oficial) {
        w.line(QStringLiteral("m_tomada_ktv"), textoValor(t.value(QStringLiteral("M_TOMA_KTV"))));
        const QVariant cOrg = t.value(QStringLiteral("C_ORG"));
        if (!cOrg.isNull() && !dm.org.lookup(QStringLiteral("C_ORG"), cOrg, QStringLiteral("C_ORG")).isNull())
            w.line(QStringLiteral("x_org"),
                   textoValor(dm.org.lookup(QStringLiteral("C_ORG"), cOrg, QStringLiteral("X_ORG"))));
        escribirSupuestos(w, t.value(QStringLiteral("C_PED")));
    } else {
        w.line(QStringLiteral("MAC"), red.mac);
        w.line(QStringLiteral("IP"), red.ip);
        w.line(QStringLiteral("Host"), red.host);
    }
    return w.bytes();
}

} // namespace qal::exchange
