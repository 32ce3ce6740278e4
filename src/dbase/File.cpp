#include "File.h"

#include "DatabaseError.h"
#include "Journal.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qal::dbase {
namespace {

// Locks sit on one byte far past any real data so that they never cover file contents.
constexpr off_t kLockByte = 0x7FFFFFFF;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString baseName(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

File::~File()
{
    close();
}

void File::open(const QString &path, Access access, Share share)
{
    close();
    const int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    m_fd = ::open(QFile::encodeName(path).constData(), flags);
    if (m_fd < 0) {
        const int err = errno;
        throw DatabaseError(err == ENOENT
                                ? QStringLiteral("No existe el archivo %1.").arg(path)
                                : QStringLiteral("No se puede abrir el archivo %1: %2")
                                      .arg(path, QString::fromLocal8Bit(std::strerror(err))));
    }
    m_path = path;
    m_access = access;
    try {
        lock(share);
    } catch (...) {
        close();
        throw;
    }
}

void File::create(const QString &path)
{
    close();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw DatabaseError(QStringLiteral("No se puede crear el archivo %1: %2").arg(path, systemError()));
    m_path = path;
    m_access = Access::ReadWrite;
    try {
        lock(Share::Exclusive);
    } catch (...) {
        close();
        throw;
    }
}

void File::lock(Share share)
{
    if (share == Share::None)
        return;
    struct flock fl {};
    fl.l_type = share == Share::Exclusive ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kLockByte;
    fl.l_len = 1;
    // A read lock on a read-only descriptor is allowed; a write lock needs write access,
    // so an exclusive read-only open takes its lock through a second descriptor.
    int fd = m_fd;
    int extra = -1;
    if (share == Share::Exclusive && m_access == Access::ReadOnly) {
        extra = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CLOEXEC);
        if (extra >= 0)
            fd = extra;
        else
            fl.l_type = F_RDLCK;
    }
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        if (extra >= 0)
            ::close(extra);
        throw DatabaseError(QStringLiteral("La tabla %1 está en uso por otro proceso o fue abierta en "
                                           "forma exclusiva.")
                                .arg(baseName(m_path)));
    }
    if (extra >= 0) {
        // Keep the locking descriptor as the file's descriptor: it can also read.
        ::close(m_fd);
        m_fd = extra;
    }
}

void File::close()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the open-file-description lock
    m_fd = -1;
    m_journal = nullptr;
}

std::int64_t File::size() const
{
    const off_t end = ::lseek(m_fd, 0, SEEK_END);
    if (end < 0)
        throw DatabaseError(QStringLiteral("Error al leer el archivo %1: %2").arg(m_path, systemError()));
    return end;
}

QByteArray File::readSome(std::int64_t offset, std::int64_t n) const
{
    if (offset < 0 || n < 0)
        throw DatabaseError(QStringLiteral("Posición inválida en el archivo %1.").arg(baseName(m_path)));
    // A large request may come from a length read in a damaged file: never allocate more
    // than the file holds. Small reads skip the size query (index nodes, records).
    constexpr std::int64_t kTrustedRead = 64 * 1024;
    if (n > kTrustedRead)
        n = std::min(n, std::max<std::int64_t>(0, size() - offset));
    QByteArray out(n, Qt::Uninitialized);
    out.truncate(readUpTo(offset, out.data(), n));
    return out;
}

std::int64_t File::readUpTo(std::int64_t offset, char *data, std::int64_t n) const
{
    std::int64_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(m_fd, data + done, size_t(n - done), off_t(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            throw DatabaseError(QStringLiteral("Error al leer el archivo %1: %2").arg(m_path, systemError()));
        if (r == 0)
            break;
        done += r;
    }
    return done;
}

QByteArray File::read(std::int64_t offset, std::int64_t n) const
{
    QByteArray out = readSome(offset, n);
    if (out.size() != n)
        throw truncated();
    return out;
}

void File::readInto(std::int64_t offset, char *data, std::int64_t n) const
{
    if (offset < 0 || n < 0)
        throw DatabaseError(QStringLiteral("Posición inválida en el archivo %1.").arg(baseName(m_path)));
    if (readUpTo(offset, data, n) != n)
        throw truncated();
}

DatabaseError File::truncated() const
{
    return DatabaseError(QStringLiteral("El archivo %1 está truncado o dañado.").arg(baseName(m_path)));
}

void File::write(std::int64_t offset, const QByteArray &bytes)
{
    if (m_journal)
        m_journal->saveBefore(*this, offset, bytes.size());
    writeDirect(offset, bytes.constData(), bytes.size());
}

void File::truncate(std::int64_t newSize)
{
    if (m_journal && newSize < size())
        m_journal->saveBefore(*this, newSize, size() - newSize);
    truncateDirect(newSize);
}

void File::writeDirect(std::int64_t offset, const char *data, std::int64_t n)
{
    if (m_access != Access::ReadWrite)
        throw DatabaseError(QStringLiteral("La tabla %1 está abierta sólo para lectura.").arg(baseName(m_path)));
    std::int64_t done = 0;
    while (done < n) {
        const ssize_t w = ::pwrite(m_fd, data + done, size_t(n - done), off_t(offset + done));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            throw DatabaseError(QStringLiteral("Error al escribir el archivo %1: %2").arg(m_path, systemError()));
        done += w;
    }
}

void File::truncateDirect(std::int64_t newSize)
{
    if (::ftruncate(m_fd, off_t(newSize)) != 0)
        throw DatabaseError(QStringLiteral("Error al escribir el archivo %1: %2").arg(m_path, systemError()));
}

} // namespace qal::dbase
