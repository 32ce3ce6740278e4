#pragma once

#include <QString>

namespace qal {

// Whether text is an e-mail address the receipt can be sent to: a local part of atoms
// separated by single dots (or one quoted string), "@", and a domain of at least two labels,
// each beginning with a letter and made of letters, digits and hyphens, the address ending
// in a letter or digit.
bool DireccionCorreoValida(const QString &text);

} // namespace qal
