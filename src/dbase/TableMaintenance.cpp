// Table maintenance: pack, index regeneration and the rewrite behind restructuring
// (TableRestructure.cpp). Each of them writes new files beside the old ones
// ("<name>.qtmp"), then records the renames in "<base>.qpk" and performs them; a process
// killed before the marker is complete leaves the old table untouched, one killed after it
// leaves renames that the next open finishes.

#include "Table.h"

#include "DatabaseError.h"
#include "FieldValue.h"
#include "Journal.h"
#include "MdxFile.h"
#include "MemoFile.h"
#include "RetiredFiles.h"
#include "ScanBuffer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace qal::dbase {
namespace {

// Sends a finished file's pages to the disk on a thread of its own while the caller goes on.
// Renaming a new file over an old one makes the file system write the new file's data first
// (so that a power cut leaves the old file or the new one, never an empty one), and that write
// would otherwise all happen inside the rename, after the index is built. Waits at the end.
class EarlyWriteback
{
public:
    explicit EarlyWriteback(const QString &path)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return; // the rename writes it then, as always
        try {
            m_thread = std::thread([fd] {
                ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
                ::close(fd);
            });
        } catch (const std::system_error &) {
            ::close(fd);
        }
    }
    ~EarlyWriteback()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    EarlyWriteback(const EarlyWriteback &) = delete;
    EarlyWriteback &operator=(const EarlyWriteback &) = delete;

private:
    std::thread m_thread;
};

void putU32(QByteArray &b, int at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Moves the live records of a piece of the table to its front, in order, and cuts off the rest.
void dropDeletedRecords(QByteArray &chunk, int length)
{
    qsizetype to = 0;
    qsizetype from = 0;
    while (from < chunk.size()) {
        while (from < chunk.size() && chunk[from] == DbfFile::kDeleted)
            from += length;
        qsizetype end = from;
        while (end < chunk.size() && chunk[end] != DbfFile::kDeleted)
            end += length;
        if (to != from)
            std::memmove(chunk.data() + to, chunk.constData() + from, size_t(end - from));
        to += end - from;
        from = end;
    }
    chunk.truncate(to);
}

std::vector<int> memoFieldsOf(const FieldList &fields)
{
    std::vector<int> memos;
    for (int i = 0; i < fields.size(); ++i) {
        if (fieldvalue::isMemo(fields[i]))
            memos.push_back(i);
    }
    return memos;
}

// Copies the memo a record's pointer field names into the new memo file and points the
// field at the copy.
void moveMemo(char *pointer, const MemoFile &from, MemoFile &to, const QString &tableFile)
{
    constexpr int kPointerLength = 10; // every memo, binary and OLE field
    const std::uint32_t block = MemoFile::parsePointer(QByteArrayView(pointer, kPointerLength), tableFile);
    const std::uint32_t moved = block == 0 ? 0 : to.write(from.read(block), 0);
    std::memcpy(pointer, MemoFile::formatPointer(moved).constData(), kPointerLength);
}

QString tempPath(const QString &path)
{
    return path + QStringLiteral(".qtmp");
}

// Moves the finished files over the old ones, through the marker that lets a later open
// finish the job.
void replaceFiles(const QString &marker, const QList<QPair<QString, QString>> &renames)
{
    QByteArray text;
    for (const auto &[from, to] : renames)
        text += QFileInfo(from).fileName().toUtf8() + '\t' + QFileInfo(to).fileName().toUtf8() + '\n';
    const QString markerTemp = marker + QStringLiteral(".qtmp");
    {
        QFile f(markerTemp);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
            throw DatabaseError(QStringLiteral("No se puede escribir el archivo %1.").arg(markerTemp));
    }
    if (std::rename(QFile::encodeName(markerTemp).constData(), QFile::encodeName(marker).constData()) != 0)
        throw DatabaseError(QStringLiteral("No se puede escribir el archivo %1.").arg(marker));
    for (const auto &[from, to] : renames) {
        if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
            throw DatabaseError(QStringLiteral("No se puede reemplazar el archivo %1.").arg(to));
    }
    QFile::remove(marker);
}

} // namespace

