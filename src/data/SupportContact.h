#pragma once

#include <QString>

namespace qal {

// Who an office calls when its tables or configuration need the central office's help.
inline QString supportContact()
{
    return QStringLiteral("Soporte técnico de QAL Central, soporte.qal@central.gob.ar, tel. (011) 4123-4567");
}

// Where an applicant asks about a personal request: named by the printed receipt and by the
// receipt sent by e-mail, the same in both.
inline QString centralWebSite()
{
    return QStringLiteral("www.qal.gob.ar");
}
inline QString centralFreePhone()
{
    return QStringLiteral("0800-555-0725");
}

} // namespace qal
