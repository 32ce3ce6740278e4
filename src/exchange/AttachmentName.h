#pragma once

#include <QString>

namespace qal::exchange {

// The file name under which an attachment named by a message may be saved into a folder.
// Names come from outside, so only the last component survives: any folder part (written
// with "/" or "\"), a drive letter and control characters are dropped. An empty result or
// one made only of dots and blanks is refused with an empty string.
QString nombreAdjuntoSeguro(const QString &nombre);

// folder + the safe name, or an empty string when the name is refused.
QString rutaAdjunto(const QString &folder, const QString &nombre);

} // namespace qal::exchange
