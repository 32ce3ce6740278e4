#pragma once

#include "exchange/MailServer.h"
#include "exchange/OutgoingMail.h"

#include <QString>

#include <functional>

namespace qal::exchange {

// Sends one message over its own SMTP connection (STARTTLS when offered, SMTPS on port
// 465), logging in only when the server says to. progress gets the bytes sent so far, on the
// transfer's thread.
bool smtpSend(const MailServer &server, const EncodedMail &mail, const std::function<void(qint64)> &progress,
              QString *reason);

} // namespace qal::exchange
