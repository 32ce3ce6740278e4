#include "imaging/ScanJob.h"

#include "imaging/Deskew.h"
#include "imaging/Rotate.h"

#include <QThread>

namespace qal {

ScannedPage treatPage(const QImage &page, const PageTreatment &treatment)
{
    ScannedPage out;
    out.image = page;
    if (treatment.deskew && !page.isNull()) {
        out.deskewed = true;
        out.skew = detectSkew(page, SkewSearch {90.0, 0.1});
        if (out.skew != 0)
            out.image = rotate(page, -out.skew, RotateCanvas::KeepSize);
    }
    const int turn = ((treatment.rotateDegrees % 360) + 360) % 360;
    if (turn != 0 && !out.image.isNull())
        out.image = rotate(out.image, turn, RotateCanvas::ExpandToFit);
    return out;
}

ScanJob::ScanJob(std::unique_ptr<Scanner> scanner, const ScanSettings &settings, const PageTreatment &treatment,
                 QObject *parent)
    : QObject(parent), m_scanner(std::move(scanner)), m_settings(settings), m_treatment(treatment)
{
}

ScanJob::~ScanJob()
{
    if (m_thread) {
        m_control.cancel();
        m_thread->wait();
        delete m_thread;
    }
}

bool ScanJob::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

void ScanJob::start()
{
    if (m_thread)
        return;
    m_thread = QThread::create([this] { work(); });
    m_thread->setObjectName(QStringLiteral("scan"));
    m_thread->start();
}

void ScanJob::work()
{
    // Everything the thread reports is handed to the job's own thread as a queued call; a
    // call still queued when the job is destroyed is dropped with it.
    const auto report = [this](auto &&call) { QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection); };
    m_control.progress = [&](int page, int percent) { report([this, page, percent] { emit progress(page, percent); }); };
    int number = 0;
    QString error;
    const bool ok = m_scanner->scan(m_settings, [&](const QImage &image) {
        ++number;
        if (m_treatment.deskew)
            report([this, number] { emit deskewing(number); });
        ScannedPage page = treatPage(image, m_treatment);
        page.number = number;
        report([this, page] { emit pageReady(page); });
        return !m_control.cancelled();
    }, &error, &m_control);
    const bool cancelledNow = m_control.cancelled();
    report([this, ok, error, cancelledNow] {
        emit finished(ok && !cancelledNow, cancelledNow ? kScanCancelled : error);
    });
}

} // namespace qal
