#include "File.h"

#include "DatabaseError.h"
#include "Journal.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
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

// The write counters of the files the program has open, by device and inode, so that two
// handles of one file (two tables, a table and its maintenance) share one.
class Generations
{
public:
    static std::shared_ptr<std::atomic<std::uint64_t>> of(int fd)
    {
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            return std::make_shared<std::atomic<std::uint64_t>>(0);
        static std::mutex mutex;
        static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<std::atomic<std::uint64_t>>> counters;
        const std::lock_guard lock(mutex);
        std::erase_if(counters, [](const auto &entry) { return entry.second.expired(); });
        std::weak_ptr<std::atomic<std::uint64_t>> &slot = counters[{st.st_dev, st.st_ino}];
        std::shared_ptr<std::atomic<std::uint64_t>> counter = slot.lock();
        if (!counter) {
            counter = std::make_shared<std::atomic<std::uint64_t>>(0);
            slot = counter;
        }
        return counter;
    }
};

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
    joinGeneration();
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
    joinGeneration();
    bumpGeneration(); // a file created over an open one has changed under its readers
    try {
        lock(Share::Exclusive);
    } catch (...) {
        close();
        throw;
    }
}

void File::joinGeneration()
{
    m_generation = Generations::of(m_fd);
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
    m_generation.reset();
    m_ring.reset();
    m_ringTried = false;
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

bool File::batchesReads() const
{
    if (!m_ringTried) {
        m_ring = ReadRing::create();
        m_ringTried = true;
    }
    return m_ring != nullptr;
}

void File::readPieces(std::span<const ReadPiece> pieces) const
{
    bool whole[ReadRing::kCapacity];
    for (std::size_t at = 0; at < pieces.size(); at += ReadRing::kCapacity) {
        const std::span<const ReadPiece> batch = pieces.subspan(at, std::min(ReadRing::kCapacity, pieces.size() - at));
        std::fill(std::begin(whole), std::end(whole), false);
        if (batchesReads() && !m_ring->read(m_fd, batch, whole))
            m_ring.reset();
        for (std::size_t i = 0; i < batch.size(); ++i) {
            if (!whole[i])
                readInto(batch[i].offset, batch[i].data, batch[i].size);
        }
    }
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
        bumpGeneration();
    }
}

void File::truncateDirect(std::int64_t newSize)
{
    const int r = ::ftruncate(m_fd, off_t(newSize));
    bumpGeneration();
    if (r != 0)
        throw DatabaseError(QStringLiteral("Error al escribir el archivo %1: %2").arg(m_path, systemError()));
}

} // namespace qal::dbase
