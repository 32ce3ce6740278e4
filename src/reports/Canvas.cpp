#include "Canvas.h"

#include "Code39.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

namespace qal::reports {

Canvas::Canvas(QPainter &painter, const QSizeF &pageMm)
    : m_painter(painter), m_page(pageMm), m_pxPerMm(painter.device()->logicalDpiX() / 25.4)
{
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

QRectF Canvas::px(const QRectF &mm) const
{
    return {mm.x() * m_pxPerMm, mm.y() * m_pxPerMm, mm.width() * m_pxPerMm, mm.height() * m_pxPerMm};
}

double Canvas::text(double x, double y, const QString &text, const QFont &font)
{
    const double width = textWidth(text, font);
    this->text(QRectF(x, y, width + 1, lineHeight(font)), Qt::AlignLeft | Qt::AlignTop, text, font);
    return width;
}

void Canvas::text(const QRectF &box, int alignment, const QString &text, const QFont &font)
{
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    m_painter.drawText(px(box), alignment | Qt::TextSingleLine | Qt::TextDontClip, text);
}

double Canvas::captioned(double x, double y, const QString &caption, const QString &value,
                         const QFont &captionFont, const QFont &valueFont)
{
    const double valueX = x + text(x, y, caption, captionFont) + 2;
    return valueX + text(valueX, y, value, valueFont);
}

double Canvas::paragraph(double x, double y, double width, const QString &text, const QFont &font)
{
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    const QRectF box = px(QRectF(x, y, width, m_page.height()));
    QRectF used;
    m_painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text, &used);
    return used.height() / m_pxPerMm;
}

double Canvas::textWidth(const QString &text, const QFont &font) const
{
    return QFontMetricsF(font, m_painter.device()).horizontalAdvance(text) / m_pxPerMm;
}

double Canvas::lineHeight(const QFont &font) const
{
    return QFontMetricsF(font, m_painter.device()).height() / m_pxPerMm;
}

void Canvas::frame(const QRectF &mm, double penMm)
{
    m_painter.setPen(QPen(Qt::black, px(penMm)));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(px(mm));
}

void Canvas::line(double x1, double y1, double x2, double y2, double penMm)
{
    m_painter.setPen(QPen(Qt::black, px(penMm)));
    m_painter.drawLine(QPointF(px(x1), px(y1)), QPointF(px(x2), px(y2)));
}

void Canvas::image(const QRectF &box, const QImage &image)
{
    if (image.isNull() || box.isEmpty())
        return;
    QSizeF size = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatio);
    const QRectF target(box.x() + (box.width() - size.width()) / 2, box.y() + (box.height() - size.height()) / 2,
                        size.width(), size.height());
    // The image goes to the device whole; the device scales it (a PDF keeps its pixels).
    m_painter.drawImage(px(target), image);
}

void Canvas::barcode(const QRectF &box, const Code39Symbol &symbol)
{
    DrawCode39(m_painter, px(box), symbol);
}

} // namespace qal::reports
