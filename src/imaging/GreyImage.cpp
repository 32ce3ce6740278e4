#include "imaging/GreyImage.h"

#include <cmath>
#include <cstring>

namespace qal {

GreyImage::GreyImage(int width, int height, int ppi, std::uint8_t fill)
    : m_ppi(ppi)
{
    if (width <= 0 || height <= 0)
        return;
    m_width = width;
    m_height = height;
    m_pixels.assign(std::size_t(width) * std::size_t(height), fill);
}

QImage GreyImage::toQImage() const
{
    if (isNull())
        return {};
    QImage image(m_width, m_height, QImage::Format_Grayscale8);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(image.scanLine(y), row(y), std::size_t(m_width));
    if (m_ppi > 0) {
        image.setDotsPerMeterX(dotsPerMeterFromPpi(m_ppi));
        image.setDotsPerMeterY(dotsPerMeterFromPpi(m_ppi));
    }
    return image;
}

GreyImage GreyImage::fromQImage(const QImage &source)
{
    if (source.isNull())
        return {};
    const QImage grey = source.format() == QImage::Format_Grayscale8
                            ? source
                            : source.convertToFormat(QImage::Format_Grayscale8);
    GreyImage image(grey.width(), grey.height(), ppiFromDotsPerMeter(source.dotsPerMeterX()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.row(y), grey.constScanLine(y), std::size_t(image.width()));
    return image;
}

int ppiFromDotsPerMeter(double dotsPerMeter)
{
    if (!(dotsPerMeter > 0) || dotsPerMeter > 1e9)
        return 0;
    return int(std::lround(dotsPerMeter * 0.0254));
}

int dotsPerMeterFromPpi(int ppi)
{
    return ppi <= 0 ? 0 : int(std::lround(ppi / 0.0254));
}

} // namespace qal
