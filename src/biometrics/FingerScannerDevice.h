#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace qal {

// One image as a fingerprint scanner delivers it: the scanner's identifier, the size, the
// 8-bit grey pixels (top-down rows of width bytes) and the resolution in pixels per inch.
struct ScannerImage
{
    QString scannerId;
    int width = 0;
    int height = 0;
    QByteArray pixels;
    int ppi = 0;
};

// A live-scan fingerprint scanner. Once started it calls the image callback whenever a
// finger is taken, from whatever thread it likes; the receiver (TFingerScan) queues each
// image to the user-interface thread.
class FingerScannerDevice
{
public:
    using ImageCallback = std::function<void(ScannerImage)>;

    virtual ~FingerScannerDevice() = default;

    // False, with a message, when the device cannot start capturing.
    virtual bool start(ImageCallback onImage, QString &message) = 0;
    // Ends capturing; no callback runs after it returns.
    virtual void stop() = 0;
};

} // namespace qal
