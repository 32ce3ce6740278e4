#include "imaging/TiffHandle.h"

#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <cstring>

namespace qal::tiff {

namespace {

tmsize_t memRead(thandle_t h, void *buf, tmsize_t size)
{
    auto *m = static_cast<Handle::Memory *>(h);
    const toff_t total = toff_t(m->data->size());
    if (size <= 0 || m->pos >= total)
        return 0;
    const tmsize_t n = tmsize_t(std::min<toff_t>(toff_t(size), total - m->pos));
    std::memcpy(buf, m->data->constData() + m->pos, size_t(n));
    m->pos += toff_t(n);
    return n;
}
tmsize_t memWrite(thandle_t, void *, tmsize_t) { return 0; }
toff_t memSeek(thandle_t h, toff_t off, int whence)
{
    auto *m = static_cast<Handle::Memory *>(h);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = m->pos;
    else if (whence == SEEK_END)
        base = toff_t(m->data->size());
    if (off > toff_t(INT64_MAX) - base)
        return toff_t(-1);
    m->pos = base + off;
    return m->pos;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return toff_t(static_cast<Handle::Memory *>(h)->data->size()); }
int memMap(thandle_t h, void **base, toff_t *size)
{
    auto *m = static_cast<Handle::Memory *>(h);
    *base = const_cast<char *>(m->data->constData());
    *size = toff_t(m->data->size());
    return 1;
}
void memUnmap(thandle_t, void *, toff_t) {}

} // namespace

Handle::~Handle()
{
    if (m_tiff)
        TIFFClose(m_tiff);
}

int Handle::errorSink(TIFF *, void *user, const char *module, const char *fmt, va_list ap)
{
    auto *self = static_cast<Handle *>(user);
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    if (self->m_error.isEmpty())
        self->m_error = QString::fromUtf8(module ? module : "TIFF") + QStringLiteral(": ") + QString::fromUtf8(text);
    return 1;
}

int Handle::warningSink(TIFF *, void *, const char *, const char *, va_list)
{
    return 1; // warnings about unknown tags and the like are not errors
}

TIFFOpenOptions *Handle::options()
{
    TIFFOpenOptions *opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxSingleAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(opts, &Handle::errorSink, this);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, &Handle::warningSink, this);
    return opts;
}

bool Handle::open(const QString &path, const char *mode)
{
    close();
    m_error.clear();
    TIFFOpenOptions *opts = options();
    m_tiff = TIFFOpenExt(QFile::encodeName(path).constData(), mode, opts);
    TIFFOpenOptionsFree(opts);
    if (!m_tiff && m_error.isEmpty())
        m_error = QStringLiteral("No se puede abrir %1").arg(path);
    return m_tiff != nullptr;
}

bool Handle::openMemory(const QByteArray &data)
{
    close();
    m_error.clear();
    m_memory = Memory {&data, 0};
    TIFFOpenOptions *opts = options();
    m_tiff = TIFFClientOpenExt("memory", "rm", &m_memory, memRead, memWrite, memSeek, memClose,
                               memSize, memMap, memUnmap, opts);
    TIFFOpenOptionsFree(opts);
    if (!m_tiff && m_error.isEmpty())
        m_error = QStringLiteral("No es un archivo TIFF");
    return m_tiff != nullptr;
}

bool Handle::close()
{
    if (!m_tiff)
        return true;
    const bool writing = TIFFGetMode(m_tiff) != O_RDONLY;
    if (writing)
        TIFFFlush(m_tiff);
    TIFFClose(m_tiff);
    m_tiff = nullptr;
    return !writing || m_error.isEmpty();
}

bool setPage(TIFF *tiff, int index)
{
    return index >= 0 && index < kMaxPages && TIFFSetDirectory(tiff, tdir_t(index)) == 1;
}

int pageCount(TIFF *tiff)
{
    const tdir_t current = TIFFCurrentDirectory(tiff);
    const int n = int(std::min<tdir_t>(TIFFNumberOfDirectories(tiff), kMaxPages));
    TIFFSetDirectory(tiff, current);
    return n;
}

} // namespace qal::tiff
