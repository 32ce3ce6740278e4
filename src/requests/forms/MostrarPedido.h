#pragma once

#include <QVariant>

#include <functional>

namespace qal {

namespace dbase {
class Table;
}

// Puts a request table on the request numbered cPed and then shows it with show. False,
// showing nothing, when there is no such request. Moving the table obeys the request form's
// own guard: while the form holds a changed, unsaved request, the record rules refuse to
// leave it (and tell the operator to save or cancel), and the table stays where it was.
// Without show the window does not exist in this build, and the operator is told so.
bool mostrarPedido(dbase::Table &pedidos, const QVariant &cPed, const std::function<void()> &show);

} // namespace qal