void Table::rewrite(const FieldList &newFields, const QByteArray &newHeader, bool dropDeleted, bool copyMemos,
                    const std::function<QByteArray(const QByteArray &)> &convert)
{
    if (m_state == State::Edit || m_state == State::Insert) {
        m_state = State::Browse;
        m_pendingBlobs.clear();
        m_modified = false;
    }
    const QString dbfPath = m_dbf.path();
    const QString base = QFileInfo(dbfPath).completeBaseName();
    const QString marker = QFileInfo(dbfPath).dir().filePath(base + QStringLiteral(".qpk"));
    const QList<TagSpec> tags = indexTags();
    QList<QPair<QString, QString>> renames;
    try {
        // The new DBF, written in large pieces.
        const QString newDbf = tempPath(dbfPath);
        renames.append({newDbf, dbfPath});
        QByteArray header = newHeader;
        const int headerLength = int(std::uint8_t(header[8])) | int(std::uint8_t(header[9])) << 8;
        const int newLength = int(std::uint8_t(header[10])) | int(std::uint8_t(header[11])) << 8;
        std::uint32_t count = 0;
        {
            File out;
            out.create(newDbf);
            std::unique_ptr<MemoFile> newMemo;
            if (copyMemos && m_memo) {
                const QString memoPath = siblingPath(QStringLiteral("dbt"));
                const QString newMemoPath = tempPath(memoPath);
                renames.append({newMemoPath, memoPath});
                MemoFile::create(newMemoPath, m_memo->kind(), base, m_memo->blockSize());
                newMemo = std::make_unique<MemoFile>();
                newMemo->open(newMemoPath, m_memo->kind(), File::Access::ReadWrite, File::Share::Exclusive);
            }
            // The new index takes each record's keys as it is copied.
            std::unique_ptr<MdxFile::Builder> index;
            if (!tags.isEmpty()) {
                const QString mdxPath = siblingPath(QStringLiteral("mdx"));
                const QString newMdx = tempPath(mdxPath);
                renames.append({newMdx, mdxPath});
                index = std::make_unique<MdxFile::Builder>(newMdx, newFields, tags, m_dbf.recordCount());
            }
            // The records go over in the pieces they are read in: a pack closes the gaps of
            // the deleted ones inside each piece, a restructure converts each record.
            const int oldLength = m_dbf.recordLength();
            const std::vector<int> memoFields = memoFieldsOf(newFields);
            const QString tableFile = QFileInfo(dbfPath).fileName();
            ScanBuffer convertedBuffer;
            QByteArray &converted = convertedBuffer.bytes();
            std::int64_t pos = headerLength;
            m_dbf.forEachChunk([&](std::uint32_t first, QByteArray &chunk) {
                const std::uint32_t read = first - 1 + std::uint32_t(chunk.size() / oldLength);
                if (dropDeleted)
                    dropDeletedRecords(chunk, oldLength);
                if (convert) {
                    // Each old record is handed over in place, not copied out of the chunk, and
                    // the new ones go into one buffer that keeps its memory from chunk to chunk:
                    // memory the system hands out anew costs a page fault every 4 KB.
                    converted.resize(chunk.size() / oldLength * newLength);
                    char *to = converted.data();
                    for (qsizetype at = 0; at < chunk.size(); at += oldLength, to += newLength) {
                        const QByteArray record = convert(QByteArray::fromRawData(chunk.constData() + at, oldLength));
                        Q_ASSERT(record.size() == newLength);
                        std::memcpy(to, record.constData(), std::size_t(newLength));
                    }
                }
                QByteArray &records = convert ? converted : chunk;
                for (qsizetype at = 0; at < records.size(); at += newLength) {
                    char *record = records.data() + at;
                    if (newMemo) {
                        for (int f : memoFields)
                            moveMemo(record + newFields[f].offset, *m_memo, *newMemo, tableFile);
                    }
                    ++count;
                    if (index)
                        index->add(count, QByteArrayView(record, newLength));
                }
                out.write(pos, records);
                pos += records.size();
                reportMaintenance(read);
                return true;
            });
            out.write(pos, QByteArray(1, '\x1A'));
            putU32(header, 4, count);
            out.write(0, header);
            const EarlyWriteback writeback(newDbf);
            if (index)
                index->write(base, m_dbf.languageDriver());
        }
        // Stamp the date the way every write does.
        {
            DbfFile fresh;
            fresh.open(newDbf, File::Access::ReadWrite, File::Share::None);
            fresh.touch();
        }

    } catch (...) {
        for (const auto &[from, to] : renames)
            QFile::remove(from);
        throw;
    }

    QStringList replaced;
    for (const auto &[from, to] : renames)
        replaced << to;
    const RetiredFiles retired(replaced);
    closeFiles();
    try {
        replaceFiles(marker, renames);
    } catch (...) {
        // Whatever happened, the marker (if written) lets the next open finish.
        m_dbf.open(dbfPath, File::Access::ReadWrite, File::Share::Exclusive);
        openFiles();
        throw;
    }
    m_dbf.open(dbfPath, File::Access::ReadWrite, File::Share::Exclusive);
    openFiles();
    m_cursor.reset();
    m_cursorValid = false;
    m_tag = (!m_indexField.isEmpty() && m_mdx) ? m_mdx->tagForField(m_indexField) : -1;
    if (m_tag < 0)
        m_indexField.clear();
    first();
}

