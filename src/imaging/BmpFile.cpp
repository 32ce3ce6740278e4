#include "imaging/BmpFile.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>
#include <limits>

namespace qal {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;

quint16 u16(const uchar *p) { return quint16(p[0] | (p[1] << 8)); }
quint32 u32(const uchar *p) { return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24); }
qint32 i32(const uchar *p) { return qint32(u32(p)); }

void put16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}
void put32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

qint64 rowStride(qint64 width, int bits) { return ((width * bits + 31) / 32) * 4; }

bool readFileBytes(const QString &path, QByteArray &data, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("No se puede abrir %1: %2").arg(path, file.errorString()));
    data = file.readAll();
    return true;
}

bool writeFileBytes(const QString &path, const QByteArray &data, QString *error)
{
    if (data.isEmpty())
        return fail(error, QStringLiteral("Imagen vacía o formato no soportado"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        return fail(error, QStringLiteral("No se puede escribir %1: %2").arg(path, file.errorString()));
    return true;
}

QByteArray headers(int width, int height, int bits, int paletteEntries, int dpmX, int dpmY)
{
    const quint32 stride = quint32(rowStride(width, bits));
    const quint32 imageSize = stride * quint32(height);
    const quint32 offset = kFileHeaderSize + kInfoHeaderSize + 4 * quint32(paletteEntries);
    QByteArray out;
    out.reserve(int(offset));
    out.append("BM", 2);
    put32(out, offset + imageSize);
    put16(out, 0);
    put16(out, 0);
    put32(out, offset);
    put32(out, kInfoHeaderSize);
    put32(out, quint32(width));
    put32(out, quint32(height));
    put16(out, 1);
    put16(out, quint16(bits));
    put32(out, 0); // BI_RGB
    put32(out, imageSize);
    put32(out, quint32(dpmX));
    put32(out, quint32(dpmY));
    put32(out, quint32(paletteEntries));
    put32(out, 0);
    return out;
}

} // namespace

std::optional<BmpInfo> BmpFile::readInfo(const QByteArray &data, QString *error)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    const qint64 size = data.size();
    if (size < kFileHeaderSize + 12 || p[0] != 'B' || p[1] != 'M') {
        fail(error, QStringLiteral("No es un archivo BMP"));
        return std::nullopt;
    }
    BmpInfo info;
    info.pixelOffset = u32(p + 10);
    info.headerSize = u32(p + 14);
    const uchar *h = p + kFileHeaderSize;
    int compression = 0;
    qint64 colorsUsed = 0;
    int paletteEntrySize = 4;
    if (info.headerSize == 12) {
        info.width = u16(h + 4);
        info.height = u16(h + 6);
        if (u16(h + 8) != 1) {
            fail(error, QStringLiteral("BMP con número de planos inválido"));
            return std::nullopt;
        }
        info.bitsPerPixel = u16(h + 10);
        paletteEntrySize = 3;
    } else if (info.headerSize >= kInfoHeaderSize && info.headerSize <= 1024
               && size >= kFileHeaderSize + kInfoHeaderSize) {
        const qint32 w = i32(h + 4);
        const qint32 hgt = i32(h + 8);
        if (w <= 0 || hgt == 0 || hgt == std::numeric_limits<qint32>::min()) {
            fail(error, QStringLiteral("BMP con dimensiones inválidas"));
            return std::nullopt;
        }
        info.width = w;
        info.topDown = hgt < 0;
        info.height = hgt < 0 ? -hgt : hgt;
        if (u16(h + 12) != 1) {
            fail(error, QStringLiteral("BMP con número de planos inválido"));
            return std::nullopt;
        }
        info.bitsPerPixel = u16(h + 14);
        compression = int(u32(h + 16));
        info.xPpi = ppiFromDotsPerMeter(i32(h + 24));
        info.yPpi = ppiFromDotsPerMeter(i32(h + 28));
        colorsUsed = u32(h + 32);
    } else {
        fail(error, QStringLiteral("Cabecera BMP no soportada"));
        return std::nullopt;
    }
    const int bits = info.bitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        fail(error, QStringLiteral("BMP de %1 bits por pixel no soportado").arg(bits));
        return std::nullopt;
    }
    if (compression != 0) {
        fail(error, QStringLiteral("BMP comprimido no soportado"));
        return std::nullopt;
    }
    if (info.width <= 0 || info.height <= 0 || qint64(info.width) * info.height > maxPixels) {
        fail(error, QStringLiteral("BMP con dimensiones inválidas"));
        return std::nullopt;
    }
    if (bits <= 8) {
        const qint64 maxEntries = qint64(1) << bits;
        info.paletteEntries = int(colorsUsed == 0 || colorsUsed > maxEntries ? maxEntries : colorsUsed);
        const qint64 paletteEnd = kFileHeaderSize + qint64(info.headerSize)
                                  + qint64(info.paletteEntries) * paletteEntrySize;
        if (paletteEnd > size) {
            fail(error, QStringLiteral("BMP truncado (paleta)"));
            return std::nullopt;
        }
    }
    const qint64 needed = qint64(info.pixelOffset) + rowStride(info.width, bits) * info.height;
    if (info.pixelOffset < kFileHeaderSize + info.headerSize || needed > size) {
        fail(error, QStringLiteral("BMP truncado"));
        return std::nullopt;
    }
    return info;
}

