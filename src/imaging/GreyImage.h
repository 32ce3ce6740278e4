#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

namespace qal {

// An 8-bit grey raster: one byte per pixel (0 black .. 255 white), rows top-down with no
// padding, and a resolution in pixels per inch (0 when unknown). The finger images, the
// card and grey document pages are handled as this type.
class GreyImage
{
public:
    GreyImage() = default;
    // A width x height image filled with `fill`. Negative sizes give a null image.
    GreyImage(int width, int height, int ppi = 0, std::uint8_t fill = 255);

    bool isNull() const { return m_width <= 0 || m_height <= 0; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int resolution() const { return m_ppi; } // pixels per inch
    void setResolution(int ppi) { m_ppi = ppi; }

    std::uint8_t *row(int y) { return m_pixels.data() + std::size_t(y) * std::size_t(m_width); }
    const std::uint8_t *row(int y) const { return m_pixels.data() + std::size_t(y) * std::size_t(m_width); }
    std::uint8_t pixel(int x, int y) const { return row(y)[x]; }
    void setPixel(int x, int y, std::uint8_t value) { row(y)[x] = value; }

    // width * height bytes, row after row from the top.
    const std::vector<std::uint8_t> &pixels() const { return m_pixels; }
    std::vector<std::uint8_t> &pixels() { return m_pixels; }

    // QImage::Format_Grayscale8 with the resolution as dots per metre.
    QImage toQImage() const;
    // Any QImage to grey (luminance of colours, palette entries resolved); the resolution
    // comes from the image's dots per metre.
    static GreyImage fromQImage(const QImage &image);

    friend bool operator==(const GreyImage &, const GreyImage &) = default;

private:
    int m_width = 0;
    int m_height = 0;
    int m_ppi = 0;
    std::vector<std::uint8_t> m_pixels;
};

// Pixels per inch from dots per metre and back, rounded to the nearest whole value.
int ppiFromDotsPerMeter(double dotsPerMeter);
int dotsPerMeterFromPpi(int ppi);

} // namespace qal
