#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace qal {

// Checks and conversions shared by the rules of the request tables. The checks show their
// own message through the Dialogs service.

// True when value is null or empty text, after showing "Debe completar el campo "<label>""
// in a box titled "Advertencia".
bool CampoVacio(const QVariant &value, const QString &label);

// True when value is null or made only of A..Z, Ñ, spaces and apostrophes; otherwise shows
// which value is refused and returns false.
bool NombreValido(const QVariant &value);

// Null stays null; text is trimmed and every run of spaces becomes one space.
QVariant NormalizarNombre(const QVariant &value);

// A security code of length upper-case hexadecimal characters cut from a new GUID.
QString GenerarCodigoSeguridad(int length);

// The thirteen name fields of a request, in the order they are normalised and checked.
const QStringList &camposNombre();

// Whole years of 365 days between birth and day, as the age checks count them.
int EdadEnAnios(const QDate &birth, const QDate &day);

} // namespace qal
