#include "imaging/TiffFile.h"

#include "imaging/BmpFile.h"
#include "imaging/ImageProperties.h"
#include "imaging/TiffHandle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTransform>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace qal {

namespace {

using namespace codes;

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// One page of the file being built: a raw copy of a page of another file, or a decoded
// image to encode.
struct PageSource
{
    QString path;
    int page = 1;          // 1-based, for raw copies
    QImage image;          // when not null, encoded instead of copied
    int compression = CompressionNone;
    int jpegQuality = kJpegMediumQuality;
};

QImage decodeCurrentPage(TIFF *tif, QString *error)
{
    uint32_t w = 0, h = 0;
    uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE, unit = RESUNIT_INCH;
    uint16_t planar = PLANARCONFIG_CONTIG;
    float xres = 0, yres = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres);
    if (w == 0 || h == 0 || w > 1'000'000 || h > 1'000'000 || qint64(w) * h > tiff::kMaxPagePixels) {
        fail(error, QStringLiteral("Página TIFF de dimensiones inválidas (%1 x %2)").arg(w).arg(h));
        return {};
    }
    const int width = int(w), height = int(h);
    QImage image;
    const bool grey = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
    const bool scanlines = !TIFFIsTiled(tif) && samples == 1 && grey && (bits == 1 || bits == 8);
    if (scanlines) {
        const bool invert = photometric == PHOTOMETRIC_MINISWHITE;
        const tmsize_t lineSize = TIFFScanlineSize(tif);
        const tmsize_t needed = bits == 1 ? (width + 7) / 8 : width;
        if (lineSize < needed) {
            fail(error, QStringLiteral("Página TIFF dañada"));
            return {};
        }
        image = QImage(width, height, bits == 1 ? QImage::Format_Mono : QImage::Format_Grayscale8);
        if (image.isNull()) {
            fail(error, QStringLiteral("Memoria insuficiente para la imagen"));
            return {};
        }
        if (bits == 1)
            image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        std::vector<uchar> line(static_cast<size_t>(lineSize));
        for (int y = 0; y < height; ++y) {
            if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0) {
                fail(error, QStringLiteral("Página TIFF dañada en la fila %1").arg(y));
                return {};
            }
            uchar *dst = image.scanLine(y);
            // in the image, 1 (bits) or 255 (bytes) is white
            for (tmsize_t i = 0; i < needed; ++i)
                dst[i] = invert ? uchar(~line[size_t(i)]) : line[size_t(i)];
        }
    } else {
        image = QImage(width, height, QImage::Format_RGB32);
        if (image.isNull()) {
            fail(error, QStringLiteral("Memoria insuficiente para la imagen"));
            return {};
        }
        std::vector<uint32_t> raster(size_t(width) * size_t(height));
        if (!TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) {
            fail(error, QStringLiteral("No se puede decodificar la página TIFF"));
            return {};
        }
        for (int y = 0; y < height; ++y) {
            auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
            const uint32_t *src = raster.data() + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x)
                dst[x] = qRgb(int(TIFFGetR(src[x])), int(TIFFGetG(src[x])), int(TIFFGetB(src[x])));
        }
        if (samples == 1 && bits == 8 && grey)
            image = image.convertToFormat(QImage::Format_Grayscale8);
    }
    const double factor = unit == RESUNIT_CENTIMETER ? 100.0 : 100.0 / 2.54;
    if (xres > 0 && xres < 1e6f)
        image.setDotsPerMeterX(int(std::lround(xres * factor)));
    if (yres > 0 && yres < 1e6f)
        image.setDotsPerMeterY(int(std::lround(yres * factor)));
    return image;
}

