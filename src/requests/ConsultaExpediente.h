#pragma once

#include <QChar>

#include <functional>

namespace qal {

// Asks the central office for the state of one file in its procedures system and shows the
// answer: the procedure letter ("U" official, "W" personal), the file number, the request
// number and its office. The request forms get it from the main window.
using ConsultaExpediente = std::function<void(QChar letra, qlonglong expediente, qlonglong pedido, qlonglong region)>;

} // namespace qal
