#pragma once

namespace qal {
class Tdm;
}

// Opens the program's tables as a running program has them open, without the start-up
// maintenance: a running program may share the folder, so nothing is repaired or rewritten.
void openTablesAsRunning(qal::Tdm &dm);