void setResolution(TIFF *out, const QImage &image)
{
    const float x = image.dotsPerMeterX() > 0 ? float(image.dotsPerMeterX() * 0.0254) : 0.f;
    const float y = image.dotsPerMeterY() > 0 ? float(image.dotsPerMeterY() * 0.0254) : x;
    if (x > 0) {
        // whole dots per inch as the office's files carry them
        TIFFSetField(out, TIFFTAG_XRESOLUTION, float(std::lround(x)));
        TIFFSetField(out, TIFFTAG_YRESOLUTION, float(std::lround(y > 0 ? y : x)));
        TIFFSetField(out, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
}

uint16_t libtiffCompression(int code)
{
    switch (code) {
    case CompressionGroup4: return COMPRESSION_CCITTFAX4;
    case CompressionGroup3:
    case CompressionGroup3_2D: return COMPRESSION_CCITTFAX3;
    case CompressionHuffman: return COMPRESSION_CCITTRLE;
    case CompressionPackBits: return COMPRESSION_PACKBITS;
    case CompressionJpeg: return COMPRESSION_JPEG;
    case CompressionLzw: return COMPRESSION_LZW;
    case CompressionDeflate: return COMPRESSION_ADOBE_DEFLATE;
    default: return COMPRESSION_NONE;
    }
}

// Encodes one page into the current directory of `out` and writes the directory.
bool encodePage(TIFF *out, const QImage &source, int compression, int jpegQuality, QString *error)
{
    const int w = source.width(), h = source.height();
    const bool mono = source.format() == QImage::Format_Mono || source.format() == QImage::Format_MonoLSB;
    const bool greyImage = source.isGrayscale() && !mono;
    uint16_t comp = libtiffCompression(compression);
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(out, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    setResolution(out, source);
    std::vector<uchar> line;
    if (mono) {
        if (comp == COMPRESSION_JPEG)
            comp = COMPRESSION_CCITTFAX4;
        const QImage grey = source.convertToFormat(QImage::Format_Grayscale8);
        TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(out, TIFFTAG_COMPRESSION, comp);
        if (comp == COMPRESSION_CCITTFAX3)
            TIFFSetField(out, TIFFTAG_GROUP3OPTIONS, compression == CompressionGroup3_2D ? GROUP3OPT_2DENCODING : 0);
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, comp == COMPRESSION_CCITTFAX4 ? uint32_t(h) : TIFFDefaultStripSize(out, 0));
        line.assign(size_t((w + 7) / 8), 0);
        for (int y = 0; y < h; ++y) {
            std::fill(line.begin(), line.end(), 0);
            const uchar *src = grey.constScanLine(y);
            for (int x = 0; x < w; ++x)
                if (src[x] < 128) // 1 is black
                    line[size_t(x / 8)] |= uchar(0x80 >> (x % 8));
            if (TIFFWriteScanline(out, line.data(), uint32_t(y), 0) < 0)
                return fail(error, QStringLiteral("No se puede escribir la página TIFF"));
        }
    } else {
        const bool colour = !greyImage;
        if (comp == COMPRESSION_CCITTFAX4 || comp == COMPRESSION_CCITTFAX3 || comp == COMPRESSION_CCITTRLE)
            comp = COMPRESSION_NONE;
        const QImage img = colour ? source.convertToFormat(QImage::Format_RGB888)
                                  : source.convertToFormat(QImage::Format_Grayscale8);
        const int samples = colour ? 3 : 1;
        TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(out, TIFFTAG_COMPRESSION, comp);
        if (comp == COMPRESSION_JPEG) {
            TIFFSetField(out, TIFFTAG_PHOTOMETRIC, colour ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_MINISBLACK);
            TIFFSetField(out, TIFFTAG_JPEGQUALITY, jpegQuality);
            if (colour)
                TIFFSetField(out, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            uint32_t rows = TIFFDefaultStripSize(out, 0);
            rows = std::max<uint32_t>(16, (rows + 15) / 16 * 16);
            TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, rows);
        } else {
            TIFFSetField(out, TIFFTAG_PHOTOMETRIC, colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
            TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(out, 0));
        }
        for (int y = 0; y < h; ++y) {
            if (TIFFWriteScanline(out, const_cast<uchar *>(img.constScanLine(y)), uint32_t(y), 0) < 0)
                return fail(error, QStringLiteral("No se puede escribir la página TIFF"));
        }
    }
    if (!TIFFWriteDirectory(out))
        return fail(error, QStringLiteral("No se puede escribir la página TIFF"));
    return true;
}

template <typename T>
void copyField(TIFF *in, TIFF *out, ttag_t tag)
{
    T value {};
    if (TIFFGetField(in, tag, &value) == 1)
        TIFFSetField(out, tag, value);
}

// Copies the current page of `in` into a new directory of `out` without decoding: the
// page keeps its exact encoding (and so its compression information).
bool copyPageRaw(TIFF *in, TIFF *out, QString *error)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(in, TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_OJPEG) {
        // old-style JPEG cannot be carried over as it stands: decode and write new-style
        QImage image = decodeCurrentPage(in, error);
        if (image.isNull())
            return false;
        return encodePage(out, image, CompressionJpeg, kJpegMediumQuality, error);
    }
    copyField<uint32_t>(in, out, TIFFTAG_IMAGEWIDTH);
    copyField<uint32_t>(in, out, TIFFTAG_IMAGELENGTH);
    copyField<uint16_t>(in, out, TIFFTAG_BITSPERSAMPLE);
    copyField<uint16_t>(in, out, TIFFTAG_SAMPLESPERPIXEL);
    copyField<uint16_t>(in, out, TIFFTAG_PLANARCONFIG);
    TIFFSetField(out, TIFFTAG_COMPRESSION, compression);
    copyField<uint16_t>(in, out, TIFFTAG_PHOTOMETRIC);
    copyField<uint16_t>(in, out, TIFFTAG_FILLORDER);
    copyField<uint16_t>(in, out, TIFFTAG_ORIENTATION);
    copyField<uint16_t>(in, out, TIFFTAG_RESOLUTIONUNIT);
    copyField<float>(in, out, TIFFTAG_XRESOLUTION);
    copyField<float>(in, out, TIFFTAG_YRESOLUTION);
    copyField<uint16_t>(in, out, TIFFTAG_SAMPLEFORMAT);
    copyField<uint16_t>(in, out, TIFFTAG_PREDICTOR);
    copyField<uint16_t>(in, out, TIFFTAG_YCBCRPOSITIONING);
    if (compression == COMPRESSION_CCITTFAX3)
        copyField<uint32_t>(in, out, TIFFTAG_GROUP3OPTIONS);
    if (compression == COMPRESSION_CCITTFAX4)
        copyField<uint32_t>(in, out, TIFFTAG_GROUP4OPTIONS);
    uint16_t subH = 0, subV = 0;
    if (TIFFGetField(in, TIFFTAG_YCBCRSUBSAMPLING, &subH, &subV) == 1)
        TIFFSetField(out, TIFFTAG_YCBCRSUBSAMPLING, subH, subV);
    float *refBW = nullptr;
    if (TIFFGetField(in, TIFFTAG_REFERENCEBLACKWHITE, &refBW) == 1 && refBW)
        TIFFSetField(out, TIFFTAG_REFERENCEBLACKWHITE, refBW);
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (TIFFGetField(in, TIFFTAG_COLORMAP, &red, &green, &blue) == 1)
        TIFFSetField(out, TIFFTAG_COLORMAP, red, green, blue);
    uint16_t extraCount = 0;
    uint16_t *extra = nullptr;
    if (TIFFGetField(in, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) == 1)
        TIFFSetField(out, TIFFTAG_EXTRASAMPLES, extraCount, extra);
    if (compression == COMPRESSION_JPEG) {
        uint32_t count = 0;
        void *tables = nullptr;
        if (TIFFGetField(in, TIFFTAG_JPEGTABLES, &count, &tables) == 1 && count > 0)
            TIFFSetField(out, TIFFTAG_JPEGTABLES, count, tables);
    }
    const bool tiled = TIFFIsTiled(in);
    if (tiled) {
        copyField<uint32_t>(in, out, TIFFTAG_TILEWIDTH);
        copyField<uint32_t>(in, out, TIFFTAG_TILELENGTH);
    } else {
        copyField<uint32_t>(in, out, TIFFTAG_ROWSPERSTRIP);
    }
    const uint32_t chunks = tiled ? TIFFNumberOfTiles(in) : TIFFNumberOfStrips(in);
    uint64_t *counts = nullptr;
    if (TIFFGetField(in, tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &counts) != 1 || !counts)
        return fail(error, QStringLiteral("Página TIFF sin datos"));
    std::vector<char> buffer;
    for (uint32_t i = 0; i < chunks; ++i) {
        const uint64_t size = counts[i];
        if (size > uint64_t(tiff::kMaxSingleAlloc))
            return fail(error, QStringLiteral("Página TIFF dañada"));
        buffer.resize(size_t(size));
        const tmsize_t got = tiled ? TIFFReadRawTile(in, i, buffer.data(), tmsize_t(size))
                                   : TIFFReadRawStrip(in, i, buffer.data(), tmsize_t(size));
        if (got < 0)
            return fail(error, QStringLiteral("Página TIFF dañada"));
        const tmsize_t put = tiled ? TIFFWriteRawTile(out, i, buffer.data(), got)
                                   : TIFFWriteRawStrip(out, i, buffer.data(), got);
        if (put != got)
            return fail(error, QStringLiteral("No se puede escribir la página TIFF"));
    }
    if (!TIFFWriteDirectory(out))
        return fail(error, QStringLiteral("No se puede escribir la página TIFF"));
    return true;
}

QString tempPathBeside(const QString &target)
{
    QTemporaryFile temp(QFileInfo(target).absoluteDir().filePath(QStringLiteral("qalXXXXXX.tmp")));
    temp.setAutoRemove(false);
    if (!temp.open())
        return {};
    return temp.fileName();
}

bool replaceFile(const QString &temp, const QString &target, QString *error)
{
    // a temporary file is private to its owner; the document gets the usual permissions
    const QFileDevice::Permissions permissions = QFile::exists(target)
        ? QFile::permissions(target)
        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser
              | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(temp, permissions);
    QFile::remove(target);
    if (!QFile::rename(temp, target)) {
        QFile::remove(temp);
        return fail(error, QStringLiteral("No se puede reemplazar %1").arg(target));
    }
    return true;
}

// Writes the pages into a new TIFF and puts it in place of `target`.
bool buildTiff(const QString &target, const std::vector<PageSource> &pages, QString *error)
{
    const QString temp = tempPathBeside(target);
    if (temp.isEmpty())
        return fail(error, QStringLiteral("No se puede crear un archivo temporal junto a %1").arg(target));
    tiff::Handle out;
    if (!out.open(temp, "w")) {
        QFile::remove(temp);
        return fail(error, out.error());
    }
    bool ok = true;
    for (const PageSource &page : pages) {
        if (!page.image.isNull()) {
            ok = encodePage(out.get(), page.image, page.compression, page.jpegQuality, error);
        } else {
            tiff::Handle in;
            ok = in.open(page.path, "rm");
            if (!ok)
                fail(error, in.error());
            else if (!(ok = tiff::setPage(in.get(), page.page - 1)))
                fail(error, QStringLiteral("La página %1 de %2 no existe").arg(page.page).arg(page.path));
            else
                ok = copyPageRaw(in.get(), out.get(), error);
        }
        if (ok && !out.error().isEmpty())
            ok = fail(error, out.error());
        if (!ok)
            break;
    }
    ok = out.close() && ok;
    if (!ok) {
        QFile::remove(temp);
        return false;
    }
    return replaceFile(temp, target, error);
}

std::vector<PageSource> pagesOf(const QString &path, int count)
{
    std::vector<PageSource> pages;
    for (int i = 1; i <= count; ++i)
        pages.push_back(PageSource {path, i, {}, 0, 0});
    return pages;
}

// Pages of `target` as raw copies of a stable snapshot (the target itself is replaced).
bool snapshot(const QString &target, QString &copy, int &count, QString *error)
{
    count = TiffFile::pageCount(target, error);
    if (count < 0)
        return false;
    copy = tempPathBeside(target);
    if (copy.isEmpty() || !(QFile::remove(copy), QFile::copy(target, copy)))
        return fail(error, QStringLiteral("No se puede copiar %1").arg(target));
    return true;
}

} // namespace

