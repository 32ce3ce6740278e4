#pragma once

#include <QString>

namespace qal {

// Adds to a demo folder one official and one personal request that are complete and ready
// to send: every required field, the packed ten prints, the fingerprint card and the scanned
// documents, each as the image rules accept them. Throws DatabaseError.
void addDemoRequestsToSend(const QString &folder);

} // namespace qal