void Table::pack()
{
    requireWritable();
    requireExclusive(QStringLiteral("Table must be opened exclusive to pack"));
    // Nothing to remove: the files stay as they are and only the index is regenerated. The
    // walk that regenerates it is also the search for deleted records: it gives up at the
    // first one, and the table is rewritten instead.
    if (m_state == State::Browse && m_mdx) {
        if (writeProductionIndex(indexTags(), true))
            return;
    } else if (!m_dbf.hasDeletedRecords()) {
        checkBrowseMode();
        regenerateIndexes();
        return;
    }
    const QByteArray header = m_dbf.file().read(0, m_dbf.headerLength());
    rewrite(fields(), header, true, true, {});
}

void Table::regenerateIndexes()
{
    requireWritable();
    requireExclusive(QStringLiteral("La tabla %1 debe estar abierta en forma exclusiva para regenerar sus índices.")
                         .arg(m_fileName));
    if (!m_mdx)
        return;
    createIndex(indexTags());
}

void Table::createIndex(const QList<TagSpec> &tags)
{
    requireWritable();
    requireExclusive(QStringLiteral("La tabla %1 debe estar abierta en forma exclusiva para crear su índice.")
                         .arg(m_fileName));
    checkBrowseMode();
    writeProductionIndex(tags, false);
}

QList<TagSpec> Table::indexTags() const
{
    QList<TagSpec> tags;
    for (int i = 0; m_mdx && i < m_mdx->tagCount(); ++i)
        tags.append(m_mdx->tag(i).spec);
    return tags;
}

void Table::reportMaintenance(std::uint32_t done) const
{
    if (onMaintenanceProgress)
        onMaintenanceProgress(done, m_dbf.recordCount());
}

bool Table::writeProductionIndex(const QList<TagSpec> &tags, bool untilDeleted)
{
    const QString mdxPath = siblingPath(QStringLiteral("mdx"));
    MdxFile::Builder index(mdxPath, fields(), tags, m_dbf.recordCount());
    const int length = m_dbf.recordLength();
    bool deleted = false;
    m_dbf.forEachChunk([&](std::uint32_t recno, QByteArray &chunk) {
        for (qsizetype at = 0; at < chunk.size(); at += length, ++recno) {
            deleted = untilDeleted && chunk[at] == DbfFile::kDeleted;
            if (deleted)
                return false;
            index.add(recno, QByteArrayView(chunk).sliced(at, length));
        }
        reportMaintenance(recno - 1);
        return true;
    });
    if (deleted)
        return false;

    m_cursor.reset();
    m_cursorValid = false;
    if (m_mdx)
        m_mdx->close();
    m_mdx.reset();
    index.write(QFileInfo(m_dbf.path()).completeBaseName(), m_dbf.languageDriver());
    if (!m_dbf.productionIndex()) {
        m_dbf.setProductionIndex(true);
        m_journal->commit();
    }
    m_mdx = MdxFile::open(mdxPath, fields(), File::Access::ReadWrite, File::Share::None);
    m_mdx->setJournal(m_journal.get());
    m_tag = !m_indexField.isEmpty() ? m_mdx->tagForField(m_indexField) : -1;
    if (m_tag < 0)
        m_indexField.clear();
    first();
    return true;
}

} // namespace qal::dbase