int TiffFile::pageCount(const QString &path, QString *error)
{
    tiff::Handle in;
    if (!in.open(path, "rm")) {
        fail(error, in.error());
        return -1;
    }
    return tiff::pageCount(in.get());
}

QImage TiffFile::readPage(const QString &path, int page, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.peek(2) == "BM") {
        if (page != 1) {
            fail(error, QStringLiteral("La página %1 no existe").arg(page));
            return {};
        }
        QImage image = BmpFile::read(file.readAll(), error);
        if (image.format() == QImage::Format_Indexed8 && image.allGray())
            image = image.convertToFormat(QImage::Format_Grayscale8);
        return image;
    }
    file.close();
    tiff::Handle in;
    if (!in.open(path, "rm")) {
        fail(error, in.error());
        return {};
    }
    if (!tiff::setPage(in.get(), page - 1)) {
        fail(error, QStringLiteral("La página %1 no existe").arg(page));
        return {};
    }
    return decodeCurrentPage(in.get(), error);
}

namespace {

// The page to encode for `image` in one of the office's TIFF formats.
PageSource encodedPage(const QImage &image, PageFormat format)
{
    if (format == PageFormat::BlackWhiteDocument) {
        QImage mono = image.format() == QImage::Format_Mono
                          ? image
                          : image.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        mono.setDotsPerMeterX(image.dotsPerMeterX());
        mono.setDotsPerMeterY(image.dotsPerMeterY());
        return PageSource {{}, 1, mono, CompressionGroup4, 0};
    }
    return PageSource {{}, 1, image.convertToFormat(QImage::Format_Grayscale8), CompressionJpeg, kJpegMediumQuality};
}

} // namespace

