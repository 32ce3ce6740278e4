#pragma once

#include <QString>

namespace qal::dbase {

// A tag to create: its name (at most 10 characters) and its dBASE key expression, as
// dBASE writes it in the file ("C_PED", "UPPER(X_APE1)", "DTOS(F_PED)+STR(C_ORG,4)").
struct TagSpec
{
    QString name;
    QString expression;
    bool descending = false;
    bool unique = false;
    // A FOR condition ("C_EST = 'C' .AND. .NOT. M_ENVIADO"): only the records it holds for
    // have a key in the tag. Empty: every record.
    QString forCondition = {};
};

} // namespace qal::dbase
