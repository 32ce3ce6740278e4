#pragma once

#include <QImage>
#include <QMap>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace qal {

// Pixel types of the scanner settings ("TipoImagen").
enum class ScanPixelType { BlackWhite = 0, Gray = 1, Color8 = 2, Color24 = 3 };

struct ScanSettings
{
    int dpi = 300;
    double leftMm = 0;    // scan area, millimetres from the top-left corner of the glass
    double topMm = 0;
    double rightMm = 210;
    double bottomMm = 110;
    int brightness = 0;   // -1000..1000, 0 neutral
    int contrast = 0;     // -1000..1000, 0 neutral
    ScanPixelType pixelType = ScanPixelType::Gray;
    int pages = 1;        // at most this many pages
    bool feeder = false;  // take pages from the automatic document feeder
    bool showInterface = false;
};

// A scanner as the system lists it.
struct ScannerDevice
{
    QString name;   // what the device is opened by ("test:0", "epson2:libusb:001:004")
    QString vendor;
    QString model;
    QString type;   // "flatbed scanner", "virtual device", ...
};

// One option of a device, as its driver describes it, with the current value as text.
struct ScannerOption
{
    QString name;        // "resolution", "tl-x", ...; empty for a group heading
    QString title;
    QString description;
    QString type;        // "Bool", "Int", "Fixed", "String", "Button", "Group"
    QString unit;        // "mm", "dpi", "%", "bit", "pel", "us" or empty
    QString constraint;  // "None", "Range", "WordList" or "StringList"
    QString minimum, maximum, step; // for a range
    QStringList values;  // for a list
    QString current;     // empty when the option cannot be read
    int count = 1;       // values in the option (arrays have more than one)
    bool active = true;
    bool settable = true;
};

// Watching and stopping a scan from another thread. progress() is called on the scanning
// thread with the 1-based page and the share of it read (0..100, -1 when the device does
// not know the page's length).
class ScanControl
{
public:
    void cancel() { m_cancelled.store(true); }
    bool cancelled() const { return m_cancelled.load(); }
    std::function<void(int page, int percent)> progress;

private:
    std::atomic<bool> m_cancelled {false};
};

// A source of scanned pages. scan() delivers each page, top-down, with its resolution
// set, to onPage; onPage returns false to stop. The result is false with an error text
// when the device could not be used or failed mid-page (pages already delivered stay
// delivered); an empty feeder after the first page is the normal end. A cancelled scan
// ends with false and the error "Digitalización cancelada".
class Scanner
{
public:
    virtual ~Scanner() = default;
    virtual QStringList devices() = 0;
    virtual bool scan(const ScanSettings &settings, const std::function<bool(const QImage &)> &onPage,
                      QString *error, ScanControl *control = nullptr) = 0;
};

inline const QString kScanCancelled = QStringLiteral("Digitalización cancelada");

// Scanning through SANE. The device is the one named, or the first SANE reports.
// Pixel types: BlackWhite is line art (1 bit; from grey when the device has no line-art
// mode), Gray 8-bit grey, Color8 and Color24 colour. The scanner's own interface does not
// exist under SANE; showInterface is ignored.
class SaneScanner final : public Scanner
{
public:
    explicit SaneScanner(QString device = {});
    ~SaneScanner() override;

    // Device options set by name before each scan, after the settings ("test-picture" ...).
    void setExtraOption(const QString &name, const QString &value) { m_extra.insert(name, value); }

    QString device() const { return m_device; }
    void setDevice(const QString &device) { m_device = device; }

    QStringList devices() override;
    QList<ScannerDevice> deviceList();
    // The options of the device (the first one when none is named); empty with the error
    // when it cannot be opened.
    QList<ScannerOption> options(QString *error = nullptr);
    bool scan(const ScanSettings &settings, const std::function<bool(const QImage &)> &onPage,
              QString *error, ScanControl *control = nullptr) override;

    // Largest page accepted from a device, in bytes of raw data.
    static constexpr qint64 kMaxPageBytes = 1'500'000'000;

private:
    QString m_device;
    QMap<QString, QString> m_extra;
};

} // namespace qal