bool TiffFile::writePage(const QString &path, const QImage &image, PageFormat format, QString *error)
{
    if (image.isNull())
        return fail(error, QStringLiteral("Imagen vacía"));
    if (format == PageFormat::CardBmp)
        return BmpFile::write(path, image, 8, error);
    return buildTiff(path, {encodedPage(image, format)}, error);
}

bool TiffFile::writePages(const QString &path, const QList<QImage> &images, PageFormat format, QString *error)
{
    if (images.isEmpty() || format == PageFormat::CardBmp)
        return fail(error, QStringLiteral("Imagen vacía"));
    std::vector<PageSource> pages;
    for (const QImage &image : images) {
        if (image.isNull())
            return fail(error, QStringLiteral("Imagen vacía"));
        pages.push_back(encodedPage(image, format));
    }
    return buildTiff(path, pages, error);
}

bool TiffFile::writeLossless(const QString &path, const QImage &image, QString *error)
{
    if (image.isNull())
        return fail(error, QStringLiteral("Imagen vacía"));
    const bool mono = image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB;
    return buildTiff(path, {PageSource {{}, 1, image, mono ? CompressionGroup4 : CompressionLzw, 0}}, error);
}

bool TiffFile::appendPage(const QString &target, const QString &source, int sourcePage, QString *error)
{
    return insertPage(target, source, std::numeric_limits<int>::max(), sourcePage, error);
}

