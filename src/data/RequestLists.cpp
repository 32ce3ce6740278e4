#include "RequestLists.h"

#include "dbase/Table.h"

namespace qal {
namespace {

dbase::ResultSet requestList(const dbase::RecordPredicate &where)
{
    const QList<dbase::Column> columns {{"c_ped", false, "c_ped"}, {"f_ped", false, "f_ped"},
                                     {"n_expe", false, "n_expe"}, {"x_ape1", false, "x_ape1"},
                                     {"x_nom1", false, "x_nom1"}, {"f_con", false, "f_con"},
                                     {"x_org", true, "x_org"}};
    return dbase::query::selectJoin(QStringLiteral("ped.DBF"), QStringLiteral("c_org"), QStringLiteral("org.DBF"),
                                 QStringLiteral("c_org"), columns, where, {{QStringLiteral("c_ped"), false}});
}

} // namespace

dbase::ResultSet Cped(bool enviado, bool contesta)
{
    // A mark never set reads as null and matches neither true nor false, as in the table's
    // own comparisons.
    return requestList([enviado, contesta](const dbase::Table &ped) {
        const QVariant e = ped.value(QStringLiteral("m_enviado"));
        const QVariant c = ped.value(QStringLiteral("m_contesta"));
        return !e.isNull() && !c.isNull() && e.toBool() == enviado && c.toBool() == contesta;
    });
}

dbase::ResultSet CpedT()
{
    return requestList({});
}

QStringList requestListLabels()
{
    return {QStringLiteral("Código"), QStringLiteral("Fech.Ped."), QStringLiteral("Exp. Nro."),
            QStringLiteral("Apellido"), QStringLiteral("Nombre"), QStringLiteral("Fech.Con."),
            QStringLiteral("Organismo")};
}

const QStringList &PedBol::fieldNames()
{
    static const QStringList names = {
        "c_pedido", "c_tped", "c_banco", "c_tdoc", "c_est", "c_sexo", "c_prior", "c_tram", "c_pais", "f_ped",
        "v_monto_e", "v_monto_m", "n_recibo_e", "x_ape1", "x_ape2", "x_nom1", "x_nom2", "x_nom3",
        "x_nompadr1", "x_nompadr2", "x_nompadr3", "x_apemadr1", "x_apemadr2", "x_nommadr1", "x_nommadr2",
        "x_nom3m", "n_doc", "f_nac", "f_entrega", "n_expe", "c_expp", "c_res", "n_pront", "n_recibo_m", "c_ofi",
        "c_rechazo", "c_pedqal", "c_regqal", "c_clasder", "c_clasizq", "c_carped", "c_resnom", "f_fin",
        "n_equipo", "c_prefijo", "c_sufijo", "m_tramvirtual", "username", "c_pedido_pedpen", "c_tped_pedpen",
        "m_exc_art51", "n_ident", "x_apenom_ident", "c_modaltram", "x_lugar", "x_presentar_ante",
        "x_nomape_postal", "x_direc_solic", "c_loc_solic", "c_prov_solic", "c_codpos_solic", "x_tel_postal",
        "x_email_postal", "c_pais_solic", "c_boleta_web", "c_segur",
        // look-ups
        "x_sexo", "x_nac", "x_tdoc"};
    return names;
}

} // namespace qal
