#pragma once

#include <QString>
#include <QStringList>

namespace qal {

class Tdm;

// The lists of request states that the central office returns (by its web pages or in the
// files "EstOfi.DAT" / "EstPriv.DAT" of a "SETESTADO" message), shown as a text table and
// applied to the local request tables.
//
// Each line is "request;state|file" (results: "request;state|file,result"). Only requests in
// "E" or "T" (results: also "C") move, and only to "C", "R" or "T"; a line that would change
// nothing costs one key look-up and no write.
enum class ListaEstados { Oficiales, Personales, Resultados };

// One line of a list, split by the piece rules; pedido is 0 when the line carries no usable
// request number.
struct LineaEstado
{
    qlonglong pedido = 0;
    QString estado;
    QString expediente; // file number as text, empty when there is none
    QString resultado;  // results only
};
LineaEstado LeerLineaEstado(const QString &linea, ListaEstados tipo);

// Applies the list text to ped (official) or pedp (personal lists and results) and returns
// the lines that the central-state window shows for it. A table in edit or insert state
// (the operator is editing a request) is listed but not changed; the cursor of the table
// is given back where it was.
QStringList AplicarListaEstados(Tdm &dm, ListaEstados tipo, const QString &texto);

} // namespace qal
