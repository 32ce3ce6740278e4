#pragma once

#include <QString>

namespace qal {

// Writes the demo central office's own data (central/estados.json of a demo folder, the file
// qal-central-sim reads with --states): which of the folder's requests it holds, with their
// states, file numbers, results and procedure states, and the bank slip of every personal
// request of the folder with the request's own data, so that the slip check before sending
// finds it and agrees. Run after the demo requests are in the folder. Throws DatabaseError.
void writeDemoCentralData(const QString &folder);

} // namespace qal
