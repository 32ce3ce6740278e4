#include "DireccionCorreo.h"

#include <QRegularExpression>

namespace qal {

bool DireccionCorreoValida(const QString &text)
{
    // An atom's characters: letters, digits, the specials of the standard and any
    // character beyond ASCII.
    static const QRegularExpression direccion(QStringLiteral(
        R"(^(?:[A-Za-z0-9!#$%&'*+\-=?^_`{|}~\x{80}-\x{10FFFF}]+(?:\.[A-Za-z0-9!#$%&'*+\-=?^_`{|}~\x{80}-\x{10FFFF}]+)*)"
        R"(|"(?:[^"\\\r\n]|\\.)*")"
        R"(@[A-Za-z][A-Za-z0-9-]*(?:\.[A-Za-z][A-Za-z0-9-]*)+$)"));
    if (!direccion.match(text).hasMatch())
        return false;
    return text.back().isLetterOrNumber() && text.back().unicode() < 128;
}

} // namespace qal
