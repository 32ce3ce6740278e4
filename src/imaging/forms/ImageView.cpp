#include "imaging/forms/ImageView.h"

#include "imaging/TiffFile.h"

#include <QFile>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTransform>

namespace qal {

namespace {

QImage turned(const QImage &image, int quarterTurns)
{
    const int q = ((quarterTurns % 4) + 4) % 4;
    if (q == 0 || image.isNull())
        return image;
    QImage out = image.transformed(QTransform().rotate(90.0 * q));
    out.setDotsPerMeterX(q % 2 ? image.dotsPerMeterY() : image.dotsPerMeterX());
    out.setDotsPerMeterY(q % 2 ? image.dotsPerMeterX() : image.dotsPerMeterY());
    return out;
}

} // namespace

ImageView::ImageView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
}

bool ImageView::openFile(const QString &path, QString *error)
{
    clear();
    int count = 1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("No se puede abrir %1").arg(path);
        return false;
    }
    if (file.peek(2) != "BM") {
        file.close();
        count = TiffFile::pageCount(path, error);
        if (count < 1)
            return false;
    }
    m_path = path;
    m_pageCount = count;
    m_turns = QList<int>(count, 0);
    if (!setPage(1)) {
        clear();
        if (error)
            *error = QStringLiteral("No se puede leer %1").arg(path);
        return false;
    }
    return true;
}

void ImageView::showImage(const QImage &image)
{
    clear();
    if (image.isNull())
        return;
    m_single = image;
    m_pageCount = 1;
    m_turns = {0};
    setPage(1);
}

void ImageView::clear()
{
    m_path.clear();
    m_single = QImage();
    m_page = QImage();
    m_scaled = QPixmap();
    m_pageCount = 0;
    m_pageNumber = 0;
    m_turns.clear();
    updateScale();
    viewport()->update();
    emit pageChanged(0, 0);
}

QImage ImageView::pageImage(int page) const
{
    QImage image = m_single.isNull() ? TiffFile::readPage(m_path, page) : m_single;
    return turned(image, m_turns.value(page - 1));
}

bool ImageView::setPage(int page)
{
    if (m_pageCount < 1)
        return false;
    page = std::clamp(page, 1, m_pageCount);
    const QImage image = pageImage(page);
    if (image.isNull())
        return false;
    m_page = image;
    m_pageNumber = page;
    m_scaled = QPixmap();
    updateScale();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
    emit pageChanged(m_pageNumber, m_pageCount);
    return true;
}

void ImageView::setZoomMode(ZoomMode mode)
{
    m_mode = mode;
    updateScale();
}

void ImageView::setZoom(int percent)
{
    m_zoom = std::clamp(percent, kMinZoom, kMaxZoom);
    m_mode = ZoomMode::Free;
    updateScale();
}

void ImageView::rotateRight()
{
    if (isEmpty())
        return;
    ++m_turns[m_pageNumber - 1];
    setPage(m_pageNumber);
}

void ImageView::rotateLeft()
{
    if (isEmpty())
        return;
    --m_turns[m_pageNumber - 1];
    setPage(m_pageNumber);
}

bool ImageView::hasPendingEdits() const
{
    return std::any_of(m_turns.begin(), m_turns.end(), [](int t) { return t % 4 != 0; });
}

bool ImageView::savePendingEdits(QString *error)
{
    if (m_path.isEmpty() || !hasPendingEdits())
        return true;
    for (int i = 0; i < m_turns.size(); ++i) {
        const int q = ((m_turns[i] % 4) + 4) % 4;
        if (q != 0 && !TiffFile::rotatePage(m_path, i + 1, q, error))
            return false;
        m_turns[i] = 0;
    }
    return true;
}

void ImageView::updateScale()
{
    double scale = m_zoom / 100.0;
    if (!m_page.isNull() && m_mode != ZoomMode::Free) {
        const QSize area = viewport()->size();
        const double sw = double(area.width()) / m_page.width();
        const double sh = double(area.height()) / m_page.height();
        scale = m_mode == ZoomMode::FitWidth ? sw : m_mode == ZoomMode::FitHeight ? sh : std::min(sw, sh);
        scale = std::max(scale, 0.001);
    }
    if (scale != m_scale) {
        m_scale = scale;
        m_scaled = QPixmap();
        emit scaleChanged(scalePercent());
    }
    updateScrollBars();
    viewport()->update();
}

void ImageView::updateScrollBars()
{
    const QSize shown = m_page.isNull() ? QSize() : (QSizeF(m_page.size()) * m_scale).toSize();
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, shown.width() - area.width()));
    verticalScrollBar()->setRange(0, std::max(0, shown.height() - area.height()));
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setPageStep(area.height());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

void ImageView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScale();
}

void ImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    if (m_page.isNull())
        return;
    if (m_scaled.isNull()) {
        const QSize size = (QSizeF(m_page.size()) * m_scale).toSize().expandedTo(QSize(1, 1));
        m_scaled = QPixmap::fromImage(m_page.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    // centred when smaller than the window, scrolled otherwise
    const QSize area = viewport()->size();
    const int x = m_scaled.width() < area.width() ? (area.width() - m_scaled.width()) / 2 : -horizontalScrollBar()->value();
    const int y = m_scaled.height() < area.height() ? (area.height() - m_scaled.height()) / 2 : -verticalScrollBar()->value();
    painter.drawPixmap(x, y, m_scaled);
}

int ImageView::print(QPagedPaintDevice *device, int start, int end, PrintFit fit) const
{
    if (m_pageCount < 1 || !device)
        return 0;
    start = std::clamp(start, 1, m_pageCount);
    end = std::clamp(end, start, m_pageCount);
    QPainter painter;
    int printed = 0;
    for (int page = start; page <= end; ++page) {
        const QImage image = pageImage(page);
        if (image.isNull())
            continue;
        if (printed == 0) {
            if (!painter.begin(device))
                return 0;
        } else if (!device->newPage()) {
            break;
        }
        const QRect paper = painter.viewport();
        QRectF target;
        if (fit == PrintFit::PageWidth) {
            target = QRectF(0, 0, paper.width(), double(image.height()) * paper.width() / image.width());
        } else {
            const double s = std::min(double(paper.width()) / image.width(), double(paper.height()) / image.height());
            const QSizeF size(image.width() * s, image.height() * s);
            target = QRectF(QPointF((paper.width() - size.width()) / 2, (paper.height() - size.height()) / 2), size);
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image);
        ++printed;
    }
    if (painter.isActive())
        painter.end();
    return printed;
}

} // namespace qal
