#pragma once

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QImage;
class QPainter;

namespace qal::reports {

struct Code39Symbol;

// Drawing in millimetres on a paged device whose painter works in device pixels. Fonts
// keep their point sizes, so text measures the same on a 600 dpi PDF and on a printer.
class Canvas
{
public:
    Canvas(QPainter &painter, const QSizeF &pageMm);

    QSizeF page() const { return m_page; } // the printable area
    QPainter &painter() { return m_painter; }

    QRectF px(const QRectF &mm) const;
    double px(double mm) const { return mm * m_pxPerMm; }

    // Text with its top left at (x, y); returns its width in millimetres.
    double text(double x, double y, const QString &text, const QFont &font);
    // Text placed in a box by the alignment flags (Qt::Align...), on one line.
    void text(const QRectF &box, int alignment, const QString &text, const QFont &font);
    // Text wrapped at word boundaries within width; returns the height used.
    double paragraph(double x, double y, double width, const QString &text, const QFont &font);
    // "Caption:" then, 2 mm on, its value; returns where the value ends.
    double captioned(double x, double y, const QString &caption, const QString &value, const QFont &captionFont,
                     const QFont &valueFont);
    double textWidth(const QString &text, const QFont &font) const;
    double lineHeight(const QFont &font) const;

    void frame(const QRectF &mm, double penMm = 0.3);
    void line(double x1, double y1, double x2, double y2, double penMm = 0.3);
    // The image fitted into the box keeping its proportions, centred.
    void image(const QRectF &box, const QImage &image);
    void barcode(const QRectF &box, const Code39Symbol &symbol);

private:
    QPainter &m_painter;
    QSizeF m_page;
    double m_pxPerMm;
};

} // namespace qal::reports
