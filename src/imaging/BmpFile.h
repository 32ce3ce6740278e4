#pragma once

#include "imaging/GreyImage.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace qal {

// What the headers of a Windows BMP file say.
struct BmpInfo
{
    int width = 0;
    int height = 0;        // always positive; topDown tells the row order
    bool topDown = false;
    int bitsPerPixel = 0;  // 1, 4, 8, 24 or 32
    int paletteEntries = 0;
    int xPpi = 0;          // from the pixels-per-metre fields, 0 when absent
    int yPpi = 0;
    quint32 pixelOffset = 0;
    quint32 headerSize = 0; // 12 (OS/2 core header), 40 or larger
};

// Reading and writing Windows BMP files, uncompressed: 1, 4, 8, 24 and 32 bits per pixel
// are read; 1-bit black and white, 8-bit grey and 24-bit colour are written.
//
// The 8-bit grey layout is the one of the finger images: 14-byte file header "BM",
// 40-byte information header, 256-entry grey palette (entry i = i, i, i), pixel data at
// offset 1078, rows bottom-up padded to a multiple of 4 bytes.
//
// Readers check every size against the bytes present and refuse images of more than
// maxPixels, so a damaged or hostile file gives an error, never a huge allocation.
class BmpFile
{
public:
    static constexpr qint64 maxPixels = 400'000'000;

    static std::optional<BmpInfo> readInfo(const QByteArray &data, QString *error = nullptr);

    // Format_Mono (1 bit), Format_Indexed8 (4 and 8 bits, with the file's palette) or
    // Format_RGB32 (24 and 32 bits); dots per metre from the file. Null on error.
    static QImage read(const QByteArray &data, QString *error = nullptr);
    static QImage read(const QString &path, QString *error = nullptr);

    // Any readable BMP as grey: palette entries and colours become their luminance.
    static GreyImage readGrey(const QByteArray &data, QString *error = nullptr);
    static GreyImage readGrey(const QString &path, QString *error = nullptr);

    // 8-bit grey in the finger-image layout.
    static QByteArray encodeGrey(const GreyImage &image);
    static bool writeGrey(const QString &path, const GreyImage &image, QString *error = nullptr);

    // bitsPerPixel 1 (grey < 128 is black; palette 0 black, 1 white), 8 (grey, the layout
    // above) or 24 (BGR). Resolution from the image's dots per metre. Empty on a null
    // image or an unsupported depth.
    static QByteArray encode(const QImage &image, int bitsPerPixel);
    static bool write(const QString &path, const QImage &image, int bitsPerPixel,
                      QString *error = nullptr);
};

} // namespace qal
