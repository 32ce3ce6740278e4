#include "DatosDocumentos.h"

#include "Heading.h"

#include "core/Clock.h"
#include "data/Tdm.h"
#include "dbase/Query.h"

namespace qal::reports {
namespace {

QString S(const char *name)
{
    return QString::fromLatin1(name);
}

// The named fields of a record, joined.
template <typename Record>
QString joined(const Record &value, std::initializer_list<const char *> fields)
{
    QStringList parts;
    for (const char *f : fields)
        parts << TextoCampo(value(S(f)));
    return Unir(parts);
}

} // namespace

QString TextoCampo(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return FechaCorta(value.toDate());
    case QMetaType::Double: {
        const double d = value.toDouble();
        return d == qint64(d) ? QString::number(qint64(d)) : QString::number(d);
    }
    default: {
        QString text = value.toString();
        while (text.endsWith(u' '))
            text.chop(1);
        return text;
    }
    }
}

QString Unir(const QStringList &parts)
{
    QString text = parts.join(u' ');
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

DatosOficio DatosOficioDe(Tdm &dm)
{
    dbase::Table &ped = dm.ped;
    auto v = [&ped](const QString &f) { return ped.value(f); };
    DatosOficio d;
    const QDate fPed = v(S("F_PED")).toDate();
    d.lugarYFecha = TextoCampo(v(S("X_LOC"))) + QStringLiteral(", ") + FechaLarga(fPed);

    const QVariant cOrg = v(S("C_ORG"));
    d.organismo = TextoCampo(dm.org.lookup(S("C_ORG"), cOrg, S("X_ORG")));
    d.provincia = TextoCampo(dm.prov.lookup(S("C_PROV"), dm.org.lookup(S("C_ORG"), cOrg, S("C_PROV")), S("X_PROV")));
    d.secretaria = TextoCampo(v(S("X_SEC")));
    d.domicilio = TextoCampo(v(S("X_DOM")));
    d.localidad = TextoCampo(v(S("X_LOC")));
    d.delito = TextoCampo(dm.tdel.lookup(S("C_TDEL"), v(S("C_TDEL")), S("X_TDEL")));
    d.causa = TextoCampo(v(S("N_CAUSA")));
    d.sexo = TextoCampo(dm.sexo.lookup(S("C_SEXO"), v(S("C_SEXO")), S("X_SEXO")));
    d.fechaNacimiento = TextoCampo(v(S("F_NAC")));
    d.edad = TextoCampo(v(S("N_EDAD")));
    d.nacionalidad = TextoCampo(dm.nac.lookup(S("C_NAC"), v(S("C_NAC")), S("X_NAC")));
    d.documento = TextoCampo(v(S("N_DOC")));
    d.mostrarExpedidoPor = !v(S("C_PROVCI")).isNull();
    d.expedidoPor = TextoCampo(dm.prov.lookup(S("C_PROV"), v(S("C_PROVCI")), S("X_PROV")));

    const qlonglong cPed = v(S("C_PED")).toLongLong();
    if (cPed <= 0)
        return d;
    const auto sameRequest = [cPed](const dbase::Table &t) { return t.value(S("C_PED")).toLongLong() == cPed; };
    const dbase::ResultSet general = dbase::query::select(dm.ped.fileName(), {}, sameRequest);
    if (general.size() > 0) {
        const auto row = [&general](const QString &f) { return general.value(0, f); };
        d.apellidos = joined(row, {"X_APE1", "X_APE2"});
        d.nombres = joined(row, {"X_NOM1", "X_NOM2", "X_NOM3"});
        d.nombresPadre = joined(row, {"X_NOMPADR1", "X_NOMPADR2", "X_NOMPADR3"});
        d.apellidosMadre = joined(row, {"X_APEMADR1", "X_APEMADR2"});
        d.nombresMadre = joined(row, {"X_NOMMADR1", "X_NOMMADR2", "X_NOMMADR3"});
    }
    const dbase::ResultSet aliases = dbase::query::select(dm.sup.fileName(), {}, sameRequest);
    for (int i = 0; i < aliases.size(); ++i) {
        const auto row = [&aliases, i](const QString &f) { return aliases.value(i, f); };
        d.apellidosSupuestos += QStringLiteral(" o  ") + joined(row, {"X_APE1", "X_APE2"});
        d.nombresSupuestos += QStringLiteral(" o  ") + joined(row, {"X_NOM1", "X_NOM2", "X_NOM3"});
    }
    return d;
}

DatosComprobante DatosComprobanteDe(Tdm &dm)
{
    dbase::Table &p = dm.pedp;
    auto v = [&p](const QString &f) { return p.value(f); };
    DatosComprobante d;
    d.apellidos = joined(v, {"X_APE1", "X_APE2"});
    d.nombres = joined(v, {"X_NOM1", "X_NOM2", "X_NOM3"});
    d.nombresPadre = joined(v, {"X_NOMPADR1", "X_NOMPADR2", "X_NOMPADR3"});
    d.apellidosMadre = joined(v, {"X_APEMADR1", "X_APEMADR2"});
    d.nombresMadre = joined(v, {"X_NOMMADR1", "X_NOMMADR2", "X_NOMMADR3"});
    d.sexo = TextoCampo(v(S("X_SEXO")));
    d.nacionalidad = TextoCampo(v(S("x_nac")));
    d.fechaNacimiento = TextoCampo(v(S("F_NAC")));
    d.tipoDocumento = TextoCampo(v(S("x_tdoc")));
    d.prefijo = TextoCampo(v(S("C_PREFIJO")));
    d.numeroDocumento = TextoCampo(v(S("N_DOC")));
    d.sufijo = TextoCampo(v(S("C_SUFIJO")));
    d.mostrarExpedidoPor = !v(S("C_EXPP")).isNull();
    d.expedidoPor = TextoCampo(v(S("x_expp")));
    d.tramite = TextoCampo(v(S("X_TRAM")));
    d.fechaInicio = TextoCampo(v(S("F_PED")));
    d.comprobantePago = TextoCampo(v(S("C_PAGO")));
    const QString cPed = TextoCampo(v(S("C_PED")));
    const QString cReg = TextoCampo(v(S("C_REG")));
    d.etiquetaBarras = QStringLiteral("Regional:%1 - Pedido:%2").arg(cReg, cPed);
    d.textoBarras = cPed + u'/' + cReg;
    return d;
}

DatosContestacion DatosContestacionDe(Tdm &dm)
{
    dbase::Table &p = dm.pedp;
    auto v = [&p](const QString &f) { return p.value(f); };
    DatosContestacion d;
    d.fecha = Clock::today();
    d.codigoPedido = TextoCampo(v(S("C_PED")));
    d.numeroExpediente = TextoCampo(v(S("N_EXPE")));
    d.apellidos = joined(v, {"X_APE1", "X_APE2"});
    d.nombres = joined(v, {"X_NOM1", "X_NOM2", "X_NOM3"});
    d.numeroCertificada = TextoCampo(v(S("N_CERT")));
    d.observaciones = TextoCampo(v(S("X_OBS")));
    d.resultado = TextoCampo(dm.res.lookup(S("C_RES"), v(S("C_RES")), S("X_RES")));
    return d;
}

DatosRechazo DatosRechazoDe(Tdm &dm)
{
    dbase::Table &p = dm.pedp;
    auto v = [&p](const QString &f) { return p.value(f); };
    DatosRechazo d;
    d.fecha = Clock::today();
    d.codigoPedido = TextoCampo(v(S("C_PED")));
    d.apellidos = joined(v, {"X_APE1", "X_APE2"});
    d.nombres = joined(v, {"X_NOM1", "X_NOM2", "X_NOM3"});
    d.cRechazo = v(S("C_RECHAZO")).toString();
    return d;
}

} // namespace qal::reports
