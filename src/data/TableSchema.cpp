#include "TableSchema.h"

#include <stdexcept>

namespace qal {
namespace {

// Field shorthands. Numbers: codes and small counters are N(4); request and file numbers N(8)
// or N(10); postal codes N(5). Blobs are dBASE 5 binary fields kept in the .DBT.
FieldDef C(const char *name, int length) { return {QString::fromLatin1(name), 'C', length, 0, false}; }
FieldDef N(const char *name, int length) { return {QString::fromLatin1(name), 'N', length, 0, false}; }
FieldDef D(const char *name) { return {QString::fromLatin1(name), 'D', 8, 0, false}; }
FieldDef L(const char *name) { return {QString::fromLatin1(name), 'L', 1, 0, false}; }
FieldDef B(const char *name) { return {QString::fromLatin1(name), 'B', 10, 0, false}; }
FieldDef added(FieldDef f)
{
    f.addedByUpgrade = true;
    return f;
}
dbase::TagSpec tag(const char *field) { return {QString::fromLatin1(field), QString::fromLatin1(field), false, false}; }

QList<FieldDef> personNames()
{
    return {C("X_APE1", 15), C("X_APE2", 15), C("X_NOM1", 15), C("X_NOM2", 15), C("X_NOM3", 15)};
}

QList<FieldDef> parentNames()
{
    return {C("X_NOMPADR1", 15), C("X_NOMPADR2", 15), C("X_NOMPADR3", 15), C("X_APEMADR1", 15),
            C("X_APEMADR2", 15), C("X_NOMMADR1", 15), C("X_NOMMADR2", 15), C("X_NOMMADR3", 15)};
}

QList<FieldDef> pedFields()
{
    QList<FieldDef> f {N("C_PED", 8), C("C_SEXO", 1), C("C_TDOC", 2), N("C_NAC", 4), N("C_PROV", 4),
                       N("C_ORG", 6), D("F_PED"), C("X_SEC", 40), C("X_DOM", 80), N("C_CODPOS", 5),
                       C("X_LOC", 40), C("X_DELITO", 80), N("N_PRONT", 10)};
    f << personNames() << D("F_NAC") << N("N_EDAD", 4) << N("N_DOC", 10) << N("C_PROVCI", 4)
      << parentNames()
      << L("M_ENVIADO") << L("M_CONTESTA") << C("X_OBS", 250) << B("B_HUELLA") << N("C_REG", 4)
      << B("B_RESP") << N("N_EXPE", 10) << D("F_CON") << N("C_PRIOR", 4) << C("N_CAUSA", 15)
      << added(C("C_EST", 1)) << added(N("C_TDEL", 4)) << added(C("C_CARPED", 1))
      << added(C("C_CLASDER", 5)) << added(C("C_CLASIZQ", 5)) << added(L("M_EXCART51"))
      << added(L("M_TOMA_KTV")) << added(L("M_ESPECIAL")) << added(L("M_MENOR"))
      << added(C("X_RECHAZO", 225)) << added(C("C_VERSION", 10)) << N("N_REF", 10)
      << added(C("C_PREFIJO", 20)) << added(C("C_SUFIJO", 20)) << added(C("X_EMAIL", 100))
      << added(C("X_OAPE", 15));
    return f;
}

QList<FieldDef> pedpFields()
{
    QList<FieldDef> f {N("C_PED", 8), C("C_SEXO", 1), C("C_TDOC", 2), N("C_NAC", 4), N("C_PROV_S", 4),
                       D("F_PED"), C("X_DOM_S", 50), N("C_CODPOS_S", 5), C("X_LOC_S", 30)};
    f << personNames() << D("F_NAC") << N("N_DOC", 10) << parentNames() << C("X_OBS", 50)
      << N("C_REG", 4) << N("N_EXPE", 10) << C("C_EST", 1) << C("C_RECHAZO", 18) << C("N_CERT", 18)
      << N("C_PRIOR", 4) << D("F_CON") << C("C_EXPP", 2) << C("C_TPED", 1) << C("C_RES", 1)
      << N("N_RECIBO_E", 10) << N("N_RECIBO_M", 10) << N("C_BANCO", 4)
      << added(C("C_PREFIJO", 20)) << added(C("C_SUFIJO", 20)) << added(C("C_TRAM", 1))
      << added(C("C_LOGIN", 10)) << added(C("X_OAPE", 15)) << added(C("C_CLASDER", 5))
      << added(C("C_CLASIZQ", 5)) << added(L("M_EXCART51")) << added(C("X_RECHAZO", 225))
      << added(D("F_PAGO")) << added(C("C_PAGO", 32)) << added(C("C_PAGO_DOMIC", 32))
      << added(C("C_SEGUR", 10)) << added(N("VERIF_ID", 8)) << added(C("F_CAPTURA", 20))
      << added(C("C_VERSION", 10));
    return f;
}

QList<TableDef> makeDefinitions()
{
    QList<TableDef> t;
    t << TableDef {"sec", "sec.dbf", "C_SEC", true, {C("C_SEC", 10), N("N_SEC", 10)}, {tag("C_SEC")}};
    t << TableDef {"org", "org.DBF", "C_ORG", true,
                   {N("C_ORG", 6), C("X_ORG", 80), C("X_DOM", 80), C("X_LOC", 40), N("C_CODPOS", 5),
                    N("C_PROV", 4), added(C("X_EMAIL", 100))},
                   {tag("C_ORG"), tag("X_ORG")}};
    t << TableDef {"prov", "prov.DBF", "C_PROV", true, {N("C_PROV", 4), C("X_PROV", 40)}, {tag("C_PROV")}};
    t << TableDef {"ped", "PED.DBF", "C_PED", true, pedFields(),
                   {tag("C_PED"), tag("X_APE1"), tag("N_EXPE"), tag("N_DOC")}};
    t << TableDef {"nac", "nac.DBF", "C_NAC", true, {N("C_NAC", 4), C("X_NAC", 40)}, {tag("C_NAC")}};
    t << TableDef {"tdoc", "tdoc.DBF", "C_TDOC", true, {C("C_TDOC", 2), C("X_TDOC", 30), C("C_EXPORT", 2)},
                   {tag("C_TDOC")}};
    t << TableDef {"sexo", "sexo.DBF", QString(), false, {C("C_SEXO", 1), C("X_SEXO", 15)}, {}};
    t << TableDef {"prior", "prior.DBF", QString(), true, {N("C_PRIOR", 4), C("X_PRIOR", 20)}, {tag("C_PRIOR")}};
    t << TableDef {"pedp", "Pedp.DBF", "C_PED", true, pedpFields(),
                   {tag("C_PED"), tag("X_APE1"), tag("N_EXPE"), tag("N_DOC")}};
    QList<FieldDef> sup {N("C_PED", 8), N("C_REG", 4)};
    sup << personNames() << N("C_PROV", 4);
    t << TableDef {"sup", "sup.dbf", "C_PED", true, sup, {tag("C_PED")}};
    t << TableDef {"Est", "Est.DBF", QString(), false, {C("C_EST", 1), C("X_EST", 30)}, {}};
    t << TableDef {"expp", "expp.dbf", "X_EXPP", true, {C("C_EXPP", 2), C("X_EXPP", 40)},
                   {tag("X_EXPP"), tag("C_EXPP")}};
    t << TableDef {"res", "res.dbf", "C_RES", true, {C("C_RES", 1), C("X_RES", 40)}, {tag("C_RES")}};
    t << TableDef {"usu", "usu.dbf", "C_LOGIN", true, {C("C_LOGIN", 10), C("X_USU", 80), C("C_CLAVE", 10)},
                   {tag("C_LOGIN")}};
    t << TableDef {"estcent", "estcent.DBF", "C_ESTCENT", true, {C("C_ESTCENT", 3), C("X_ESTCENT", 60)},
                   {tag("C_ESTCENT")}};
    t << TableDef {"tdel", "tdel.dbf", "C_TDEL", true,
                   {N("C_TDEL", 4), C("N_LEY", 10), C("N_ART", 10), C("N_INC", 3), C("X_TDEL", 254),
                    N("C_TDEL_P", 4)},
                   {tag("C_TDEL")}};
    t << TableDef {"tram", "tram.dbf", "C_TRAM", true, {C("C_TRAM", 1), C("C_PRIOR", 1), C("X_TRAM", 15)},
                   {tag("C_TRAM")}};
    t << TableDef {"amb", "amb.dbf", "C_AMB", true, {C("C_AMB", 20), C("X_AMB", 254)}, {tag("C_AMB")}};
    t << TableDef {"carped", "carped.DBF", "C_CARPED", true, {C("C_CARPED", 1), C("X_CARPED", 30)},
                   {tag("C_CARPED")}};
    t << TableDef {"url", "url.DBF", "N_PRIOR", true, {N("N_PRIOR", 4), C("X_URL", 40)}, {tag("N_PRIOR")}};
    return t;
}

} // namespace

const FieldDef *TableDef::field(const QString &name) const
{
    for (const FieldDef &f : fields) {
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    }
    return nullptr;
}

dbase::FieldList TableDef::descriptors(bool legacy) const
{
    dbase::FieldList out;
    int offset = 1;
    for (const FieldDef &f : fields) {
        if (legacy && f.addedByUpgrade)
            continue;
        int length = f.length;
        // The oldest tables had narrower fields that the upgrade widens.
        if (legacy && component == QLatin1String("ped") && f.name == QLatin1String("N_CAUSA"))
            length = 8;
        if (legacy && component == QLatin1String("sup") && f.name == QLatin1String("C_PED"))
            length = 5;
        if (legacy && component == QLatin1String("sup") && f.name == QLatin1String("C_REG"))
            length = 3;
        out << dbase::FieldDescriptor {dbase::storedFieldName(f.name), f.type, length, f.decimals, offset};
        offset += length;
    }
    return out;
}

const QList<TableDef> &tableDefinitions()
{
    static const QList<TableDef> definitions = makeDefinitions();
    return definitions;
}

const TableDef &tableDefinition(const QString &component)
{
    for (const TableDef &t : tableDefinitions()) {
        if (t.component.compare(component, Qt::CaseInsensitive) == 0)
            return t;
    }
    throw std::invalid_argument("unknown table component");
}

} // namespace qal
