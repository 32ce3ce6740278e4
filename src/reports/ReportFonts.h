#pragma once

#include <QFont>
#include <QString>

namespace qal::reports {

// The faces the documents are laid out in. Each is a metric-compatible free font loaded
// from its Debian package's file, so a page breaks its lines at the same places on every
// machine whatever fontconfig would substitute.
enum class Face {
    Arial,      // Liberation Sans
    CourierNew, // Liberation Mono
    Tahoma,     // Wine's Tahoma
};

// Loads the font files once per process (needs a QGuiApplication). False, with the
// missing files named in error, when a package is not installed; documents then fall
// back to whatever the system offers.
bool LoadReportFonts(QString *error = nullptr);

// A font of a face in points.
QFont ReportFont(Face face, qreal points, bool bold = false, bool underline = false);

} // namespace qal::reports
