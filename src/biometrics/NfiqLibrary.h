#pragma once

#include "biometrics/FingerQuality.h"
#include "imaging/GreyImage.h"

#include <QString>
#include <QUrl>

#include <stdexcept>

namespace qal {

// The quality module libgbnfiq.so of the program folder, loaded once at start and kept
// loaded; when it is missing, scoring fetches it from the central office's internal web
// server.
class NfiqLibrary
{
public:
    // The module's file name in the program folder and on the server.
    static QString fileName();

    // Base address of the internal web server (default http://nfiq.qal.interno); the
    // module is fetched from <server>/<fileName()>.
    static QUrl server();
    static void setServer(const QUrl &url);
    static QUrl downloadUrl();

    // Start-up load. A missing or unloadable module is silent (false). A module that
    // loads but lacks an entry point throws MissingEntryPoint.
    static bool loadAtStart();
    static bool isLoaded();
    // Unloads (tests).
    static void unload();

    // Calls the module's scoring entry point; -1 when the module is not loaded.
    static int imageQuality(const std::uint8_t *pixels, int width, int height, int *nfiq);

    struct MissingEntryPoint : std::runtime_error
    {
        using std::runtime_error::runtime_error;
    };
};

// Makes the quality module available: loaded already, or present but unloadable (false),
// or downloaded to a temporary name, checked to be a loadable module with both entry
// points, renamed into place and loaded. Download failures show
// "Error bajando desde "<url>"".
bool EnsureNfiqLibrary();

// Scores the picture of an image control. Crops it in place to a multiple of 4 columns
// (the picture shown is the cropped one). Codes: -2 no picture, -1 no module, -3 no
// memory, else the module's.
QualityRecord ScoreImage(GreyImage &image);

} // namespace qal
