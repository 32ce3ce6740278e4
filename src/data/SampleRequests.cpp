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
        // rejected in a state list, without its reason: the central office gives it when asked
        rechazado.insert({{"M_ENVIADO", true}, {"C_EST", "R"}, {"C_TDEL", 204}});
        store(ped, rechazado);

        dbase::Table sup(QStringLiteral("sup.dbf"));
        sup.open(dbase::Table::Mode::Exclusive);
        store(sup, {{"C_PED", 1}, {"C_REG", 12}, {"X_APE1", "GOMES"}, {"X_NOM1", "JUAN"}, {"C_PROV", 5}});

        dbase::Table counters(QStringLiteral("sec.dbf"));
        counters.open(dbase::Table::Mode::Exclusive);
        if (counters.locate(QStringLiteral("C_SEC"), QStringLiteral("ped"))) {
            counters.edit();
            counters.setValue(QStringLiteral("N_SEC"), 3);
            counters.post();
        }
    } catch (...) {
        ProgramFolder::setPath(before);
        throw;
    }
    ProgramFolder::setPath(before);
}

} // namespace qal
