#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace qal::test {

// Reading printed output back with the poppler and zbar tools.

// Runs a program to its end (at most 60 s); its standard output, or nullopt-like empty
// with ok false when it could not run or failed.
QString runTool(const QString &program, const QStringList &arguments, bool *ok = nullptr);
// The first page of a PDF as a grey image at dpi.
QImage pdfPage(const QString &pdf, int dpi, int page = 1);
// "Page size" and "Pages" lines of pdfinfo.
QString pdfPageSize(const QString &pdf);
int pdfPageCount(const QString &pdf);
// What zbarimg decodes from an image file, one symbol per line.
QString decodeBarcodes(const QString &imageFile);

// Pixels whose grey levels differ by more than tolerance; size mismatch counts every pixel.
qint64 differingPixels(const QImage &a, const QImage &b, int tolerance);

} // namespace qal::test
