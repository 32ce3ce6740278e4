#pragma once

#include <QString>

namespace qal::dbase {

// Which of a table's files keeps it from opening, found by opening each on its own: the
// .DBF, then its .DBT when it has memo fields, then its production .MDX when the header
// says it has one. Maintenance uses it to repair only what failed (an index restored from
// its copy only when the index is what failed, never over a table that is itself damaged).
struct OpenDiagnosis
{
    enum class Part { None, Table, Memo, Index };
    Part part = Part::None;
    QString message; // the engine's text for the failure; empty for None
    QString indexPath; // the production index the table names (when it names one)
};

// fileName is resolved in the program folder, as Table resolves it. Reads only.
OpenDiagnosis diagnoseOpen(const QString &fileName);

} // namespace qal::dbase
