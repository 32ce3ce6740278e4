#include "AnswerImage.h"

#include <QTemporaryFile>

#include <tiffio.h>

#include <array>
#include <vector>

namespace {

constexpr int kWidth = 850;
constexpr int kHeight = 1100;

class Page
{
public:
    Page() : m_ink(static_cast<size_t>(kWidth) * kHeight, 0) {}
    void fill(int x, int y, int w, int h)
    {
        for (int row = std::max(0, y); row < std::min(kHeight, y + h); ++row)
            for (int col = std::max(0, x); col < std::min(kWidth, x + w); ++col)
                m_ink[static_cast<size_t>(row) * kWidth + static_cast<size_t>(col)] = 1;
    }
    // A seven-segment digit (or '-') of the given height at (x, y); other characters are gaps.
    void digit(QChar c, int x, int y, int height)
    {
        // segments a b c d e f g
        static const std::array<int, 10> masks = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};
        const int mask = c.isDigit() ? masks[static_cast<size_t>(c.digitValue())] : (c == u'-' ? 0x40 : 0);
        const int w = height / 2, t = std::max(2, height / 10), half = height / 2;
        if (mask & 0x01) fill(x, y, w, t);
        if (mask & 0x02) fill(x + w - t, y, t, half);
        if (mask & 0x04) fill(x + w - t, y + half, t, half);
        if (mask & 0x08) fill(x, y + height - t, w, t);
        if (mask & 0x10) fill(x, y + half, t, half);
        if (mask & 0x20) fill(x, y, t, half);
        if (mask & 0x40) fill(x, y + half - t / 2, w, t);
    }
    // One line of digits centred across the page, as large as fits (at most height).
    void text(const QString &s, int y, int height)
    {
        const int room = kWidth - 200;
        if (!s.isEmpty() && s.size() * (height * 7 / 10) > room)
            height = static_cast<int>(room / s.size()) * 10 / 7;
        const int advance = height / 2 + height / 5;
        int x = (kWidth - advance * static_cast<int>(s.size())) / 2;
        for (const QChar c : s) {
            digit(c, x, y, height);
            x += advance;
        }
    }
    bool write(TIFF *tif) const
    {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, 100.0);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, 100.0);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kHeight);
        std::vector<unsigned char> line((kWidth + 7) / 8);
        for (int row = 0; row < kHeight; ++row) {
            std::fill(line.begin(), line.end(), 0);
            for (int col = 0; col < kWidth; ++col)
                if (m_ink[static_cast<size_t>(row) * kWidth + static_cast<size_t>(col)])
                    line[static_cast<size_t>(col / 8)] |= static_cast<unsigned char>(0x80 >> (col % 8));
            if (TIFFWriteScanline(tif, line.data(), static_cast<uint32_t>(row), 0) < 0)
                return false;
        }
        return true;
    }

private:
    std::vector<unsigned char> m_ink;
};

} // namespace

QByteArray answerImage(const QStringList &lines)
{
    Page page;
    page.fill(40, 40, kWidth - 80, 6);               // frame
    page.fill(40, kHeight - 46, kWidth - 80, 6);
    page.fill(40, 40, 6, kHeight - 80);
    page.fill(kWidth - 46, 40, 6, kHeight - 80);
    page.fill(90, 110, kWidth - 180, 40);             // heading bar
    int y = 260;
    for (const QString &line : lines) {
        page.text(line, y, 160);
        y += 220;
    }
    for (y = std::max(y, 700); y < 1000; y += 40)              // "text" lines
        page.fill(110, y, kWidth - 220 - (y % 120), 8);

    QTemporaryFile file;
    if (!file.open())
        return {};
    file.close();
    TIFF *tif = TIFFOpen(file.fileName().toLocal8Bit().constData(), "w");
    if (!tif)
        return {};
    const bool ok = page.write(tif);
    TIFFClose(tif);
    if (!ok || !file.open())
        return {};
    return file.readAll();
}
