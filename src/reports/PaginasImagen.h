#pragma once

#include "Report.h"

#include <QImage>
#include <QList>

namespace qal::reports {

// Every page of an image file (a received answer, a multi-page TIFF), each fitted to its
// own A4 page inside the margins.
class PaginasImagen final : public Report
{
public:
    // Reads every page; false (with the reason) when the file is missing or unreadable.
    bool abrir(const QString &fileName, QString *error = nullptr);
    void setPages(QList<QImage> pages);
    const QList<QImage> &pages() const { return m_pages; }

    QString title() const override { return m_title; }
    void paint(Canvas &canvas) const override { paintPage(canvas, 0); }
    int pageCount() const override { return int(m_pages.size()); }
    void paintPage(Canvas &canvas, int page) const override;

private:
    QList<QImage> m_pages;
    QString m_title = QStringLiteral("Impresión de Imagen");
};

// A black-and-white page as a 1-bit image whose colour table is exactly black and white:
// the form a PDF keeps without loss. Other images are returned as they are.
QImage ParaImprimirSinPerdida(const QImage &image);

} // namespace qal::reports
