#include "Journal.h"

#include "DatabaseError.h"
#include "File.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qal::dbase {
namespace {

constexpr char kMagic[4] = {'Q', 'J', 'L', '1'};
// Header: magic, name length (u16), old size (i64), offset (i64), byte count (u32).
constexpr int kHeaderSize = 4 + 2 + 8 + 8 + 4;

std::uint32_t fnv1a(const char *data, std::size_t n, std::uint32_t h = 2166136261u)
{
    for (std::size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(data[i]);
        h *= 16777619u;
    }
    return h;
}

template <typename T>
void put(QByteArray &out, T value)
{
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out.append(char((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF));
}

template <typename T>
T get(const QByteArray &in, qsizetype at)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v |= std::uint64_t(static_cast<unsigned char>(in[at + qsizetype(i)])) << (8 * i);
    return static_cast<T>(v);
}

struct Entry
{
    QString name;
    std::int64_t oldSize = 0;
    std::int64_t offset = 0;
    QByteArray bytes;
};

// The valid entries of a journal, in the order they were written; a torn or damaged
// tail ends the list.
std::vector<Entry> parse(const QByteArray &data)
{
    std::vector<Entry> entries;
    qsizetype at = 0;
    while (data.size() - at >= kHeaderSize) {
        if (std::memcmp(data.constData() + at, kMagic, 4) != 0)
            break;
        const auto nameLen = get<std::uint16_t>(data, at + 4);
        const auto oldSize = get<std::int64_t>(data, at + 6);
        const auto offset = get<std::int64_t>(data, at + 14);
        const auto count = get<std::uint32_t>(data, at + 22);
        const qsizetype total = kHeaderSize + qsizetype(nameLen) + qsizetype(count) + 4;
        if (data.size() - at < total || oldSize < 0 || offset < 0)
            break;
        const auto stored = get<std::uint32_t>(data, at + total - 4);
        if (fnv1a(data.constData() + at, std::size_t(total - 4)) != stored)
            break;
        Entry e;
        e.name = QString::fromUtf8(data.constData() + at + kHeaderSize, nameLen);
        e.oldSize = oldSize;
        e.offset = offset;
        e.bytes = data.mid(at + kHeaderSize + nameLen, count);
        entries.push_back(std::move(e));
        at += total;
    }
    return entries;
}

} // namespace

Journal::Journal(QString path)
    : m_path(std::move(path))
{
}

Journal::~Journal()
{
    // An unfinished group stays journaled: the next open rolls it back.
    if (m_pending) {
        ::close(m_fd);
        return;
    }
    closeAndRemove();
}

namespace {

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

void Journal::closeAndRemove()
{
    if (m_fd < 0)
        return;
    // Another cursor on the same table (in this or another process) may be using the same
    // file: only an empty journal that is still the one at the path goes.
    struct stat mine {};
    struct stat named {};
    if (::fstat(m_fd, &mine) == 0 && mine.st_size == 0 &&
        ::stat(QFile::encodeName(m_path).constData(), &named) == 0 && sameFile(mine, named))
        ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}

QString Journal::pathFor(const QString &tablePath)
{
    const QFileInfo info(tablePath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".qjl"));
}

void Journal::openForGroup()
{
    const QByteArray path = QFile::encodeName(m_path);
    if (m_fd >= 0) {
        // The kept descriptor serves only while it is still the file at the path: another
        // cursor on the table may have removed it when it closed.
        struct stat mine {};
        struct stat named {};
        if (::fstat(m_fd, &mine) == 0 && ::stat(path.constData(), &named) == 0 && sameFile(mine, named))
            return;
        ::close(m_fd);
        m_fd = -1;
    }
    m_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw DatabaseError(QStringLiteral("No se puede crear el archivo %1: %2")
                                .arg(m_path, QString::fromLocal8Bit(std::strerror(errno))));
}

void Journal::saveBefore(const File &file, std::int64_t offset, std::int64_t n)
{
    if (!m_pending)
        openForGroup();
    const std::int64_t oldSize = file.size();
    const QByteArray old = offset < oldSize ? file.readSome(offset, std::min(n, oldSize - offset))
                                            : QByteArray();
    const QByteArray name = QFileInfo(file.path()).fileName().toUtf8();

    QByteArray entry;
    entry.reserve(kHeaderSize + name.size() + old.size() + 4);
    entry.append(kMagic, 4);
    put<std::uint16_t>(entry, std::uint16_t(name.size()));
    put<std::int64_t>(entry, oldSize);
    put<std::int64_t>(entry, offset);
    put<std::uint32_t>(entry, std::uint32_t(old.size()));
    entry.append(name);
    entry.append(old);
    put<std::uint32_t>(entry, fnv1a(entry.constData(), std::size_t(entry.size())));

    // One write per entry: a process killed here leaves a whole entry or a torn tail,
    // and the in-place write that the entry protects has not happened yet.
    m_pending = true;
    qsizetype done = 0;
    while (done < entry.size()) {
        const ssize_t w = ::write(m_fd, entry.constData() + done, size_t(entry.size() - done));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            throw DatabaseError(QStringLiteral("Error al escribir el archivo %1: %2")
                                    .arg(m_path, QString::fromLocal8Bit(std::strerror(errno))));
        done += w;
    }
}

void Journal::commit()
{
    if (!m_pending)
        return;
    m_pending = false;
    if (::ftruncate(m_fd, 0) == 0)
        return;
    // A journal that keeps a finished group's entries would undo it after a crash.
    ::close(m_fd);
    m_fd = -1;
    if (::unlink(QFile::encodeName(m_path).constData()) != 0 && errno != ENOENT)
        throw DatabaseError(QStringLiteral("No se puede vaciar el archivo %1: %2")
                                .arg(m_path, QString::fromLocal8Bit(std::strerror(errno))));
}

void Journal::undo()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_pending = false;
    rollBack(m_path);
}

bool Journal::rollBack(const QString &path)
{
    QFile journal(path);
    if (!journal.exists())
        return false;
    if (!journal.open(QIODevice::ReadOnly))
        throw DatabaseError(QStringLiteral("No se puede leer el archivo %1.").arg(path));
    const std::vector<Entry> entries = parse(journal.readAll());
    journal.close();

    const QString folder = QFileInfo(path).absolutePath();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        File f;
        f.open(folder + QLatin1Char('/') + it->name, File::Access::ReadWrite, File::Share::None);
        f.writeDirect(it->offset, it->bytes.constData(), it->bytes.size());
        f.truncateDirect(it->oldSize);
    }
    if (!QFile::remove(path))
        throw DatabaseError(QStringLiteral("No se puede borrar el archivo %1.").arg(path));
    return true;
}

} // namespace qal::dbase
