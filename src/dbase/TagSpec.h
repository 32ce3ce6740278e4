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
};

} // namespace qal::dbase
