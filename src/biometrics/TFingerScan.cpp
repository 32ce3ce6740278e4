#include "biometrics/TFingerScan.h"

#include "biometrics/GreyBitmapOps.h"
#include "biometrics/SimulatedFingerScanner.h"
#include "core/ProgramFolder.h"
#include "imaging/BmpFile.h"

#include <QFile>
#include <QMetaObject>
#include <QTextStream>

#include <cmath>
#include <cstring>

namespace qal {

namespace {

TFingerScan *g_instance = nullptr;

// Clears the busy flag however processing ends.
struct BusyRelease
{
    std::atomic<bool> &flag;
    ~BusyRelease() { flag = false; }
};

} // namespace

TFingerScan::TFingerScan(QObject *parent) : QObject(parent) {}

TFingerScan::~TFingerScan()
{
    stop();
    if (g_instance == this)
        g_instance = nullptr;
}

TFingerScan *TFingerScan::instance()
{
    return g_instance;
}

void TFingerScan::setInstance(TFingerScan *scan)
{
    g_instance = scan;
}

void TFingerScan::loadResolutions(const QString &cfgFile)
{
    m_resolutions.clear();
    QFile file(cfgFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString id = line.left(eq).trimmed();
        if (!id.isEmpty() && !m_resolutions.contains(id))
            m_resolutions.insert(id, line.mid(eq + 1).trimmed());
    }
}

int TFingerScan::resolutionFor(const QString &scannerId, int devicePpi) const
{
    bool ok = false;
    const int value = m_resolutions.value(scannerId).toInt(&ok);
    return ok ? value : devicePpi;
}

bool TFingerScan::start(std::unique_ptr<FingerScannerDevice> device, QString &message)
{
    stop();
    if (!device)
        return false;
    if (!device->start([this](ScannerImage image) { deliver(std::move(image)); }, message))
        return false;
    m_device = std::move(device);
    return true;
}

bool TFingerScan::startInProgramFolder(QString &message)
{
    m_delivery = false;
    loadResolutions(ProgramFolder::resolve(QStringLiteral("ScannerConfig.CFG")));
    auto device = SimulatedFingerScanner::fromIni(ProgramFolder::resolve(SimulatedFingerScanner::iniFileName()));
    if (!device)
        return true;
    return start(std::move(device), message);
}

void TFingerScan::stop()
{
    if (m_device) {
        m_device->stop();
        m_device.reset();
    }
}

void TFingerScan::deliver(ScannerImage image)
{
    if (m_busy.exchange(true)) {
        ++m_droppedBusy;
        return;
    }
    QMetaObject::invokeMethod(this, [this, image = std::move(image)] { process(image); }, Qt::QueuedConnection);
}

void TFingerScan::process(const ScannerImage &image)
{
    BusyRelease release {m_busy};
    if (!m_delivery)
        return;
    m_scannerId = image.scannerId;
    m_resolution = resolutionFor(image.scannerId, image.ppi);

    // A resolution or size no scanner delivers would make the resampling divide by zero or
    // allocate without bound: such an image is dropped and the window told why.
    if (m_resolution <= 0) {
        Q_EMIT imageRefused(QStringLiteral("Imagen descartada: resolución inválida (%1) del escáner %2")
                                .arg(m_resolution).arg(image.scannerId));
        return;
    }
    const double factor = m_resolution / 500.0;
    if (image.width <= 0 || image.height <= 0 || image.width > MaxSide || image.height > MaxSide
        || image.pixels.size() < qsizetype(image.width) * image.height
        || std::lround(image.width / factor) > MaxSideAt500 || std::lround(image.height / factor) > MaxSideAt500
        || std::lround(image.width / factor) < 1 || std::lround(image.height / factor) < 1) {
        Q_EMIT imageRefused(QStringLiteral("Imagen descartada: tamaño inválido (%1 x %2 a %3 ppp) del escáner %4")
                                .arg(image.width).arg(image.height).arg(m_resolution).arg(image.scannerId));
        return;
    }

    GreyImage grey(image.width, image.height, m_resolution);
    std::memcpy(grey.pixels().data(), image.pixels.constData(), grey.pixels().size());
    if (!BeforeScan) {
        qWarning("BeforeScan not Attached");
        return;
    }
    if (!BeforeScan()) {
        Q_EMIT imageHandled();
        return;
    }
    GreyImage at500 = ResampleTo500(grey, m_resolution);
    at500.setResolution(500);
    const QByteArray bmp = BmpFile::encodeGrey(at500);
    if (!AfterScan) {
        qWarning("AfterScan not Attached");
        return;
    }
    AfterScan(bmp);
    Q_EMIT imageHandled();
}

} // namespace qal
