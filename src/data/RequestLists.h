#pragma once

#include "dbase/Query.h"

#include <QDate>
#include <QList>
#include <QStringList>
#include <QVariant>

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
