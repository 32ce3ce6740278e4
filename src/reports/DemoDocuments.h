#pragma once

#include <QString>

namespace qal::reports {

// Adds to a new demo folder two personal requests (one answered, with its answer image,
// one with its prints rejected) and card images for official and personal request 1:
// something for every printed document.
void addSampleDocuments(const QString &folder);

} // namespace qal::reports
