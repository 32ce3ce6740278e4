#include "Report.h"

#include "Canvas.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace qal::reports {

QPageLayout Report::pageLayout() const
{
    return QPageLayout(QPageSize(QPageSize::A4), orientation(), QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

bool PaintReport(const Report &report, QPagedPaintDevice &device, QString *error)
{
    device.setPageLayout(report.pageLayout());
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error)
            *error = QStringLiteral("No se pudo comenzar la impresión de \"%1\"").arg(report.title());
        return false;
    }
    Canvas canvas(painter, report.pageLayout().paintRect(QPageLayout::Millimeter).size());
    for (int page = 0; page < report.pageCount(); ++page) {
        if (page > 0 && !device.newPage()) {
            if (error)
                *error = QStringLiteral("No se pudo agregar la página %1 de \"%2\"").arg(page + 1).arg(report.title());
            painter.end();
            return false;
        }
        report.paintPage(canvas, page);
    }
    return painter.end();
}

bool WriteReportPdf(const Report &report, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(600);
        pdf.setTitle(report.title());
        pdf.setCreator(QStringLiteral("QAL - Regional"));
        if (!PaintReport(report, pdf, error)) {
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace qal::reports
