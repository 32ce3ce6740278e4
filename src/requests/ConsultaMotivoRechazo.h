#pragma once

#include <QString>

#include <functional>

namespace qal {

// Asks the central office why it rejected a request (its number and office): true with the
// reason in motivo, or false when the office could not be reached or answered with a fault,
// described in error. The request forms get one for their kind of request.
using ConsultaMotivoRechazo = std::function<bool(int cPed, int cReg, QString &motivo, QString &error)>;

} // namespace qal
