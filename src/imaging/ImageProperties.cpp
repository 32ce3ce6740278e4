#include "imaging/ImageProperties.h"

#include "imaging/BmpFile.h"
#include "imaging/TiffHandle.h"

#include <QFile>

#include <array>
#include <cmath>
#include <cstdlib>

namespace qal {

namespace {

using namespace codes;

// IJG standard luminance quantisation table, natural order.
constexpr std::array<int, 64> kStdLuminance {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

// Natural-order index of the k-th coefficient in zig-zag order (the order of DQT).
constexpr std::array<int, 64> kZigZag {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// First luminance (id 0, else first) quantisation table of a JPEG marker stream, natural order.
std::optional<std::array<int, 64>> firstQuantTable(const QByteArray &stream)
{
    const auto *p = reinterpret_cast<const uchar *>(stream.constData());
    const qint64 n = stream.size();
    std::optional<std::array<int, 64>> found;
    qint64 i = 0;
    while (i + 4 <= n) {
        if (p[i] != 0xff) {
            ++i;
            continue;
        }
        const uchar marker = p[i + 1];
        if (marker == 0xd8 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7) || marker == 0xff) {
            i += marker == 0xff ? 1 : 2;
            continue;
        }
        if (marker == 0xd9 || marker == 0xda) // end of image, start of scan
            break;
        const qint64 length = (p[i + 2] << 8) | p[i + 3];
        if (length < 2 || i + 2 + length > n)
            break;
        if (marker == 0xdb) {
            qint64 j = i + 4;
            const qint64 end = i + 2 + length;
            while (j < end) {
                const int precision = p[j] >> 4;
                const int id = p[j] & 0x0f;
                const qint64 entrySize = precision ? 2 : 1;
                if (j + 1 + 64 * entrySize > end)
                    break;
                std::array<int, 64> table {};
                for (int k = 0; k < 64; ++k) {
                    const uchar *e = p + j + 1 + k * entrySize;
                    table[size_t(kZigZag[size_t(k)])] = precision ? (e[0] << 8 | e[1]) : e[0];
                }
                if (id == 0)
                    return table;
                if (!found)
                    found = table;
                j += 1 + 64 * entrySize;
            }
        }
        i += 2 + length;
    }
    return found;
}

int roundedResolution(float value, uint16_t unit)
{
    if (!(value > 0) || !std::isfinite(value) || value > 1e6f)
        return 0;
    const double dpi = unit == RESUNIT_CENTIMETER ? value * 2.54 : value;
    return int(std::lround(dpi));
}

int compressionCode(uint16_t compression, uint32_t t4options)
{
    switch (compression) {
    case COMPRESSION_NONE: return CompressionNone;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW: return CompressionHuffman;
    case COMPRESSION_CCITTFAX3: return (t4options & GROUP3OPT_2DENCODING) ? CompressionGroup3_2D : CompressionGroup3;
    case COMPRESSION_CCITTFAX4: return CompressionGroup4;
    case COMPRESSION_PACKBITS: return CompressionPackBits;
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG: return CompressionJpeg;
    case COMPRESSION_LZW: return CompressionLzw;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return CompressionDeflate;
    default: return CompressionUnknown;
    }
}

// Reads the JPEG tables of the current page: the shared JPEGTables field, or else the
// start of the first strip or tile, where a self-contained stream carries its own.
int tiffJpegQuality(TIFF *tif)
{
    uint32_t count = 0;
    void *tables = nullptr;
    if (TIFFGetField(tif, TIFFTAG_JPEGTABLES, &count, &tables) == 1 && tables && count > 0) {
        const QByteArray bytes(static_cast<const char *>(tables), qsizetype(std::min<uint32_t>(count, 1 << 20)));
        if (const int q = estimateJpegQuality(bytes))
            return q;
    }
    QByteArray head(4096, '\0');
    tmsize_t got = -1;
    if (TIFFIsTiled(tif)) {
        if (TIFFNumberOfTiles(tif) > 0)
            got = TIFFReadRawTile(tif, 0, head.data(), head.size());
    } else if (TIFFNumberOfStrips(tif) > 0) {
        got = TIFFReadRawStrip(tif, 0, head.data(), head.size());
    }
    if (got <= 0)
        return 0;
    head.truncate(qsizetype(got));
    return estimateJpegQuality(head);
}

std::optional<ImageProperties> tiffProperties(tiff::Handle &handle, int page, QString *error)
{
    TIFF *tif = handle.get();
    ImageProperties props;
    props.fileType = FileTiff;
    props.pageCount = tiff::pageCount(tif);
    if (page < 1 || page > props.pageCount || !tiff::setPage(tif, page - 1)) {
        if (error)
            *error = handle.error().isEmpty() ? QStringLiteral("La página %1 no existe").arg(page) : handle.error();
        return std::nullopt;
    }
    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, compression = COMPRESSION_NONE, photometric = 0xffff;
    uint16_t unit = RESUNIT_INCH;
    uint32_t t4 = 0;
    float xres = 0, yres = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (compression == COMPRESSION_CCITTFAX3)
        TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &t4);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres);
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
        if (error)
            *error = QStringLiteral("Página TIFF sin dimensiones válidas");
        return std::nullopt;
    }
    props.width = int(width);
    props.height = int(height);
    props.xResolution = roundedResolution(xres, unit);
    props.yResolution = roundedResolution(yres, unit);
    props.bitsPerSample = bits;
    props.samplesPerPixel = samples;
    const bool palette = photometric == PHOTOMETRIC_PALETTE;
    if (samples == 1 && bits == 1)
        props.pageType = PageBlackWhite;
    else if (samples == 1 && bits == 4)
        props.pageType = palette ? PagePalette4 : PageGray4;
    else if (samples == 1 && bits == 8)
        props.pageType = palette ? PagePalette8 : PageGray8;
    else if (samples >= 3 && bits == 8)
        props.pageType = PageRgb24;
    props.compressionType = compressionCode(compression, t4);
    if (props.compressionType == CompressionGroup4)
        props.compressionInfo = InfoGroup4;
    else if (props.compressionType == CompressionJpeg) {
        props.jpegQuality = tiffJpegQuality(tif);
        props.compressionInfo = jpegCompressionInfo(props.jpegQuality);
    }
    return props;
}

