#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace qal {

// Property codes of a raster file page, as the acceptance rules and the page writers use them.
namespace codes {
enum FileType { FileUnknown = 0, FileTiff = 1, FileBmp = 3 };
enum PageType {
    PageUnknown = 0,
    PageBlackWhite = 1,
    PageGray4 = 2,
    PageGray8 = 3,
    PagePalette4 = 4,
    PagePalette8 = 5,
    PageRgb24 = 6,
};
enum CompressionType {
    CompressionUnknown = 0,
    CompressionNone = 1,
    CompressionGroup3 = 2,      // T.4, one-dimensional
    CompressionHuffman = 3,     // CCITT modified Huffman run length
    CompressionPackBits = 4,
    CompressionGroup4 = 5,      // T.6, "2D - FAX"
    CompressionJpeg = 6,
    CompressionGroup3_2D = 8,
    CompressionLzw = 9,
    CompressionDeflate = 10,
};
// Compression information: for JPEG the quality class read from the quantisation tables;
// for Group 4 the fixed value the office's pages carry; 0 otherwise.
enum CompressionInfo {
    InfoNone = 0,
    InfoGroup4 = 26,
    InfoJpegHighQuality = 512,
    InfoJpegMediumQuality = 1024,
    InfoJpegLowQuality = 2048,
};
} // namespace codes

// The IJG quality our JPEG pages are written with, and the band of estimated qualities
// that counts as "medium quality".
constexpr int kJpegMediumQuality = 75;
constexpr int kJpegMediumLow = 70;
constexpr int kJpegMediumHigh = 80;

struct ImageProperties
{
    int fileType = codes::FileUnknown;
    int pageType = codes::PageUnknown;
    int compressionType = codes::CompressionUnknown;
    int compressionInfo = codes::InfoNone;
    int width = 0;
    int height = 0;
    int xResolution = 0; // dots per inch, rounded; 0 when the file has none
    int yResolution = 0;
    int pageCount = 0;
    int jpegQuality = 0; // estimated IJG quality 1..100 of a JPEG page; 0 when unknown
    int bitsPerSample = 0;
    int samplesPerPixel = 0;
};

// Properties of page `page` (1-based) of a TIFF or BMP file, from the headers only (no
// pixel is decoded). Files of any other kind, damaged files and pages that do not exist
// give nullopt with an error text.
std::optional<ImageProperties> readImageProperties(const QString &path, int page = 1,
                                                   QString *error = nullptr);
std::optional<ImageProperties> readImageProperties(const QByteArray &data, int page = 1,
                                                   QString *error = nullptr);

// The IJG quality (1..100) whose scaled standard luminance table is nearest to the first
// quantisation table found in a JPEG stream or abbreviated table stream; 0 when the bytes
// hold no readable table.
int estimateJpegQuality(const QByteArray &jpegStream);
int jpegCompressionInfo(int estimatedQuality);

// Short texts for the codes, for tools.
QString fileTypeName(int code);
QString pageTypeName(int code);
QString compressionTypeName(int code);

} // namespace qal