QImage BmpFile::read(const QByteArray &data, QString *error)
{
    const auto info = readInfo(data, error);
    if (!info)
        return {};
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    const int bits = info->bitsPerPixel;
    QImage::Format format = bits == 1 ? QImage::Format_Mono
                            : bits <= 8 ? QImage::Format_Indexed8
                                        : QImage::Format_RGB32;
    QImage image(info->width, info->height, format);
    if (image.isNull()) {
        fail(error, QStringLiteral("Memoria insuficiente para la imagen"));
        return {};
    }
    if (bits <= 8) {
        const int entrySize = info->headerSize == 12 ? 3 : 4;
        const uchar *pal = p + kFileHeaderSize + info->headerSize;
        QList<QRgb> colours;
        colours.reserve(1 << bits);
        for (int i = 0; i < info->paletteEntries; ++i)
            colours.append(qRgb(pal[i * entrySize + 2], pal[i * entrySize + 1], pal[i * entrySize]));
        while (colours.size() < (1 << bits)) // indices past a short palette show black
            colours.append(qRgb(0, 0, 0));
        image.setColorTable(colours);
    }
    const qint64 stride = rowStride(info->width, bits);
    for (int y = 0; y < info->height; ++y) {
        const int fileRow = info->topDown ? y : info->height - 1 - y;
        const uchar *src = p + info->pixelOffset + stride * fileRow;
        uchar *dst = image.scanLine(y);
        switch (bits) {
        case 1:
            std::memcpy(dst, src, std::size_t((info->width + 7) / 8));
            break;
        case 4:
            for (int x = 0; x < info->width; ++x)
                dst[x] = (x & 1) ? (src[x / 2] & 0x0f) : (src[x / 2] >> 4);
            break;
        case 8:
            std::memcpy(dst, src, std::size_t(info->width));
            break;
        default: {
            auto *out = reinterpret_cast<QRgb *>(dst);
            const int step = bits / 8;
            for (int x = 0; x < info->width; ++x)
                out[x] = qRgb(src[x * step + 2], src[x * step + 1], src[x * step]);
        }
        }
    }
    image.setDotsPerMeterX(dotsPerMeterFromPpi(info->xPpi));
    image.setDotsPerMeterY(dotsPerMeterFromPpi(info->yPpi));
    return image;
}

QImage BmpFile::read(const QString &path, QString *error)
{
    QByteArray data;
    if (!readFileBytes(path, data, error))
        return {};
    return read(data, error);
}

