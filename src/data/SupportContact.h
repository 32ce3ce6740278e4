#pragma once

#include <QString>

namespace qal {

// Who an office calls when its tables or configuration need the central office's help.
inline QString supportContact()
{
    return QStringLiteral("Soporte técnico de QAL Central, soporte.qal@central.gob.ar, tel. (011) 4123-4567");
}

} // namespace qal
