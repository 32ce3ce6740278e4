#pragma once

#include "biometrics/FingerScannerDevice.h"

#include <QList>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace qal {

// A fingerprint scanner without hardware: it delivers finger images read from BMP files,
// in a scripted order, each after a delay, from a thread of its own. Tests script it; the
// demo folder's "ScannerSimulado.INI" sets one up that takes the prints of a folder in turn.
class SimulatedFingerScanner final : public FingerScannerDevice
{
public:
    struct Step
    {
        QString file;      // a BMP; an unreadable file delivers nothing
        int delayMs = 0;   // before the image is delivered
        int ppi = 0;       // resolution reported; 0: the file's (500 when it has none)
        int burst = 1;     // how many copies are delivered back to back
    };

    explicit SimulatedFingerScanner(QString scannerId = QStringLiteral("SIM-0001"));
    ~SimulatedFingerScanner() override;

    void setSteps(QList<Step> steps) { m_steps = std::move(steps); }
    void setRepeat(bool repeat) { m_repeat = repeat; }
    // The device refuses to start, with this message.
    void setStartFailure(const QString &message) { m_startFailure = message; }

    // The demo set-up: [Config] Carpeta (folder of BMP files, relative to the INI's folder),
    // Intervalo (ms between prints, default 2000), Resolucion (0: the files'), Repetir
    // (S/N, default S). Null when the file or the folder is missing.
    static std::unique_ptr<SimulatedFingerScanner> fromIni(const QString &iniFile);
    static QString iniFileName() { return QStringLiteral("ScannerSimulado.INI"); }

    bool start(ImageCallback onImage, QString &message) override;
    void stop() override;

    // The image a step delivers (empty pixels when the file cannot be read).
    ScannerImage imageOf(const Step &step) const;
    const QString &scannerId() const { return m_id; }

private:
    void run();

    QString m_id;
    QList<Step> m_steps;
    bool m_repeat = false;
    QString m_startFailure;
    ImageCallback m_onImage;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
};

} // namespace qal
