#include "RequestLists.h"

#include "dbase/FieldValue.h"
#include "dbase/Table.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace qal {
namespace {

// An unset mark (blank or '?') is null.
std::optional<bool> mark(QByteArrayView bytes)
{
    const QVariant v = dbase::fieldvalue::decode(dbase::FieldDescriptor {QString(), 'L', 1, 0, 0}, bytes);
    if (v.isNull())
        return std::nullopt;
    return v.toBool();
}

ListaPedidos requestList(std::optional<std::pair<bool, bool>> marks)
{
    ListaPedidos list;
    list.pedidos.table = dbase::query::openForReading(QStringLiteral("ped.DBF"));
    const dbase::Table &ped = *list.pedidos.table;
    const dbase::FieldDescriptor cPed = ped.field(QStringLiteral("C_PED"));
    const dbase::FieldDescriptor enviado = ped.field(QStringLiteral("M_ENVIADO"));
    const dbase::FieldDescriptor contesta = ped.field(QStringLiteral("M_CONTESTA"));
    std::vector<std::pair<qint64, std::uint32_t>> numbered;
    const std::vector<std::uint32_t> records = dbase::query::recordsWhere(ped, [&](QByteArrayView r) {
        if (marks) {
            const std::optional<bool> e = mark(r.sliced(enviado.offset, 1));
            const std::optional<bool> c = mark(r.sliced(contesta.offset, 1));
            if (e != marks->first || c != marks->second)
                return false;
        }
        const QVariant n = dbase::fieldvalue::decode(cPed, r.sliced(cPed.offset, cPed.length));
        numbered.emplace_back(n.isNull() ? std::numeric_limits<qint64>::min() : n.toLongLong(), 0);
        return true;
    });
    for (size_t i = 0; i < records.size(); ++i)
        numbered[i].second = records[i];
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    list.pedidos.records.reserve(numbered.size());
    for (const auto &[n, recno] : numbered)
        list.pedidos.records.push_back(recno);

    dbase::Table org(QStringLiteral("org.DBF"));
    org.open();
    for (org.first(); !org.eof(); org.next()) {
        const QVariant code = org.value(QStringLiteral("C_ORG"));
        if (!code.isNull() && !list.organismos.contains(code.toLongLong()))
            list.organismos.insert(code.toLongLong(), org.value(QStringLiteral("X_ORG")).toString());
    }
    return list;
}

} // namespace

QString ListaPedidos::organismo(const QVariant &cOrg) const
{
    return cOrg.isNull() ? QString() : organismos.value(cOrg.toLongLong());
}

ListaPedidos Cped(bool enviado, bool contesta)
{
    return requestList(std::pair {enviado, contesta});
}

ListaPedidos CpedT()
{
    return requestList(std::nullopt);
}

const QList<ColumnaLista> &requestListColumns()
{
    static const QList<ColumnaLista> columns {
        {QStringLiteral("Código"), QStringLiteral("C_PED"), 8},     {QStringLiteral("Fech.Ped."), QStringLiteral("F_PED")},
        {QStringLiteral("Exp. Nro."), QStringLiteral("N_EXPE"), 8}, {QStringLiteral("Apellido"), QStringLiteral("X_APE1")},
        {QStringLiteral("Nombre"), QStringLiteral("X_NOM1")},       {QStringLiteral("Fech.Con."), QStringLiteral("F_CON")},
        {QStringLiteral("Organismo"), QStringLiteral("C_ORG"), 55}};
    return columns;
}

QStringList requestListLabels()
{
    QStringList labels;
    for (const ColumnaLista &c : requestListColumns())
        labels << c.label;
    return labels;
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
