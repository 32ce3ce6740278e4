#include "Report.h"

#include "Canvas.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QBuffer>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

QByteArray ReportPdf(const Report &report, QString *error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(600);
        pdf.setTitle(report.title());
        pdf.setCreator(QStringLiteral("QAL - Regional"));
        if (!PaintReport(report, pdf, error))
            return {};
    }
    return bytes;
}

bool WriteReportPdf(const Report &report, const QString &path, QString *error)
{
    const QByteArray bytes = ReportPdf(report, error);
    if (bytes.isEmpty())
        return false;
    // A whole new file renamed over the old one. Not synced to disk: a document is made
    // again at will, and waiting for the disk would cost more than drawing it.
    const QFileInfo target(path);
    QTemporaryFile file(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    const auto fail = [error](const QString &why) {
        if (error)
            *error = QStringLiteral("No se pudo escribir el documento: ") + why;
        return false;
    };
    if (!file.open())
        return fail(file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        return fail(file.errorString());
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    file.setAutoRemove(false);
    return true;
}

} // namespace qal::reports
