#pragma once

#include <QString>

namespace qal {

// The activity log "QalRegLog.log" of the program folder: mail and web-service work append
// one line per event. The file is opened and closed for every line so that another program
// can read it in between.
//
// Each line goes out in one append-mode write, so lines of two writers never interleave.
// A failed open of an existing file is retried kActivityLogRetries times, kActivityLogRetryMs
// apart (the file may be held by a reader for a moment); then the line is given up.
constexpr int kActivityLogRetries = 20;
constexpr int kActivityLogRetryMs = 50;

// Returns false when the line could not be written.
bool RegistrarActividad(const QString &line);

QString activityLogPath();

} // namespace qal
