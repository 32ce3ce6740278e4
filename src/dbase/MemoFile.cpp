#include "MemoFile.h"

#include "DatabaseError.h"

#include <QFileInfo>

namespace qal::dbase {
namespace {

constexpr int kMinHeader = 24;
constexpr char kUsedMark[4] = {'\xFF', '\xFF', '\x08', '\x00'};
// A free list longer than this is taken for a damaged one.
constexpr int kMaxFreeRuns = 100000;

std::uint32_t getU32(const QByteArray &b, int at)
{
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8
           | std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

QByteArray u32(std::uint32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

} // namespace

QString MemoFile::name() const
{
    return QFileInfo(m_file.path()).fileName();
}

void MemoFile::create(const QString &path, Kind kind, const QString &tableName, int blockSize)
{
    if (kind == Kind::DBase3)
        blockSize = 512;
    if (blockSize < 512 || blockSize > 0x7E00 || blockSize % 512 != 0)
        throw DatabaseError(QStringLiteral("Tamaño de bloque de memo inválido: %1.").arg(blockSize));
    QByteArray h(blockSize, '\0');
    h.replace(0, 4, u32(1));
    if (kind == Kind::DBase3) {
        h[16] = '\x03';
    } else {
        const QByteArray n = tableName.toUpper().toLatin1().left(8);
        h.replace(8, n.size(), n);
        h[18] = '\x02';
        h[19] = '\x01';
        h[20] = char(blockSize & 0xFF);
        h[21] = char(blockSize >> 8);
    }
    File f;
    f.create(path);
    f.write(0, h);
}

void MemoFile::open(const QString &path, Kind kind, File::Access access, File::Share share)
{
    close();
    m_file.open(path, access, share);
    m_kind = kind;
    m_blockSize = 512;
    try {
        if (m_file.size() < kMinHeader)
            throw DatabaseError(QStringLiteral("El archivo de memos %1 está truncado.").arg(name()));
        if (kind == Kind::DBase4) {
            const QByteArray h = m_file.read(0, kMinHeader);
            const int bs = int(std::uint8_t(h[20])) | int(std::uint8_t(h[21])) << 8;
            m_blockSize = bs == 0 ? 512 : bs;
            if (m_blockSize < 32)
                throw DatabaseError(QStringLiteral("El archivo de memos %1 declara un tamaño de bloque inválido (%2).")
                                        .arg(name())
                                        .arg(bs));
        }
    } catch (...) {
        close();
        throw;
    }
}

void MemoFile::close()
{
    m_file.close();
}

std::uint32_t MemoFile::endBlock() const
{
    const std::int64_t size = m_file.size();
    return std::uint32_t(std::min<std::int64_t>((size + m_blockSize - 1) / m_blockSize, 0xFFFFFFFFLL));
}

QByteArray MemoFile::read(std::uint32_t block) const
{
    const std::int64_t size = m_file.size();
    const std::int64_t at = std::int64_t(block) * m_blockSize;
    if (block == 0 || at >= size)
        throw DatabaseError(QStringLiteral("El archivo de memos %1 no tiene el bloque %2: está dañado o truncado.")
                                .arg(name())
                                .arg(block));
    if (m_kind == Kind::DBase4) {
        const QByteArray head = m_file.readSome(at, 8);
        if (head.size() < 8 || !head.startsWith(QByteArrayView(kUsedMark, 4)))
            throw DatabaseError(QStringLiteral("El bloque %2 del archivo de memos %1 no es el comienzo de un memo.")
                                    .arg(name())
                                    .arg(block));
        const std::uint32_t length = getU32(head, 4);
        if (length < 8 || at + std::int64_t(length) > size)
            throw DatabaseError(QStringLiteral("El memo del bloque %2 del archivo %1 declara una longitud que no "
                                               "cabe en el archivo.")
                                    .arg(name())
                                    .arg(block));
        return m_file.read(at + 8, std::int64_t(length) - 8);
    }
    // dBASE III: text up to 0x1A 0x1A; a single 0x1A where the pair never comes; else
    // everything to the end of the file.
    QByteArray data;
    std::int64_t pos = at;
    while (pos < size) {
        const QByteArray chunk = m_file.readSome(pos, 4 * m_blockSize);
        const qsizetype searchFrom = std::max<qsizetype>(0, data.size() - 1);
        data.append(chunk);
        const qsizetype end = data.indexOf(QByteArrayView("\x1A\x1A", 2), searchFrom);
        if (end >= 0) {
            data.truncate(end);
            return data;
        }
        pos += chunk.size();
        if (chunk.isEmpty())
            break;
    }
    const qsizetype single = data.indexOf('\x1A');
    if (single >= 0)
        data.truncate(single);
    return data;
}

std::uint32_t MemoFile::runBlocks(std::uint32_t block) const
{
    if (m_kind == Kind::DBase4) {
        const QByteArray head = m_file.readSome(std::int64_t(block) * m_blockSize, 8);
        if (head.size() < 8 || !head.startsWith(QByteArrayView(kUsedMark, 4)))
            return 0;
        const std::uint32_t length = getU32(head, 4);
        return std::uint32_t((std::uint64_t(length) + m_blockSize - 1) / m_blockSize);
    }
    const QByteArray data = read(block);
    return std::uint32_t((data.size() + 2 + m_blockSize - 1) / m_blockSize);
}

void MemoFile::writeU32(std::int64_t at, std::uint32_t v)
{
    m_file.write(at, u32(v));
}

std::uint32_t MemoFile::allocate(std::uint32_t blocks)
{
    const std::uint32_t end = endBlock();
    if (std::uint64_t(end) + blocks > 0xFFFFFFFFull / 2)
        throw DatabaseError(QStringLiteral("El archivo de memos %1 está lleno.").arg(name()));
    if (m_kind == Kind::DBase3) {
        writeU32(0, end + blocks);
        return end;
    }
    // First fit along the free list. link is the file offset of the pointer to the run.
    std::int64_t link = 0;
    std::uint32_t cur = getU32(m_file.read(0, 4), 0);
    for (int steps = 0; steps < kMaxFreeRuns && cur >= 1 && cur < end; ++steps) {
        const QByteArray run = m_file.readSome(std::int64_t(cur) * m_blockSize, 8);
        if (run.size() < 8 || run.startsWith(QByteArrayView(kUsedMark, 4)))
            break;
        const std::uint32_t next = getU32(run, 0);
        const std::uint32_t length = getU32(run, 4);
        if (length < 1 || std::uint64_t(cur) + length > end)
            break;
        if (length >= blocks) {
            if (length == blocks) {
                writeU32(link, next);
            } else {
                const std::uint32_t rest = cur + blocks;
                m_file.write(std::int64_t(rest) * m_blockSize, u32(next) + u32(length - blocks));
                writeU32(link, rest);
            }
            return cur;
        }
        link = std::int64_t(cur) * m_blockSize;
        cur = next;
    }
    if (cur < end) {
        // A list we cannot follow: leave its runs alone and start again from the end.
        link = 0;
    }
    writeU32(link, end + blocks);
    return end;
}

std::uint32_t MemoFile::write(QByteArrayView data, std::uint32_t previous)
{
    if (data.isEmpty()) {
        if (previous != 0)
            release(previous);
        return 0;
    }
    QByteArray bytes;
    if (m_kind == Kind::DBase4) {
        if (std::uint64_t(data.size()) + 8 > 0x7FFFFFFFu)
            throw DatabaseError(QStringLiteral("El dato es demasiado grande para el archivo de memos %1.").arg(name()));
        bytes.reserve(data.size() + 8 + m_blockSize);
        bytes.append(kUsedMark, 4);
        bytes.append(u32(std::uint32_t(data.size() + 8)));
        bytes.append(data);
    } else {
        bytes = data.toByteArray();
        bytes.append("\x1A\x1A", 2);
    }
    const std::uint32_t need = std::uint32_t((bytes.size() + m_blockSize - 1) / m_blockSize);

    std::uint32_t block = 0;
    if (previous != 0 && std::int64_t(previous) * m_blockSize < m_file.size()) {
        const std::uint32_t have = runBlocks(previous);
        if (have >= need)
            block = previous;
        else if (have > 0)
            release(previous);
    }
    if (block == 0)
        block = allocate(need);
    if (m_kind == Kind::DBase4 && bytes.size() % m_blockSize != 0)
        bytes.append(QByteArray(m_blockSize - bytes.size() % m_blockSize, '\0'));
    m_file.write(std::int64_t(block) * m_blockSize, bytes);
    return block;
}

void MemoFile::release(std::uint32_t block)
{
    if (m_kind != Kind::DBase4 || block == 0)
        return;
    const std::uint32_t blocks = runBlocks(block);
    if (blocks == 0 || std::uint64_t(block) + blocks > endBlock())
        return;
    const std::uint32_t head = getU32(m_file.read(0, 4), 0);
    m_file.write(std::int64_t(block) * m_blockSize, u32(head) + u32(blocks));
    writeU32(0, block);
}

std::optional<std::uint32_t> MemoFile::pointerValue(QByteArrayView field)
{
    std::uint64_t v = 0;
    bool digits = false;
    bool done = false;
    for (char c : field) {
        if (c == ' ' || c == '\0') {
            if (digits)
                done = true;
            continue;
        }
        if (c < '0' || c > '9' || done)
            return std::nullopt;
        digits = true;
        v = v * 10 + std::uint64_t(c - '0');
        if (v > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return std::uint32_t(v);
}

std::uint32_t MemoFile::parsePointer(QByteArrayView field, const QString &fileName)
{
    const std::optional<std::uint32_t> block = pointerValue(field);
    if (!block)
        throw DatabaseError(QStringLiteral("La tabla %1 tiene un puntero a memo inválido.").arg(fileName));
    return *block;
}

QByteArray MemoFile::formatPointer(std::uint32_t block)
{
    if (block == 0)
        return QByteArray(10, ' ');
    return QByteArray::number(block).rightJustified(10, ' ');
}

} // namespace qal::dbase
