#pragma once

namespace qal::dbase {
class Table;
}

namespace qal {

// An official or personal request can be changed until it is sent, and again once the
// central office has rejected it (state "R").
bool pedidoModificable(const dbase::Table &ped);

} // namespace qal
