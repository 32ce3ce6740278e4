#include "biometrics/SimulatedFingerScanner.h"

#include "core/IniFile.h"
#include "core/ProgramFolder.h"
#include "imaging/BmpFile.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>
#include <cstring>

namespace qal {

SimulatedFingerScanner::SimulatedFingerScanner(QString scannerId) : m_id(std::move(scannerId)) {}

SimulatedFingerScanner::~SimulatedFingerScanner()
{
    stop();
}

std::unique_ptr<SimulatedFingerScanner> SimulatedFingerScanner::fromIni(const QString &iniFile)
{
    if (!QFileInfo(iniFile).isFile())
        return nullptr;
    const IniFile ini(iniFile);
    const QString section = QStringLiteral("Config");
    const QString folder = ProgramFolder::resolveIn(QFileInfo(iniFile).absolutePath(),
                                                    ini.readString(section, QStringLiteral("Carpeta"), QStringLiteral("simulado")));
    const QDir dir(folder);
    if (!dir.exists())
        return nullptr;
    const int interval = qMax(0, ini.readInteger(section, QStringLiteral("Intervalo"), 2000));
    const int ppi = ini.readInteger(section, QStringLiteral("Resolucion"), 0);
    auto device = std::make_unique<SimulatedFingerScanner>(ini.readString(section, QStringLiteral("Id"), QStringLiteral("SIM-0001")));
    QList<Step> steps;
    const QStringList files = dir.entryList({QStringLiteral("*.bmp"), QStringLiteral("*.BMP")}, QDir::Files, QDir::Name);
    for (const QString &f : files)
        steps.append(Step {dir.filePath(f), interval, ppi, 1});
    device->setSteps(steps);
    device->setRepeat(ini.readString(section, QStringLiteral("Repetir"), QStringLiteral("S")).compare(QLatin1String("N"), Qt::CaseInsensitive) != 0);
    return device;
}

ScannerImage SimulatedFingerScanner::imageOf(const Step &step) const
{
    ScannerImage image;
    image.scannerId = m_id;
    const GreyImage grey = BmpFile::readGrey(step.file);
    if (grey.isNull())
        return image;
    image.width = grey.width();
    image.height = grey.height();
    image.pixels = QByteArray(reinterpret_cast<const char *>(grey.pixels().data()), qsizetype(grey.pixels().size()));
    image.ppi = step.ppi != 0 ? step.ppi : (grey.resolution() > 0 ? grey.resolution() : 500);
    return image;
}

bool SimulatedFingerScanner::start(ImageCallback onImage, QString &message)
{
    if (!m_startFailure.isEmpty()) {
        message = m_startFailure;
        return false;
    }
    stop();
    m_onImage = std::move(onImage);
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void SimulatedFingerScanner::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SimulatedFingerScanner::run()
{
    bool delivered = true;
    while (delivered) {
        delivered = false;
        for (const Step &step : std::as_const(m_steps)) {
            {
                std::unique_lock lock(m_mutex);
                if (m_wake.wait_for(lock, std::chrono::milliseconds(step.delayMs), [this] { return m_stopping; }))
                    return;
            }
            const ScannerImage image = imageOf(step);
            if (image.pixels.isEmpty())
                continue;
            delivered = true;
            for (int i = 0; i < step.burst; ++i)
                m_onImage(image);
        }
        // a script whose files are all unreadable is not replayed forever
        delivered = delivered && m_repeat;
    }
}

} // namespace qal
