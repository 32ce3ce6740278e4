#pragma once

#include <QString>

namespace qal {

// "QalReg.INI" in the program folder: the two settings kept outside the parameter table.
// Read afresh on every call.
namespace qalregini {

// [Config] UsaOutlookSecMan: whether Outlook's security prompts are answered by the
// security manager. A whole number, non-zero is true; absent or not a number: true.
bool usaOutlookSecMan();

// [QALService] Servidor: the central office's web server (scheme, host and optional port),
// the base of every service's address. Absent: the server on this machine, which is where
// the offices' test installations point.
QString servidor();
inline constexpr char16_t kServidorPorOmision[] = u"http://127.0.0.1";

// [QALService] URL: the central office's message web service (a full address). Absent: the
// message service's path on the server above.
QString urlServicio();
inline constexpr char16_t kRutaServicioMensajes[] = u"/QALService/QALMessageService.asmx";

// [QALService] Namespace: the namespace of every service's types and operations, a web
// address ending in "/" (one is added when missing).
QString espacioNombres();
inline constexpr char16_t kEspacioNombresPorOmision[] = u"http://tempuri.org/";

// [QALService] TimeOut: seconds a call to the central office may take before it is given up
// (at least 1).
int tiempoEsperaSegundos();
inline constexpr int kTiempoEsperaPorOmision = 30;

QString path();

} // namespace qalregini
} // namespace qal
