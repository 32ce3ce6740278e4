#pragma once

#include "dbase/Query.h"

#include <QStringList>

namespace qal {

// The lists of official requests with their agency: number, request date, file number,
// surname, name, answer date and agency name, ordered by number. Requests whose agency
// is not in the agency table are left out, as a join leaves them.

// Cped: the requests with the given sent and answered marks.
dbase::ResultSet Cped(bool enviado, bool contesta);
// CpedT: every official request.
dbase::ResultSet CpedT();

// The column labels of both lists, in column order.
QStringList requestListLabels();

// The bank-slip record the central office's bank-slip service returns, kept in memory and
// compared against a personal request: its field names in order and the values of the one
// record.
struct PedBol
{
    static const QStringList &fieldNames();
    QVariantMap values; // by field name; empty until the service fills it

    QVariant value(const QString &field) const { return values.value(field.toLower()); }
    void clear() { values.clear(); }
};

} // namespace qal
