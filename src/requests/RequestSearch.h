#pragma once

#include "dbase/RecordSearch.h"

#include <QString>

namespace qal {

// The tables the general search looks in.
enum class TablaBusqueda { Oficiales, Personales, Supuestos };

// "Ped.dbf", "Pedp.dbf" or "Sup.dbf".
QString archivoBusqueda(TablaBusqueda tabla);

// What the operator typed on the names page; blank entries set no condition.
struct CriterioNombres
{
    QString ape1, ape2, nom1, nom2, nom3;

    bool vacio() const;
    // One condition per given entry, on x_ape1, x_ape2, x_nom1, x_nom2, x_nom3 in this
    // order, each the text exactly as typed.
    QList<dbase::FieldEquals> condiciones() const;
};

// The general request search. Each search is one typed look-up on its table's own cursor:
// what the operator typed is a value compared with the stored one, never part of a
// statement. Every failure of the table engine throws DatabaseError.
namespace busqueda {

// Requests (or aliases) with that request number.
dbase::RecordSet porCodigo(TablaBusqueda tabla, qint64 codigo);
// Requests whose stored names equal every given entry (the stored text is upper case);
// with no entry given, nothing (and no table).
dbase::RecordSet porNombres(TablaBusqueda tabla, const CriterioNombres &criterio);
// Requests with that document number. The aliases table has no document number: the
// engine's error says so.
dbase::RecordSet porDocumento(TablaBusqueda tabla, qint64 documento);

} // namespace busqueda
} // namespace qal
