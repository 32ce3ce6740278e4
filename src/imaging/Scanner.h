#pragma once

#include <QImage>
#include <QMap>
#include <QString>
#include <QStringList>

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

// A source of scanned pages. scan() delivers each page, top-down, with its resolution
// set, to onPage; onPage returns false to stop. The result is false with an error text
// when the device could not be used or failed mid-page (pages already delivered stay
// delivered); an empty feeder after the first page is the normal end.
class Scanner
{
public:
    virtual ~Scanner() = default;
    virtual QStringList devices() = 0;
    virtual bool scan(const ScanSettings &settings, const std::function<bool(const QImage &)> &onPage,
                      QString *error) = 0;
};

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

    QStringList devices() override;
    bool scan(const ScanSettings &settings, const std::function<bool(const QImage &)> &onPage,
              QString *error) override;

    // Largest page accepted from a device, in bytes of raw data.
    static constexpr qint64 kMaxPageBytes = 1'500'000'000;

private:
    QString m_device;
    QMap<QString, QString> m_extra;
};

} // namespace qal