GreyImage BmpFile::readGrey(const QByteArray &data, QString *error)
{
    const QImage image = read(data, error);
    if (image.isNull())
        return {};
    GreyImage grey;
    if (image.format() == QImage::Format_Indexed8) {
        // map through the palette directly: keeps the finger images' identity palette exact
        const QList<QRgb> table = image.colorTable();
        uchar lut[256];
        for (int i = 0; i < 256; ++i)
            lut[i] = uchar(i < table.size() ? qGray(table[i]) : 0);
        grey = GreyImage(image.width(), image.height(), ppiFromDotsPerMeter(image.dotsPerMeterX()));
        for (int y = 0; y < image.height(); ++y) {
            const uchar *src = image.constScanLine(y);
            uchar *dst = grey.row(y);
            for (int x = 0; x < image.width(); ++x)
                dst[x] = lut[src[x]];
        }
        return grey;
    }
    return GreyImage::fromQImage(image);
}

GreyImage BmpFile::readGrey(const QString &path, QString *error)
{
    QByteArray data;
    if (!readFileBytes(path, data, error))
        return {};
    return readGrey(data, error);
}

QByteArray BmpFile::encodeGrey(const GreyImage &image)
{
    if (image.isNull())
        return {};
    const int dpm = dotsPerMeterFromPpi(image.resolution());
    QByteArray out = headers(image.width(), image.height(), 8, 256, dpm, dpm);
    for (int i = 0; i < 256; ++i) {
        const char c = char(i);
        const char entry[4] = {c, c, c, 0};
        out.append(entry, 4);
    }
    const qint64 stride = rowStride(image.width(), 8);
    const QByteArray padding(int(stride - image.width()), '\0');
    out.reserve(int(out.size() + stride * image.height()));
    for (int y = image.height() - 1; y >= 0; --y) {
        out.append(reinterpret_cast<const char *>(image.row(y)), image.width());
        out.append(padding);
    }
    return out;
}

bool BmpFile::writeGrey(const QString &path, const GreyImage &image, QString *error)
{
    return writeFileBytes(path, encodeGrey(image), error);
}

QByteArray BmpFile::encode(const QImage &image, int bitsPerPixel)
{
    if (image.isNull())
        return {};
    if (bitsPerPixel == 8) {
        GreyImage grey = GreyImage::fromQImage(image);
        return encodeGrey(grey);
    }
    const int dpmX = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 0;
    const int dpmY = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : 0;
    const int w = image.width();
    const int h = image.height();
    const qint64 stride = rowStride(w, bitsPerPixel);
    if (bitsPerPixel == 1) {
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        QByteArray out = headers(w, h, 1, 2, dpmX, dpmY);
        out.append("\0\0\0\0\xff\xff\xff\0", 8);
        QByteArray line(int(stride), '\0');
        for (int y = h - 1; y >= 0; --y) {
            line.fill('\0');
            const uchar *src = grey.constScanLine(y);
            for (int x = 0; x < w; ++x)
                if (src[x] >= 128)
                    line[x / 8] = char(uchar(line[x / 8]) | (0x80 >> (x % 8)));
            out.append(line);
        }
        return out;
    }
    if (bitsPerPixel == 24) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        QByteArray out = headers(w, h, 24, 0, dpmX, dpmY);
        QByteArray line(int(stride), '\0');
        for (int y = h - 1; y >= 0; --y) {
            const auto *src = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                line[3 * x] = char(qBlue(src[x]));
                line[3 * x + 1] = char(qGreen(src[x]));
                line[3 * x + 2] = char(qRed(src[x]));
            }
            out.append(line);
        }
        return out;
    }
    return {};
}

bool BmpFile::write(const QString &path, const QImage &image, int bitsPerPixel, QString *error)
{
    return writeFileBytes(path, encode(image, bitsPerPixel), error);
}

} // namespace qal