std::optional<ImageProperties> bmpProperties(const QByteArray &data, int page, QString *error)
{
    const auto info = BmpFile::readInfo(data, error);
    if (!info)
        return std::nullopt;
    if (page != 1) {
        if (error)
            *error = QStringLiteral("La página %1 no existe").arg(page);
        return std::nullopt;
    }
    ImageProperties props;
    props.fileType = FileBmp;
    props.pageCount = 1;
    props.width = info->width;
    props.height = info->height;
    props.xResolution = info->xPpi;
    props.yResolution = info->yPpi;
    props.compressionType = CompressionNone;
    props.bitsPerSample = info->bitsPerPixel <= 8 ? info->bitsPerPixel : 8;
    props.samplesPerPixel = info->bitsPerPixel <= 8 ? 1 : 3;
    switch (info->bitsPerPixel) {
    case 1: props.pageType = PageBlackWhite; break;
    case 4: props.pageType = PagePalette4; break;
    case 8: {
        const QImage image = BmpFile::read(data);
        bool grey = !image.isNull() && image.colorCount() == 256;
        for (int i = 0; grey && i < 256; ++i)
            grey = image.color(i) == qRgb(i, i, i);
        props.pageType = grey ? PageGray8 : PagePalette8;
        break;
    }
    default: props.pageType = PageRgb24;
    }
    return props;
}

