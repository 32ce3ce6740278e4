#pragma once

#include "biometrics/FingerScannerDevice.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace qal {

// The one object through which scanner images reach whichever window is on screen.
//
// A device hands images to deliver() from any thread. One image at a time is queued to the
// thread this object lives on (the user-interface thread); an image that arrives while the
// previous one is queued or being processed is dropped. There the image is taken only while
// delivery is on: its resolution is looked up in the table of ScannerConfig.CFG, it is
// checked, resampled to 500 ppi and written as a finger BMP; BeforeScan may refuse it, and
// AfterScan receives the BMP.
class TFingerScan : public QObject
{
    Q_OBJECT

public:
    explicit TFingerScan(QObject *parent = nullptr);
    ~TFingerScan() override;

    // The program's object, set at start (nullptr when there is none).
    static TFingerScan *instance();
    static void setInstance(TFingerScan *scan);

    // The window's handlers. BeforeScan answers whether the window takes an image now;
    // AfterScan receives the image as a finger BMP file in memory.
    std::function<bool()> BeforeScan;
    std::function<void(const QByteArray &bmp)> AfterScan;

    // Lines "identifier=resolution". A missing file leaves the table empty.
    void loadResolutions(const QString &cfgFile);
    // The table's value for the scanner, or the device's when the table has none or it is
    // not a number.
    int resolutionFor(const QString &scannerId, int devicePpi) const;

    // Starts capturing on the device (kept until stop or destruction).
    bool start(std::unique_ptr<FingerScannerDevice> device, QString &message);
    void stop();
    // At program start: the resolution table of the program folder's ScannerConfig.CFG,
    // and the device the folder describes (the simulated one of ScannerSimulado.INI; none
    // otherwise, which is not an error). False, with a message, when the device fails.
    bool startInProgramFolder(QString &message);
    bool capturing() const { return m_device != nullptr; }

    void setDelivery(bool on) { m_delivery = on; }
    bool delivery() const { return m_delivery; }

    // Thread-safe: the device's image callback.
    void deliver(ScannerImage image);

    QString scannerId() const { return m_scannerId; }
    int resolution() const { return m_resolution; }
    // Images dropped because another one was being processed.
    int droppedWhileBusy() const { return m_droppedBusy; }

    // Limits of a plausible image: sides of the image as delivered and at 500 ppi.
    static constexpr int MaxSide = 4096;
    static constexpr int MaxSideAt500 = 2048;

Q_SIGNALS:
    // An image that cannot be a fingerprint was dropped; the text says why.
    void imageRefused(const QString &message);
    // An image went through (AfterScan has returned, or BeforeScan refused it).
    void imageHandled();

private:
    void process(const ScannerImage &image);

    std::unique_ptr<FingerScannerDevice> m_device;
    QHash<QString, QString> m_resolutions;
    std::atomic<bool> m_delivery {false};
    std::atomic<bool> m_busy {false};
    std::atomic<int> m_droppedBusy {0};
    QString m_scannerId;
    int m_resolution = 0;
};

} // namespace qal
