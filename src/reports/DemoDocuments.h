#pragma once

#include <QString>

namespace qal::reports {

// Adds to a new demo folder two personal requests (one answered, with its answer image,
// one with its prints rejected) and card images for official and personal request 1:
// something for every printed document.
void addSampleDocuments(const QString &folder);

// The bank slip of the demo's personal request number: eleven characters whose second is the
// procedure type of every demo personal request ("3"), as the record rules want it. The demo
// central office (scripts/run) knows each of them with the request's own data.
QString demoSlip(int number);

} // namespace qal::reports
