#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;

namespace qal::reports {

class Canvas;

// One printed document: A4 pages, 10 mm margins on every side. A report draws
// the same page on any paged device (a printer, its preview, a PDF file); the texts it
// prints are computed before, by the document's own fill step.
class Report
{
public:
    virtual ~Report() = default;

    // Job and file title.
    virtual QString title() const = 0;
    virtual QPageLayout::Orientation orientation() const { return QPageLayout::Portrait; }
    // Draws the page; the canvas works in millimetres from the top left of the printable
    // area (inside the margins).
    virtual void paint(Canvas &canvas) const = 0;
    // Documents of several pages (a multi-page image) draw each page here.
    virtual int pageCount() const { return 1; }
    virtual void paintPage(Canvas &canvas, int page) const
    {
        Q_UNUSED(page);
        paint(canvas);
    }

    // A4 in this report's orientation with the margins.
    QPageLayout pageLayout() const;
};

// Sets the device to the report's page layout and draws it: one page. False with the
// device's complaint when painting cannot begin. Draws every page of the report.
bool PaintReport(const Report &report, QPagedPaintDevice &device, QString *error = nullptr);

// The report as the bytes of a PDF file; empty on failure.
QByteArray ReportPdf(const Report &report, QString *error = nullptr);
// Writes the report as a PDF file (all or nothing: through a temporary file beside it).
bool WriteReportPdf(const Report &report, const QString &path, QString *error = nullptr);

} // namespace qal::reports