bool TiffFile::insertPage(const QString &target, const QString &source, int beforePage, int sourcePage,
                          QString *error)
{
    if (pageCount(source, error) < sourcePage || sourcePage < 1)
        return fail(error, QStringLiteral("La página %1 de %2 no existe").arg(sourcePage).arg(source));
    std::vector<PageSource> pages;
    QString copy;
    if (QFile::exists(target)) {
        int count = 0;
        if (!snapshot(target, copy, count, error))
            return false;
        pages = pagesOf(copy, count);
    }
    const size_t at = size_t(std::clamp<qint64>(qint64(beforePage) - 1, 0, qint64(pages.size())));
    pages.insert(pages.begin() + qsizetype(at), PageSource {source, sourcePage, {}, 0, 0});
    const bool ok = buildTiff(target, pages, error);
    if (!copy.isEmpty())
        QFile::remove(copy);
    return ok;
}

bool TiffFile::deletePage(const QString &target, int page, QString *error)
{
    QString copy;
    int count = 0;
    if (!snapshot(target, copy, count, error))
        return false;
    bool ok;
    if (page < 1 || page > count)
        ok = fail(error, QStringLiteral("La página %1 no existe").arg(page));
    else if (count == 1)
        ok = fail(error, QStringLiteral("Un documento no puede quedar vacío"));
    else {
        std::vector<PageSource> pages = pagesOf(copy, count);
        pages.erase(pages.begin() + (page - 1));
        ok = buildTiff(target, pages, error);
    }
    QFile::remove(copy);
    return ok;
}

bool TiffFile::rotatePage(const QString &target, int page, int quarterTurns, QString *error)
{
    const auto props = readImageProperties(target, page, error);
    if (!props || props->fileType != FileTiff)
        return props ? fail(error, QStringLiteral("%1 no es un archivo TIFF").arg(target)) : false;
    const QImage image = readPage(target, page, error);
    if (image.isNull())
        return false;
    const int turns = ((quarterTurns % 4) + 4) % 4;
    QImage rotated = turns == 0 ? image : image.transformed(QTransform().rotate(90.0 * turns));
    rotated.setDotsPerMeterX(turns % 2 ? image.dotsPerMeterY() : image.dotsPerMeterX());
    rotated.setDotsPerMeterY(turns % 2 ? image.dotsPerMeterX() : image.dotsPerMeterY());
    if (image.format() == QImage::Format_Mono)
        rotated = rotated.convertToFormat(QImage::Format_Mono);
    QString copy;
    int count = 0;
    if (!snapshot(target, copy, count, error))
        return false;
    std::vector<PageSource> pages = pagesOf(copy, count);
    pages[size_t(page - 1)] = PageSource {{}, page, rotated, props->compressionType,
                                          props->jpegQuality > 0 ? props->jpegQuality : kJpegMediumQuality};
    const bool ok = buildTiff(target, pages, error);
    QFile::remove(copy);
    return ok;
}

} // namespace qal
