#pragma once

#include "imaging/GreyImage.h"

#include <QImage>
#include <QList>
#include <QString>

namespace qal {

// The page formats the office writes (file type, page type, compression, compression
// information): card TIFF 1/3/6/1024, card BMP 3/3/1/0, grey document page 1/3/6/1024,
// black-and-white document page 1/1/5/26.
enum class PageFormat { CardTiff, CardBmp, GreyDocument, BlackWhiteDocument };

// Reading pages of TIFF files, writing pages in the office's formats, and editing
// multi-page TIFF documents. Pages are numbered from 1. Every operation that changes a
// file writes a new file beside it and renames it over the old one, so a failure leaves
// the old file as it was.
class TiffFile
{
public:
    // Number of pages; -1 when the file cannot be read as TIFF.
    static int pageCount(const QString &path, QString *error = nullptr);

    // Page `page` decoded: Format_Mono (black and white, index 0 black), Format_Grayscale8
    // (grey) or Format_RGB32 (anything else), with the page's resolution as dots per metre.
    // BMP files are read too (page 1). Null on error.
    static QImage readPage(const QString &path, int page = 1, QString *error = nullptr);

    // Writes `image` as a one-page file in `format` (a BMP file for CardBmp). Grey formats
    // take the image's luminance, the black-and-white format thresholds it at 128.
    // The resolution comes from the image's dots per metre.
    static bool writePage(const QString &path, const QImage &image, PageFormat format,
                          QString *error = nullptr);

    // Writes every image as a page of one file in `format` (not CardBmp).
    static bool writePages(const QString &path, const QList<QImage> &images, PageFormat format,
                           QString *error = nullptr);
    // Writes `image` as a one-page TIFF without loss: Group 4 when black and white, LZW
    // otherwise, in its own page type.
    static bool writeLossless(const QString &path, const QImage &image, QString *error = nullptr);

    // Appends page `sourcePage` of `source` to `target` (created when missing), keeping
    // the page's own encoding.
    static bool appendPage(const QString &target, const QString &source, int sourcePage = 1,
                           QString *error = nullptr);
    // Inserts page `sourcePage` of `source` before page `beforePage` of `target`
    // (beforePage past the end appends).
    static bool insertPage(const QString &target, const QString &source, int beforePage,
                           int sourcePage = 1, QString *error = nullptr);
    // Removes page `page`; the other pages keep their encoding. A document never becomes
    // empty: deleting its only page is refused.
    static bool deletePage(const QString &target, int page, QString *error = nullptr);
    // Rotates page `page` by quarterTurns * 90 degrees clockwise (negative: counter-clockwise),
    // re-encoding it in its own page type and compression.
    static bool rotatePage(const QString &target, int page, int quarterTurns,
                           QString *error = nullptr);
};

} // namespace qal
