#pragma once

#include "dbase/RecordSearch.h"

#include <QHash>
#include <QVariantMap>

#include <QStringList>

namespace qal {

// The lists of official requests with their agency: number, request date, file number,
// surname, name, answer date and agency name, ordered by number. The records are picked in
// one read of the table and their values read when they are shown, so a list of every
// request opens at once. A request whose agency is no longer in the agency table is listed
// with an empty agency.
struct ListaPedidos
{
    dbase::RecordSet pedidos;              // records of ped.DBF in request-number order
    QHash<qint64, QString> organismos;     // X_ORG by C_ORG

    int size() const { return pedidos.size(); }
    // The agency name of a request's C_ORG; empty when there is none.
    QString organismo(const QVariant &cOrg) const;
};

// Cped: the requests with the given sent and answered marks. A mark never set reads as null
// and matches neither true nor false.
ListaPedidos Cped(bool enviado, bool contesta);
// CpedT: every official request.
ListaPedidos CpedT();

// The list's columns: label, field of ped (C_ORG stands for the agency name) and display
// width in characters (0: the field's own width), in column order.
struct ColumnaLista
{
    QString label;
    QString field;
    int width = 0;
};
const QList<ColumnaLista> &requestListColumns();
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
