#include "RequestLists.h"

#include "dbase/FieldValue.h"
#include "dbase/Table.h"

#include <QDateTime>

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

const QList<PedBolField> &PedBol::fields()
{
    using F = PedBolField;
    static const QList<PedBolField> list = {
        {"c_pedido", F::Int},          {"c_tped", F::Text, 1},         {"c_banco", F::SmallInt},
        {"c_tdoc", F::SmallInt},       {"c_est", F::Text, 1},          {"c_sexo", F::Text, 1},
        {"c_prior", F::Text, 1},       {"c_tram", F::Text, 1},         {"c_pais", F::SmallInt},
        {"f_ped", F::DateTime},        {"v_monto_e", F::Decimal},      {"v_monto_m", F::Decimal},
        {"n_recibo_e", F::Int},        {"x_ape1", F::Text, 15},        {"x_ape2", F::Text, 15},
        {"x_oape", F::Text, 15},       {"x_nom1", F::Text, 15},        {"x_nom2", F::Text, 15},
        {"x_nom3", F::Text, 15},       {"n_doc", F::Int},              {"f_nac", F::DateTime},
        {"x_nom1p", F::Text, 15},      {"x_nom2p", F::Text, 15},       {"x_nom3p", F::Text, 15},
        {"x_ape1m", F::Text, 15},      {"x_ape2m", F::Text, 15},       {"x_nom1m", F::Text, 15},
        {"x_nom2m", F::Text, 15},      {"x_nom3m", F::Text, 15},       {"f_entrega", F::DateTime},
        {"n_expe", F::Int},            {"c_expp", F::Text, 2},         {"c_res", F::Text, 1},
        {"n_pront", F::Int},           {"n_recibo_m", F::Int},         {"c_ofi", F::Text, 2},
        {"c_rechazo", F::Text, 18},    {"c_pedqal", F::Int},           {"c_regqal", F::SmallInt},
        {"c_clasder", F::Text, 18},    {"c_clasizq", F::Text, 18},     {"c_carped", F::Text, 1},
        {"c_resnom", F::Text, 1},      {"f_fin", F::DateTime},         {"n_equipo", F::SmallInt},
        {"c_prefijo", F::Text, 20},    {"c_sufijo", F::Text, 20},      {"m_tramvirtual", F::Bool},
        {"username", F::Text, 255},    {"c_pedido_pedpen", F::Int},    {"c_tped_pedpen", F::Text, 1},
        {"m_exc_art51", F::Bool},      {"n_ident", F::Int},            {"x_apenom_ident", F::Text, 80},
        {"c_modaltram", F::Text, 2},   {"x_lugar", F::Text, 80},       {"x_presentar_ante", F::Text, 80},
        {"x_nomape_postal", F::Text, 80}, {"x_direc_solic", F::Text, 80}, {"c_loc_solic", F::SmallInt},
        {"c_prov_solic", F::SmallInt}, {"c_codpos_solic", F::SmallInt}, {"x_tel_postal", F::Text, 20},
        {"x_email_postal", F::Text, 80}, {"c_pais_solic", F::SmallInt}, {"c_boleta_web", F::Text, 11},
        {"c_segur", F::Text, 10},      {"x_sexo", F::Text, 20},        {"x_nac", F::Text, 20},
        {"x_tdoc", F::Text, 20}};
    return list;
}

const QStringList &PedBol::fieldNames()
{
    static const QStringList names = [] {
        QStringList n;
        for (const PedBolField &f : fields())
            n << QString::fromLatin1(f.name);
        return n;
    }();
    return names;
}

QDate fechaDeBoleta(const QString &text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t.left(10), QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    return d;
}

QVariant PedBol::convertir(const PedBolField &field, const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    switch (field.type) {
    case PedBolField::Int: {
        const int v = t.toInt(&ok);
        return ok ? QVariant(v) : QVariant();
    }
    case PedBolField::SmallInt: {
        const short v = t.toShort(&ok);
        return ok ? QVariant(static_cast<int>(v)) : QVariant();
    }
    case PedBolField::Decimal: {
        QString n = t;
        n.replace(QLatin1Char(','), QLatin1Char('.'));
        const double v = n.toDouble(&ok);
        return ok ? QVariant(v) : QVariant();
    }
    case PedBolField::Bool: {
        const QString l = t.toLower();
        if (l == QLatin1String("true") || l == QLatin1String("t") || l == QLatin1String("s") || l == QLatin1String("1"))
            return true;
        if (l == QLatin1String("false") || l == QLatin1String("f") || l == QLatin1String("n") || l == QLatin1String("0"))
            return false;
        return {};
    }
    case PedBolField::DateTime: {
        const QDate date = fechaDeBoleta(t);
        if (!date.isValid())
            return {};
        const QString rest = t.mid(10).trimmed().remove(QLatin1Char('T'));
        if (rest.isEmpty())
            return QDateTime(date, QTime(0, 0));
        QTime time = QTime::fromString(rest, QStringLiteral("HH:mm:ss"));
        if (!time.isValid())
            time = QTime::fromString(rest, QStringLiteral("HH:mm"));
        return time.isValid() ? QVariant(QDateTime(date, time)) : QVariant();
    }
    case PedBolField::Text:
        return text.left(field.width);
    }
    return {};
}

bool PedBol::llenar(const QStringList &items)
{
    values.clear();
    bool ok = true;
    for (const PedBolField &field : fields()) {
        const QString name = QString::fromLatin1(field.name);
        const QString text = valorItemBoleta(items, name);
        if (text.isEmpty())
            continue;
        const QVariant v = convertir(field, text);
        if (!v.isValid())
            ok = false;
        else
            values.insert(name, v);
    }
    return ok;
}

QStringList partirRespuestaBoleta(const QString &answer)
{
    QStringList items;
    QString item;
    for (const QChar c : answer) {
        if (c == QLatin1Char('|')) {
            items << item;
            item.clear();
        } else {
            item += c;
        }
    }
    return items;
}

QString valorItemBoleta(const QStringList &items, const QString &name)
{
    for (const QString &item : items) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq >= 0 && item.left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return item.mid(eq + 1);
    }
    return {};
}

} // namespace qal
