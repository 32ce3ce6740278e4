#pragma once

#include "dbase/RecordSearch.h"

#include <QHash>
#include <QVariantMap>

#include <QDate>
#include <QList>
#include <QStringList>
#include <QVariant>

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
// compared against a personal request: its fields in order and the values of the one record.
struct PedBolField
{
    enum Type { Int, SmallInt, Text, DateTime, Decimal, Bool };
    const char *name;
    Type type;
    int width = 0; // texts: their size
};

struct PedBol
{
    static const QList<PedBolField> &fields();
    static const QStringList &fieldNames();
    QVariantMap values; // by field name; empty until the service fills it

    QVariant value(const QString &field) const { return values.value(field.toLower()); }
    void clear() { values.clear(); }

    // Fills the record from the answer's "name=value" items: each field takes the value of the
    // first item of its name (letter case ignored) when that value is not empty, converted by
    // the field's type (texts are cut to their size). False, with the record left partly
    // filled, when a value does not convert.
    bool llenar(const QStringList &items);
    // One value as text converted by the field's type; an invalid QVariant when it does not convert.
    static QVariant convertir(const PedBolField &field, const QString &text);
};

// The items of the bank-slip service's answer: every "|" closes one; text after the last "|"
// is not an item.
QStringList partirRespuestaBoleta(const QString &answer);
// The value of the first "name=value" item with that name, letter case ignored; a null
// string when there is none.
QString valorItemBoleta(const QStringList &items, const QString &name);
// A date as the central office writes it: "dd/MM/yyyy" (the program's format) or "yyyy-MM-dd".
QDate fechaDeBoleta(const QString &text);

} // namespace qal
