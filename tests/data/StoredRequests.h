#pragma once

#include "data/Tdm.h"
#include "dbase/Table.h"

#include <gtest/gtest.h>

namespace qal::test {

// A complete request of the office stored past the forms and then put in the given state (an
// official one marked sent, as the central office's answers find it); its number.
inline qlonglong storeRequestInState(Tdm &dm, bool personal, const QString &state)
{
    dbase::Table &t = personal ? dm.pedp : dm.ped;
    t.append();
    if (personal) {
        t.setValue("C_TDOC", "DU");
        t.setValue("C_SEXO", "F");
        t.setValue("C_NAC", 1);
        t.setValue("X_APE1", "PEREZ");
        t.setValue("X_NOM1", "ANA");
        t.setValue("N_DOC", 20123456);
        t.setValue("C_TRAM", "3");
    } else {
        t.setValue("C_ORG", 2);
        t.setValue("C_NAC", 1);
        t.setValue("C_SEXO", "M");
        t.setValue("X_APE1", "GOMEZ");
        t.setValue("X_NOM1", "JUAN");
        t.setValue("C_PRIOR", 1);
        t.setValue("C_TDEL", 101);
    }
    dm.grabacionAutorizada = true;
    t.post();
    const qlonglong number = t.value("C_PED").toLongLong();
    t.edit();
    t.setValue("C_EST", state);
    if (!personal)
        t.setValue("M_ENVIADO", true);
    dm.grabacionAutorizada = true;
    t.post();
    return number;
}

// A field of a stored request, read afresh.
inline QVariant storedRequestField(Tdm &dm, bool personal, qlonglong number, const char *name)
{
    dbase::Table &t = personal ? dm.pedp : dm.ped;
    t.setIndexField("C_PED");
    EXPECT_TRUE(t.findKey(number));
    return t.value(QLatin1String(name));
}

} // namespace qal::test
