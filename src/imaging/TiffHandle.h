#pragma once

// libtiff access shared by the imaging sources: handles that close themselves, opened
// with a per-handle error sink and an allocation limit, from a file or from memory.

#include <QByteArray>
#include <QString>

#include <tiffio.h>

#include <memory>

namespace qal::tiff {

// Largest single allocation libtiff may make for one of our handles, and the largest
// page we decode.
constexpr tmsize_t kMaxSingleAlloc = 512 * 1024 * 1024;
constexpr qint64 kMaxPagePixels = 100'000'000; // A3 at 600 dpi is 70 million
constexpr int kMaxPages = 10000;

class Handle
{
public:
    Handle() = default;
    ~Handle();
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    // mode as for TIFFOpen ("r", "w", "a"); false with error() set on failure.
    bool open(const QString &path, const char *mode);
    bool openMemory(const QByteArray &data); // read-only; data must outlive the handle
    bool close(); // flushes a written file; false when writing failed

    TIFF *get() const { return m_tiff; }
    explicit operator bool() const { return m_tiff != nullptr; }
    QString error() const { return m_error; }
    void clearError() { m_error.clear(); }

    struct Memory
    {
        const QByteArray *data = nullptr;
        toff_t pos = 0;
    };

private:
    static int errorSink(TIFF *, void *user, const char *module, const char *fmt, va_list ap);
    static int warningSink(TIFF *, void *, const char *, const char *, va_list);
    TIFFOpenOptions *options();

    TIFF *m_tiff = nullptr;
    QString m_error;
    Memory m_memory;
};

// Goes to page (0-based directory); false when it does not exist.
bool setPage(TIFF *tiff, int index);
// Number of pages, bounded by kMaxPages.
int pageCount(TIFF *tiff);

} // namespace qal::tiff
