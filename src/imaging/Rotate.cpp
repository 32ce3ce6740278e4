#include "imaging/Rotate.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace qal {

namespace {

GreyImage quarterTurns(const GreyImage &image, int turns)
{
    const int w = image.width(), h = image.height();
    if (turns == 0)
        return image;
    GreyImage out(turns == 2 ? w : h, turns == 2 ? h : w, image.resolution());
    for (int y = 0; y < h; ++y) {
        const std::uint8_t *src = image.row(y);
        for (int x = 0; x < w; ++x) {
            switch (turns) {
            case 1: out.setPixel(h - 1 - y, x, src[x]); break;
            case 2: out.setPixel(w - 1 - x, h - 1 - y, src[x]); break;
            default: out.setPixel(y, w - 1 - x, src[x]); break;
            }
        }
    }
    return out;
}

} // namespace

GreyImage rotate(const GreyImage &image, double degrees, RotateCanvas canvas, std::uint8_t fill)
{
    if (image.isNull() || !std::isfinite(degrees))
        return image;
    const double turns = degrees / 90.0;
    if (std::abs(turns - std::round(turns)) < 1e-9) {
        const int q = ((int(std::lround(turns)) % 4) + 4) % 4;
        if (canvas == RotateCanvas::ExpandToFit || q == 0 || q == 2 || image.width() == image.height())
            return quarterTurns(image, q);
    }
    const double a = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    const int w = image.width(), h = image.height();
    int outW = w, outH = h;
    if (canvas == RotateCanvas::ExpandToFit) {
        outW = int(std::ceil(std::abs(w * c) + std::abs(h * s) - 1e-6));
        outH = int(std::ceil(std::abs(w * s) + std::abs(h * c) - 1e-6));
    }
    GreyImage out(outW, outH, image.resolution(), fill);
    const double cxIn = (w - 1) / 2.0, cyIn = (h - 1) / 2.0;
    const double cxOut = (outW - 1) / 2.0, cyOut = (outH - 1) / 2.0;
    // inverse mapping: source = R(-a) * (dest - centre) + centre; clockwise on screen
    for (int y = 0; y < outH; ++y) {
        const double dy = y - cyOut;
        double sx = -cxOut * c + dy * s + cxIn;
        double sy = cxOut * s + dy * c + cyIn;
        std::uint8_t *dst = out.row(y);
        for (int x = 0; x < outW; ++x, sx += c, sy -= s) {
            if (sx <= -1.0 || sy <= -1.0 || sx >= w || sy >= h)
                continue;
            const int x0 = int(std::floor(sx)), y0 = int(std::floor(sy));
            const double fx = sx - x0, fy = sy - y0;
            if (x0 >= 0 && y0 >= 0 && x0 + 1 < w && y0 + 1 < h) {
                const std::uint8_t *r0 = image.row(y0) + x0;
                const std::uint8_t *r1 = r0 + w;
                const double top = r0[0] + (r0[1] - r0[0]) * fx;
                const double bottom = r1[0] + (r1[1] - r1[0]) * fx;
                dst[x] = std::uint8_t(top + (bottom - top) * fy + 0.5);
                continue;
            }
            const auto at = [&](int px, int py) -> double {
                return (px < 0 || py < 0 || px >= w || py >= h) ? fill : image.row(py)[px];
            };
            const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * fx;
            const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * fx;
            dst[x] = std::uint8_t(std::lround(top + (bottom - top) * fy));
        }
    }
    return out;
}

QImage rotate(const QImage &image, double degrees, RotateCanvas canvas)
{
    if (image.isNull())
        return image;
    const bool mono = image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB;
    QImage out;
    if (mono || image.isGrayscale()) {
        out = rotate(GreyImage::fromQImage(image), degrees, canvas).toQImage();
        if (mono)
            out = out.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    } else {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        QTransform t;
        t.rotate(degrees);
        const QRectF bounds = t.mapRect(QRectF(rgb.rect()));
        const QSize size = canvas == RotateCanvas::ExpandToFit
                               ? QSize(int(std::ceil(bounds.width() - 1e-6)), int(std::ceil(bounds.height() - 1e-6)))
                               : rgb.size();
        out = QImage(size, QImage::Format_RGB32);
        out.fill(Qt::white);
        QPainter painter(&out);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(size.width() / 2.0, size.height() / 2.0);
        painter.rotate(degrees);
        painter.drawImage(QPointF(-rgb.width() / 2.0, -rgb.height() / 2.0), rgb);
    }
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    return out;
}

} // namespace qal
