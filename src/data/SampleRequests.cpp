#include "ProgramFolderSetup.h"

#include "dbase/Table.h"

#include "core/Clock.h"
#include "core/ProgramFolder.h"

#include <QVariantMap>

namespace qal {
namespace {

// Written as a save through the request form leaves them, without running the form's rules:
// the folder is being made, not used.
void store(dbase::Table &t, const QVariantMap &values)
{
    t.append();
    for (auto it = values.begin(); it != values.end(); ++it)
        t.setValue(it.key(), it.value());
    t.post();
}

QVariantMap request(int number, const char *surname, const char *name, int agency, int province)
{
    return {{"C_PED", number},   {"C_REG", 12},        {"F_PED", Clock::today().addDays(number - 10)},
            {"C_ORG", agency},   {"C_PROV", province}, {"X_DOM", "TALCAHUANO 550"},
            {"X_LOC", "CIUDAD AUTÓNOMA DE BUENOS AIRES"}, {"C_CODPOS", 1013},
            {"X_APE1", surname}, {"X_NOM1", name},     {"C_SEXO", "M"},
            {"C_NAC", 1},        {"C_PRIOR", 3},       {"C_TDEL", 201},
            {"C_CARPED", "C"},   {"C_EST", "I"},       {"M_ENVIADO", false},
            {"M_CONTESTA", false}, {"C_CLASDER", "00000"}, {"C_CLASIZQ", "00000"}};
}

} // namespace

void addSampleRequests(const QString &folder)
{
    const QString before = ProgramFolder::path();
    ProgramFolder::setPath(folder);
    try {
        dbase::Table ped(QStringLiteral("PED.DBF"));
        ped.open(dbase::Table::Mode::Exclusive);
        QVariantMap nuevo = request(1, "GOMEZ", "JUAN", 1, 5);
        nuevo.insert({{"X_APE2", "PEREYRA"}, {"X_NOM2", "CARLOS"}, {"F_NAC", QDate(1980, 5, 17)},
                      {"C_TDOC", "DU"}, {"N_DOC", 28123456}, {"C_PROVCI", 5}, {"N_CAUSA", "4512/26"},
                      {"X_EMAIL", "jnc1@pjn.gov.ar"}, {"X_SEC", "SECRETARÍA Nº 2"}});
        store(ped, nuevo);
        QVariantMap enviado = request(2, "FERNANDEZ", "MARIA", 2, 21);
        enviado.insert({{"C_SEXO", "F"}, {"M_ENVIADO", true}, {"C_EST", "T"}, {"N_EXPE", 7004312}, {"C_TDEL", 202}});
        store(ped, enviado);
        QVariantMap rechazado = request(3, "RODRIGUEZ", "PEDRO", 3, 6);
        rechazado.insert({{"M_ENVIADO", true}, {"C_EST", "R"}, {"C_TDEL", 204},
                          {"X_RECHAZO", "La ficha dactiloscópica no es legible"}});
        store(ped, rechazado);
        // names with the letters an operator types besides A to Z: Ñ and the apostrophe
        QVariantMap contestado = request(4, "MUÑOZ", "IÑAKI", 1, 5);
        contestado.insert({{"X_APE2", "PEÑALOZA"}, {"C_TDOC", "DU"}, {"N_DOC", 30111222}, {"F_NAC", QDate(1975, 11, 2)},
                           {"M_ENVIADO", true}, {"M_CONTESTA", true}, {"C_EST", "C"}, {"N_EXPE", 7004377},
                           {"F_CON", Clock::today().addDays(-2)}, {"N_CAUSA", "88/25"}});
        store(ped, contestado);
        QVariantMap apostrofe = request(5, "D'ANGELO", "MARIA", 2, 21);
        apostrofe.insert({{"X_NOM2", "ROSA"}, {"C_SEXO", "F"}, {"C_TDOC", "DU"}, {"N_DOC", 27999888}});
        store(ped, apostrofe);

        dbase::Table sup(QStringLiteral("sup.dbf"));
        sup.open(dbase::Table::Mode::Exclusive);
        store(sup, {{"C_PED", 1}, {"C_REG", 12}, {"X_APE1", "GOMES"}, {"X_NOM1", "JUAN"}, {"C_PROV", 5}});
        store(sup, {{"C_PED", 4}, {"C_REG", 12}, {"X_APE1", "MUNOZ"}, {"X_NOM1", "INAKI"}, {"C_PROV", 5}});

        dbase::Table pedp(QStringLiteral("Pedp.DBF"));
        pedp.open(dbase::Table::Mode::Exclusive);
        store(pedp, {{"C_PED", 1},          {"C_REG", 12},         {"F_PED", Clock::today().addDays(-1)},
                     {"X_APE1", "NUÑEZ"},   {"X_APE2", "ACUÑA"},   {"X_NOM1", "BEATRIZ"},
                     {"C_SEXO", "F"},       {"C_NAC", 1},          {"C_TDOC", "DU"},
                     {"N_DOC", 31222333},   {"F_NAC", QDate(1988, 4, 9)},
                     {"X_DOM_S", "CORRIENTES 1234"}, {"C_PROV_S", 5}, {"C_CODPOS_S", 1043},
                     {"X_LOC_S", "CIUDAD AUTÓNOMA DE BUENOS AIRES"}, {"C_EST", "I"}, {"C_TRAM", "1"},
                     {"C_PRIOR", 1},        {"C_CLASDER", "00000"}, {"C_CLASIZQ", "00000"}});

        dbase::Table counters(QStringLiteral("sec.dbf"));
        counters.open(dbase::Table::Mode::Exclusive);
        for (const auto &[counter, last] : {std::pair {"ped", 5}, {"pedp", 1}}) {
            if (counters.locate(QStringLiteral("C_SEC"), QString::fromLatin1(counter))) {
                counters.edit();
                counters.setValue(QStringLiteral("N_SEC"), last);
                counters.post();
            }
        }
    } catch (...) {
        ProgramFolder::setPath(before);
        throw;
    }
    ProgramFolder::setPath(before);
}

} // namespace qal