bool isTiffSignature(const QByteArray &head)
{
    return head.startsWith(QByteArrayLiteral("II*\0")) || head.startsWith(QByteArrayLiteral("MM\0*"))
           || head.startsWith(QByteArrayLiteral("II+\0")) || head.startsWith(QByteArrayLiteral("MM\0+"));
}

} // namespace

std::optional<ImageProperties> readImageProperties(const QString &path, int page, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("No se puede abrir %1").arg(path);
        return std::nullopt;
    }
    const QByteArray head = file.peek(4);
    if (head.startsWith("BM"))
        return bmpProperties(file.readAll(), page, error);
    file.close();
    if (!isTiffSignature(head)) {
        if (error)
            *error = QStringLiteral("%1 no es un archivo TIFF ni BMP").arg(path);
        return std::nullopt;
    }
    tiff::Handle handle;
    if (!handle.open(path, "rm")) {
        if (error)
            *error = handle.error();
        return std::nullopt;
    }
    return tiffProperties(handle, page, error);
}

std::optional<ImageProperties> readImageProperties(const QByteArray &data, int page, QString *error)
{
    if (data.startsWith("BM"))
        return bmpProperties(data, page, error);
    if (!isTiffSignature(data.left(4))) {
        if (error)
            *error = QStringLiteral("No es un archivo TIFF ni BMP");
        return std::nullopt;
    }
    tiff::Handle handle;
    if (!handle.openMemory(data)) {
        if (error)
            *error = handle.error();
        return std::nullopt;
    }
    return tiffProperties(handle, page, error);
}

int estimateJpegQuality(const QByteArray &jpegStream)
{
    const auto table = firstQuantTable(jpegStream);
    if (!table)
        return 0;
    int best = 0;
    long bestError = -1;
    for (int q = 1; q <= 100; ++q) {
        const int scale = q < 50 ? 5000 / q : 200 - 2 * q;
        long sum = 0;
        for (size_t i = 0; i < 64; ++i) {
            const int v = std::clamp((kStdLuminance[i] * scale + 50) / 100, 1, 255);
            sum += std::labs(long(v) - (*table)[i]);
        }
        if (bestError < 0 || sum < bestError) {
            bestError = sum;
            best = q;
        }
    }
    return best;
}

int jpegCompressionInfo(int q)
{
    if (q <= 0)
        return InfoNone;
    if (q < kJpegMediumLow)
        return InfoJpegLowQuality;
    if (q > kJpegMediumHigh)
        return InfoJpegHighQuality;
    return InfoJpegMediumQuality;
}

QString fileTypeName(int code)
{
    switch (code) {
    case FileTiff: return QStringLiteral("TIFF");
    case FileBmp: return QStringLiteral("BMP");
    default: return QStringLiteral("desconocido");
    }
}

QString pageTypeName(int code)
{
    switch (code) {
    case PageBlackWhite: return QStringLiteral("blanco y negro");
    case PageGray4: return QStringLiteral("16 tonos de gris");
    case PageGray8: return QStringLiteral("256 tonos de gris");
    case PagePalette4: return QStringLiteral("16 colores");
    case PagePalette8: return QStringLiteral("256 colores");
    case PageRgb24: return QStringLiteral("color 24 bits");
    default: return QStringLiteral("desconocido");
    }
}

QString compressionTypeName(int code)
{
    switch (code) {
    case CompressionNone: return QStringLiteral("sin compresión");
    case CompressionGroup3: return QStringLiteral("Group3 (1D)");
    case CompressionHuffman: return QStringLiteral("Huffman modificado");
    case CompressionPackBits: return QStringLiteral("PackBits");
    case CompressionGroup4: return QStringLiteral("Group4 (2D - FAX)");
    case CompressionJpeg: return QStringLiteral("JPEG");
    case CompressionGroup3_2D: return QStringLiteral("Group3 (2D)");
    case CompressionLzw: return QStringLiteral("LZW");
    case CompressionDeflate: return QStringLiteral("Deflate");
    default: return QStringLiteral("desconocida");
    }
}

} // namespace qal
