#pragma once

#include <QString>

namespace qal {

// Adds to a demo folder one official and one personal request that are complete and ready
// to send: every required field, the packed ten prints, the fingerprint card and the scanned
// documents, each as the image rules accept them. Then two official requests to look up
// (names with Ñ and an apostrophe, one of them answered, one of a removed agency) and an
// alias. Throws DatabaseError.
void addDemoRequestsToSend(const QString &folder);

} // namespace qal
