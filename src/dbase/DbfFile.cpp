#include "DbfFile.h"

#include "DatabaseError.h"
#include "ScanBuffer.h"
#include "core/Clock.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <ctime>

namespace qal::dbase {
namespace {

// A clock of a few milliseconds' grain that costs next to nothing to read: it is read for
// every record a walk takes from what it read ahead.
std::int64_t coarseMilliseconds()
{
    timespec t {};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return std::int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

constexpr qsizetype kReadAhead = 256 * 1024;
// Pieces read by walks over every record (scans for deleted ones, packs, index builds).
constexpr qsizetype kScanChunk = 1024 * 1024;

std::uint32_t getU32(const QByteArray &b, int at)
{
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8
           | std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

int getU16(const QByteArray &b, int at)
{
    return int(std::uint8_t(b[at])) | int(std::uint8_t(b[at + 1])) << 8;
}

void putU32(QByteArray &b, int at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

void putU16(QByteArray &b, int at, int v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

QByteArray dateBytes(const QDate &d)
{
    QByteArray b(3, '\0');
    b[0] = char(std::clamp(d.year() - 1900, 0, 255));
    b[1] = char(d.month());
    b[2] = char(d.day());
    return b;
}

bool validFieldName(const QString &name)
{
    if (name.isEmpty() || name.size() > 10 || !name[0].isLetter())
        return false;
    for (QChar c : name) {
        if (c.unicode() > 0x7F || !(c.isLetterOrNumber() || c == QLatin1Char('_')))
            return false;
    }
    return true;
}

} // namespace

QString DbfFile::name() const
{
    return QFileInfo(m_file.path()).fileName();
}

void DbfFile::layOut(FieldList &fields, int firstChecked)
{
    if (fields.isEmpty())
        throw DatabaseError(QStringLiteral("Una tabla debe tener al menos un campo."));
    if (fields.size() > kMaxFields)
        throw DatabaseError(QStringLiteral("Una tabla no puede tener más de %1 campos.").arg(kMaxFields));
    int offset = 1;
    for (int i = 0; i < fields.size(); ++i) {
        FieldDescriptor &f = fields[i];
        if (i < firstChecked) {
            f.offset = offset;
            offset += f.length;
            continue;
        }
        f.name = storedFieldName(f.name);
        if (!validFieldName(f.name))
            throw DatabaseError(QStringLiteral("Nombre de campo inválido: \"%1\".").arg(f.name));
        if (qal::dbase::fieldIndex(fields, f.name) != i)
            throw DatabaseError(QStringLiteral("El campo %1 está repetido.").arg(f.name));
        bool ok = true;
        switch (f.type) {
        case 'C':
            ok = f.length >= 1 && f.length <= 254;
            f.decimals = 0;
            break;
        case 'N':
        case 'F':
            ok = f.length >= 1 && f.length <= 20 && f.decimals >= 0
                 && (f.decimals == 0 || f.decimals <= f.length - 2);
            break;
        case 'D':
            f.length = 8;
            f.decimals = 0;
            break;
        case 'L':
            f.length = 1;
            f.decimals = 0;
            break;
        case 'M':
        case 'B':
        case 'G':
            f.length = 10;
            f.decimals = 0;
            break;
        default:
            ok = false;
        }
        if (!ok)
            throw DatabaseError(QStringLiteral("El campo %1 (tipo %2, ancho %3, decimales %4) no es válido.")
                                    .arg(f.name, QString(QLatin1Char(f.type)))
                                    .arg(f.length)
                                    .arg(f.decimals));
        f.offset = offset;
        offset += f.length;
    }
    if (offset > 0xFFFF)
        throw DatabaseError(QStringLiteral("Los registros de la tabla serían demasiado largos."));
}

QByteArray DbfFile::buildHeader(FieldList &fields, std::uint8_t version, std::uint8_t languageDriver,
                                bool productionIndex)
{
    layOut(fields);
    bool memo = false;
    int recordLength = 1;
    for (const FieldDescriptor &f : fields) {
        memo = memo || f.type == 'M' || f.type == 'B' || f.type == 'G';
        recordLength += f.length;
    }
    if (version == 0)
        version = memo ? 0x8B : 0x03;
    const int headerLength = kHeaderSize + kDescriptorSize * int(fields.size()) + 1;
    QByteArray h(headerLength, '\0');
    h[0] = char(version);
    h.replace(1, 3, dateBytes(Clock::today()));
    putU32(h, 4, 0);
    putU16(h, 8, headerLength);
    putU16(h, 10, recordLength);
    h[28] = productionIndex ? 1 : 0;
    h[29] = char(languageDriver);
    for (int i = 0; i < fields.size(); ++i) {
        const FieldDescriptor &f = fields[i];
        const int at = kHeaderSize + kDescriptorSize * i;
        const QByteArray n = f.name.toLatin1();
        h.replace(at, n.size(), n);
        h[at + 11] = f.type;
        h[at + 16] = char(f.length);
        h[at + 17] = char(f.decimals);
    }
    h[headerLength - 1] = '\x0D';
    return h;
}

void DbfFile::create(const QString &path, FieldList fields, const CreateOptions &options)
{
    QByteArray bytes = buildHeader(fields, options.version, options.languageDriver, options.productionIndex);
    bytes.append('\x1A');
    File f;
    f.create(path);
    f.write(0, bytes);
}

void DbfFile::open(const QString &path, File::Access access, File::Share share)
{
    close();
    m_file.open(path, access, share);
    try {
        const std::int64_t size = m_file.size();
        if (size < kHeaderSize + 1)
            throw DatabaseError(QStringLiteral("El archivo %1 no es una tabla dBASE: es demasiado corto.")
                                    .arg(name()));
        m_header = m_file.read(0, kHeaderSize);
        const std::uint8_t v = std::uint8_t(m_header[0]);
        if ((v & 0x07) != 0x03)
            throw DatabaseError(QStringLiteral("El archivo %1 no es una tabla dBASE III, IV o 5 (versión 0x%2).")
                                    .arg(name())
                                    .arg(v, 2, 16, QLatin1Char('0')));
        m_count = getU32(m_header, 4);
        m_headerLength = getU16(m_header, 8);
        m_recordLength = getU16(m_header, 10);
        if (m_headerLength < kHeaderSize + 1 || m_headerLength > size || m_recordLength < 1)
            throw DatabaseError(QStringLiteral("La cabecera de la tabla %1 está dañada.").arg(name()));

        const QByteArray desc = m_file.read(kHeaderSize, m_headerLength - kHeaderSize);
        m_fields.clear();
        int offset = 1;
        bool terminated = false;
        for (int at = 0; at < desc.size(); at += kDescriptorSize) {
            if (desc[at] == '\x0D') {
                terminated = true;
                break;
            }
            if (at + kDescriptorSize > desc.size())
                break;
            if (m_fields.size() >= kMaxFields)
                throw DatabaseError(QStringLiteral("La tabla %1 declara demasiados campos.").arg(name()));
            FieldDescriptor f;
            const char *raw = desc.constData() + at;
            const int nameLen = int(std::find(raw, raw + 11, '\0') - raw);
            f.name = QString::fromLatin1(raw, nameLen).trimmed().toUpper();
            f.type = raw[11];
            f.length = std::uint8_t(raw[16]);
            f.decimals = std::uint8_t(raw[17]);
            f.offset = offset;
            bool ok = !f.name.isEmpty() && f.length > 0;
            switch (f.type) {
            case 'C':
            case 'N':
            case 'F':
                break;
            case 'D':
                ok = ok && f.length == 8;
                break;
            case 'L':
                ok = ok && f.length == 1;
                break;
            case 'M':
            case 'B':
            case 'G':
                ok = ok && f.length == 10;
                break;
            default:
                throw DatabaseError(QStringLiteral("La tabla %1 tiene un campo de tipo desconocido (%2).")
                                        .arg(name(), QString::number(std::uint8_t(f.type), 16)));
            }
            if (!ok)
                throw DatabaseError(QStringLiteral("La tabla %1 tiene un campo mal declarado (%2).")
                                        .arg(name(), f.name));
            offset += f.length;
            m_fields.append(f);
        }
        if (m_fields.isEmpty())
            throw DatabaseError(QStringLiteral("La tabla %1 no declara ningún campo.").arg(name()));
        m_fieldByName.build(m_fields);
        if (offset > m_recordLength)
            throw DatabaseError(QStringLiteral("La longitud de registro de la tabla %1 no coincide con sus campos.")
                                    .arg(name()));
        m_damage.clear();
        if (!terminated) {
            // A header length cut short hides the last fields; reading on would shift every
            // later field, and a rewrite would make that permanent.
            m_damage = QStringLiteral("La tabla %1 está dañada: la lista de campos no termina donde indica la "
                                      "cabecera (longitud de cabecera %2 bytes, %3 campos leídos).")
                           .arg(name())
                           .arg(m_headerLength)
                           .arg(m_fields.size());
        } else {
            const std::uint32_t present = recordsInFile();
            if (m_count > present) {
                m_damage = QStringLiteral("La tabla %1 está dañada: la cabecera declara %2 registros y el archivo "
                                          "contiene %3.")
                               .arg(name())
                               .arg(m_count)
                               .arg(present);
                // Only what is there can be read.
                m_count = present;
            } else if (present > std::uint64_t(m_count) + 1) {
                // One record past the count is an append whose writer died before it raised
                // the count: not part of the table, and the next append writes over it.
                m_damage = QStringLiteral("La tabla %1 está dañada: el archivo contiene %2 registros y la cabecera "
                                          "declara %3.")
                               .arg(name())
                               .arg(present)
                               .arg(m_count);
            }
        }
    } catch (...) {
        close();
        throw;
    }
}

std::uint32_t DbfFile::recordsInFile() const
{
    const std::int64_t body = m_file.size() - m_headerLength;
    if (body <= 0 || m_recordLength <= 0)
        return 0;
    return std::uint32_t(std::min<std::int64_t>(body / m_recordLength, 0xFFFFFFFFll));
}

void DbfFile::requireSound() const
{
    if (!m_damage.isEmpty())
        throw DatabaseError(m_damage + QStringLiteral(" No se escribe en ella."));
}

void DbfFile::repairCount(std::uint32_t count)
{
    if (count > recordsInFile())
        throw DatabaseError(QStringLiteral("La tabla %1 no contiene %2 registros.").arg(name()).arg(count));
    QByteArray bytes(4, '\0');
    putU32(bytes, 0, count);
    writeHeaderBytes(4, bytes);
    m_count = count;
    dropCache();
    m_damage.clear();
}

void DbfFile::close()
{
    m_file.close();
    m_damage.clear();
    m_header.clear();
    m_fields.clear();
    m_fieldByName.clear();
    m_count = 0;
    m_cache.clear();
    m_scattered.clear();
    dropCache();
}

bool DbfFile::hasMemoFields() const
{
    return std::any_of(m_fields.begin(), m_fields.end(),
                       [](const FieldDescriptor &f) { return f.type == 'M' || f.type == 'B' || f.type == 'G'; });
}

QDate DbfFile::lastUpdate() const
{
    return QDate(1900 + std::uint8_t(m_header[1]), std::uint8_t(m_header[2]), std::uint8_t(m_header[3]));
}

void DbfFile::refreshCount()
{
    const QByteArray b = m_file.read(4, 4);
    const std::uint32_t count = getU32(b, 0);
    const std::int64_t needed = std::int64_t(m_headerLength) + std::int64_t(count) * m_recordLength;
    if (needed > m_file.size())
        throw DatabaseError(QStringLiteral("La tabla %1 está truncada.").arg(name()));
    if (count != m_count) {
        m_count = count;
        putU32(m_header, 4, count);
    }
    dropCache();
}

void DbfFile::dropCache() const
{
    m_cacheCount = 0;
    m_scatteredRecnos.clear();
}

DbfFile::ReadStamp DbfFile::stampNow() const
{
    return {m_file.generation(), coarseMilliseconds()};
}

bool DbfFile::stillFresh(const ReadStamp &stamp) const
{
    // A walk reads its records ahead a fraction of a millisecond before it uses them; an
    // operator's next move comes much later and reads the record again.
    constexpr std::int64_t kFreshMs = 200;
    return stamp.generation == m_file.generation() && coarseMilliseconds() - stamp.readAtMs <= kFreshMs;
}

const char *DbfFile::cachedRecord(std::uint32_t recno, int &bytes) const
{
    if (m_cacheCount > 0 && recno >= m_cacheFirst && recno < m_cacheFirst + m_cacheCount && stillFresh(m_cacheStamp)) {
        bytes = m_recordLength;
        return m_cache.constData() + qsizetype(recno - m_cacheFirst) * m_recordLength;
    }
    if (m_scatteredRecnos.empty() || !stillFresh(m_scatteredStamp))
        return nullptr;
    // A walk asks for each record twice (is it cached, then its bytes), then for the next one.
    const auto holds = [&](std::size_t k) { return k < m_scatteredRecnos.size() && m_scatteredRecnos[k] == recno; };
    std::size_t i = m_scatterNext;
    if (!holds(i) && holds(i + 1))
        ++i;
    if (!holds(i)) {
        const auto it = std::find(m_scatteredRecnos.begin(), m_scatteredRecnos.end(), recno);
        if (it == m_scatteredRecnos.end())
            return nullptr;
        i = std::size_t(it - m_scatteredRecnos.begin());
    }
    m_scatterNext = i;
    bytes = m_scatteredBytes;
    return m_scattered.constData() + qsizetype(i) * m_scatteredBytes;
}

void DbfFile::readRecordInto(std::uint32_t recno, QByteArray &out) const
{
    int bytes = 0;
    const char *cached = cachedRecord(recno, bytes);
    if (!cached || bytes < m_recordLength)
        cached = readIntoCache(recno);
    out.resize(m_recordLength);
    std::memcpy(out.data(), cached, std::size_t(m_recordLength));
}

int DbfFile::readLeadingInto(std::uint32_t recno, QByteArray &out) const
{
    int bytes = 0;
    const char *cached = cachedRecord(recno, bytes);
    if (!cached) {
        cached = readIntoCache(recno);
        bytes = m_recordLength;
    }
    out.resize(m_recordLength);
    std::memcpy(out.data(), cached, std::size_t(bytes));
    return bytes;
}

const char *DbfFile::readIntoCache(std::uint32_t recno) const
{
    if (recno < 1 || recno > m_count)
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene el registro %2.").arg(name()).arg(recno));
    // A read right after the cached window is a walk in file order: read ahead. Either
    // way into the cache's own buffer, which keeps its room from one read to the next.
    const bool inOrder = m_cacheCount > 0 && recno == m_cacheFirst + m_cacheCount;
    const std::uint32_t ahead = std::max<std::uint32_t>(1, std::uint32_t(kReadAhead / m_recordLength));
    const std::uint32_t n = inOrder ? std::min<std::uint32_t>(m_count - recno + 1, ahead) : 1;
    const std::int64_t at = std::int64_t(m_headerLength) + std::int64_t(recno - 1) * m_recordLength;
    m_cacheCount = 0;
    m_cache.resize(qsizetype(n) * m_recordLength);
    m_cacheStamp = stampNow();
    m_file.readInto(at, m_cache.data(), m_cache.size());
    m_cacheFirst = recno;
    m_cacheCount = n;
    return m_cache.constData();
}

void DbfFile::prefetch(std::span<const std::uint32_t> recnos, int leadingBytes) const
{
    m_scatteredRecnos.clear();
    if (recnos.size() < 2 || !m_file.batchesReads())
        return;
    const int bytes = leadingBytes > 0 ? std::min(leadingBytes, m_recordLength) : m_recordLength;
    m_pieces.clear();
    m_scattered.resize(qsizetype(recnos.size()) * bytes);
    for (const std::uint32_t r : recnos) {
        if (r < 1 || r > m_count)
            continue;
        const std::int64_t at = std::int64_t(m_headerLength) + std::int64_t(r - 1) * m_recordLength;
        m_pieces.push_back({at, m_scattered.data() + qsizetype(m_pieces.size()) * bytes, bytes});
        m_scatteredRecnos.push_back(r);
    }
    m_scatteredBytes = bytes;
    m_scatteredStamp = stampNow();
    try {
        m_file.readPieces(m_pieces);
    } catch (const DatabaseError &) {
        m_scatteredRecnos.clear();
        return;
    }
    m_scatterNext = 0;
}

QByteArray DbfFile::readRecord(std::uint32_t recno) const
{
    QByteArray record;
    readRecordInto(recno, record);
    return record;
}

bool DbfFile::hasDeletedRecords() const
{
    bool found = false;
    forEachChunk([&](std::uint32_t, QByteArray &chunk) {
        for (qsizetype at = 0; at < chunk.size() && !found; at += m_recordLength)
            found = chunk[at] == kDeleted;
        return !found;
    });
    return found;
}

void DbfFile::forEachChunk(const ChunkVisitor &visit) const
{
    const std::uint32_t perChunk = std::max<std::uint32_t>(1, std::uint32_t(kScanChunk / m_recordLength));
    ScanBuffer buffer;
    QByteArray &chunk = buffer.bytes();
    for (std::uint64_t first = 1; first <= m_count; first += perChunk) {
        const std::uint64_t n = std::min<std::uint64_t>(perChunk, m_count - first + 1);
        const std::int64_t at = std::int64_t(m_headerLength) + std::int64_t(first - 1) * m_recordLength;
        chunk.resize(qsizetype(n) * m_recordLength);
        m_file.readInto(at, chunk.data(), chunk.size());
        if (!visit(std::uint32_t(first), chunk))
            return;
    }
}

void DbfFile::writeRecord(std::uint32_t recno, const QByteArray &record)
{
    requireSound();
    if (recno < 1 || recno > m_count)
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene el registro %2.").arg(name()).arg(recno));
    if (record.size() != m_recordLength)
        throw DatabaseError(QStringLiteral("Registro de longitud incorrecta para la tabla %1.").arg(name()));
    dropCache();
    m_file.write(std::int64_t(m_headerLength) + std::int64_t(recno - 1) * m_recordLength, record);
}

std::uint32_t DbfFile::appendRecord(const QByteArray &record)
{
    requireSound();
    if (record.size() != m_recordLength)
        throw DatabaseError(QStringLiteral("Registro de longitud incorrecta para la tabla %1.").arg(name()));
    if (m_count == 0xFFFFFFFFu)
        throw DatabaseError(QStringLiteral("La tabla %1 está llena.").arg(name()));
    dropCache();
    QByteArray bytes = record;
    bytes.append('\x1A');
    m_file.write(std::int64_t(m_headerLength) + std::int64_t(m_count) * m_recordLength, bytes);
    QByteArray count(4, '\0');
    putU32(count, 0, m_count + 1);
    writeHeaderBytes(4, count);
    m_count += 1;
    return m_count;
}

void DbfFile::setProductionIndex(bool on)
{
    requireSound();
    writeHeaderBytes(28, QByteArray(1, on ? '\1' : '\0'));
}

void DbfFile::touch()
{
    requireSound();
    const QByteArray today = dateBytes(Clock::today());
    if (m_header.mid(1, 3) != today)
        writeHeaderBytes(1, today);
}

void DbfFile::writeHeaderBytes(int offset, const QByteArray &bytes)
{
    m_file.write(offset, bytes);
    m_header.replace(offset, bytes.size(), bytes);
}

} // namespace qal::dbase
