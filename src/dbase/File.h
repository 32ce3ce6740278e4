#pragma once

#include "ReadRing.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

namespace qal::dbase {

class DatabaseError;
class Journal;

// One open file of a table (.DBF, .DBT or .MDX), with positioned reads and writes and
// the locks that keep a second program from opening a table another has exclusively.
// Every failure throws DatabaseError with a Spanish text naming the file.
class File
{
public:
    enum class Access { ReadOnly, ReadWrite };
    enum class Share { Shared, Exclusive, None };

    File() = default;
    ~File();
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    // Opens an existing file. Shared and exclusive opens use open-file-description locks,
    // so they conflict between processes and between two opens in one process alike:
    // an exclusive open fails while any other open holds the file, and the reverse.
    void open(const QString &path, Access access, Share share);
    // Creates (or truncates) a file for writing, exclusively.
    void create(const QString &path);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    const QString &path() const { return m_path; }
    bool writable() const { return m_access == Access::ReadWrite; }

    std::int64_t size() const;
    // Exactly n bytes at offset; throws when the file is shorter.
    QByteArray read(std::int64_t offset, std::int64_t n) const;
    // Up to n bytes at offset (fewer at the end of the file).
    QByteArray readSome(std::int64_t offset, std::int64_t n) const;
    // Exactly n bytes at offset into the caller's buffer, for walks over a whole file
    // that reuse one buffer; throws when the file is shorter.
    void readInto(std::int64_t offset, char *data, std::int64_t n) const;
    // Every piece exactly, as readInto reads one, in as few system calls as the system
    // allows (see ReadRing). False when it would take one call a piece: the caller may then
    // as well read each piece when it needs it.
    bool batchesReads() const;
    void readPieces(std::span<const ReadPiece> pieces) const;
    // Writes go through the journal when one is attached, so that a group of writes to
    // the files of a table is all-or-nothing even when the process is killed midway.
    void write(std::int64_t offset, const QByteArray &bytes);
    void truncate(std::int64_t size);

    void setJournal(Journal *journal) { m_journal = journal; }

    // Counts the writes to this file through every handle of the program that has it open:
    // a reader that keeps bytes read ahead knows from it whether they may have changed.
    std::uint64_t generation() const { return m_generation ? m_generation->load(std::memory_order_acquire) : 0; }

    // Used by the journal itself.
    void writeDirect(std::int64_t offset, const char *data, std::int64_t n);
    void truncateDirect(std::int64_t size);

private:
    void lock(Share share);
    void joinGeneration();
    void bumpGeneration() { m_generation->fetch_add(1, std::memory_order_acq_rel); }
    std::int64_t readUpTo(std::int64_t offset, char *data, std::int64_t n) const;
    DatabaseError truncated() const;

    int m_fd = -1;
    QString m_path;
    Access m_access = Access::ReadOnly;
    Journal *m_journal = nullptr;
    std::shared_ptr<std::atomic<std::uint64_t>> m_generation; // shared by the handles of one file
    mutable std::unique_ptr<ReadRing> m_ring; // made at the first scattered read
    mutable bool m_ringTried = false;
};

} // namespace qal::dbase
