#pragma once

#include "SoapMessageTransport.h"

#include "data/NetworkIdentity.h"

namespace qal {
class Tdm;
}
namespace qal::exchange {
class TSMime;
}

namespace qal::soap {

// Installs the message web service in the transport selector, with the folder's settings
// read at every send; each send's log line goes to log. The selector owns the transport;
// the returned pointer lets the caller wait for running sends before it leaves.
SoapMessageTransport *instalarServicioWeb(exchange::TSMime &smime, Tdm &dm, SoapMessageTransport::LogSink log);

// The configuration check of the sending-configuration window: VerifyMessage with this
// office's code (c_regp when it is a non-zero number, else c_reg), MAC and host name. Returns
// the answer followed by " - tiempo: N ms."; after a failure, the error instead of the answer.
QString VerificarConfiguracion(Tdm &dm, const NetworkIdentity &identity);

} // namespace qal::soap
