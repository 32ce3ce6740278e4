#pragma once

#include <QString>

#include <functional>

namespace qal::exchange {

class TdmMail;

// The message that tests the account: from and to the office's own address.
bool EnviarMensajePrueba(TdmMail &mail, QString *error);

// The account test: connects to the POP3 server and, when that works, sends the test message,
// telling each step through addLine. True when both worked.
bool ChequearCuentaCorreo(TdmMail &mail, const std::function<void(const QString &)> &addLine);

} // namespace qal::exchange
