#pragma once

#include "imaging/Scanner.h"

#include <QImage>
#include <QObject>

#include <memory>

class QThread;

namespace qal {

// What is done to every page as it arrives from the scanner.
struct PageTreatment
{
    bool deskew = false;   // straighten the page (search range 90 degrees, 0.1 degree steps)
    int rotateDegrees = 0; // then turn it clockwise by this many degrees
};

struct ScannedPage
{
    QImage image;
    int number = 0;        // 1-based, in the order of the batch
    bool deskewed = false;
    double skew = 0;       // degrees found, when deskewed
};

// Straightens and turns one page; uncovered areas are white. A deskewed page keeps its
// size, so that a page of the right size stays of the right size.
ScannedPage treatPage(const QImage &page, const PageTreatment &treatment);

// One scan on a thread of its own: the device is read, each page treated there, and the
// results reported as signals on the thread that owns the job. Destroying a running job
// cancels it and waits for its thread.
class ScanJob : public QObject
{
    Q_OBJECT

public:
    ScanJob(std::unique_ptr<Scanner> scanner, const ScanSettings &settings, const PageTreatment &treatment,
            QObject *parent = nullptr);
    ~ScanJob() override;

    void start();
    void cancel() { m_control.cancel(); }
    bool cancelled() const { return m_control.cancelled(); }
    bool isRunning() const;

signals:
    void progress(int page, int percent);
    void deskewing(int page);
    void pageReady(const qal::ScannedPage &page);
    // ok false with the error when the device failed or the scan was cancelled; pages
    // reported before stay valid.
    void finished(bool ok, const QString &error);

private:
    void work();

    std::unique_ptr<Scanner> m_scanner;
    ScanSettings m_settings;
    PageTreatment m_treatment;
    ScanControl m_control;
    QThread *m_thread = nullptr;
};

} // namespace qal
