#pragma once

#include "data/NetworkIdentity.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qal {
class Tdm;
}

namespace qal::exchange {

// "ped.dat": the data of one request as the central office reads it, an INI file in
// Windows-1252 with CR LF line ends. Section [DATA] holds one name=value line per field of
// the request, in the order of the request table's field list (look-up and calculated fields
// included, images left out), then keys that belong to the kind of package; an official
// request adds one section [SUP<n>] per alias.
enum class TipoPaquete {
    Oficial,    // the current record of ped, with its aliases
    Personal,   // the current record of pedp
    Correccion, // the current record of pedp as a correction: also carries m_excart51
};

inline const QString kPedDat = QStringLiteral("ped.dat");

// The keys of [DATA] taken from the record, in order.
const QStringList &clavesPaquete(TipoPaquete tipo);

// A field value as the package writes it: whole numbers without decimals or grouping, dates
// "dd/MM/yyyy", logicals "True"/"False", text as stored with CR and LF as blanks (so that no
// value starts a line of its own), null as nothing.
QString textoValor(const QVariant &value);

// The package of the current request (ped for Oficial, pedp otherwise). red is this
// computer's identity, written in personal packages. Throws DatabaseError when a table
// cannot be read.
QByteArray ContenidoPedDat(Tdm &dm, TipoPaquete tipo, const NetworkIdentity &red);

} // namespace qal::exchange
