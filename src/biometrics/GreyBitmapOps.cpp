#include "GreyBitmapOps.h"

#include <algorithm>
#include <cmath>

namespace qal {

bool FlipBitmap(bool vertical, bool horizontal, const GreyImage &source, GreyImage &target)
{
    if (source.isNull())
        return false;
    GreyImage out(source.width(), source.height(), source.resolution());
    const int w = source.width(), h = source.height();
    for (int r = 0; r < h; ++r) {
        const std::uint8_t *from = source.row(vertical ? h - 1 - r : r);
        std::uint8_t *to = out.row(r);
        if (horizontal)
            std::reverse_copy(from, from + w, to);
        else
            std::copy_n(from, w, to);
    }
    target = std::move(out);
    return true;
}

GreyImage ResampleTo500(const GreyImage &image, int ppi)
{
    if (image.isNull() || ppi <= 0 || ppi == 500)
        return image;
    const double d = ppi / 500.0;
    const auto rnd = [](double v) { return static_cast<long>(std::nearbyint(v)); };
    long width = rnd(image.width() / d);
    width = (width + 3) / 4 * 4;
    const long height = rnd(image.height() / d);
    if (width <= 0 || height <= 0 || width * height > 400'000'000L)
        return GreyImage();
    GreyImage out(int(width), int(height), image.resolution());
    std::vector<int> columns(static_cast<std::size_t>(width));
    for (long i = 0; i < width; ++i)
        columns[std::size_t(i)] = int(std::clamp(rnd(double(i) * d), 0L, long(image.width() - 1)));
    for (long j = 0; j < height; ++j) {
        const std::uint8_t *from = image.row(int(std::clamp(rnd(double(j) * d), 0L, long(image.height() - 1))));
        std::uint8_t *to = out.row(int(j));
        for (long i = 0; i < width; ++i)
            to[i] = from[columns[std::size_t(i)]];
    }
    return out;
}

QString Base64Text(QIODevice &stream)
{
    constexpr qint64 Block = 2736;
    if (!stream.isSequential())
        stream.seek(0);
    QString text;
    for (;;) {
        const QByteArray block = stream.read(Block);
        if (block.isEmpty())
            break;
        text += QString::fromLatin1(block.toBase64()) + QStringLiteral("\r\n");
    }
    return text;
}

} // namespace qal
