#pragma once

#include "File.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace qal::dbase {

// The .DBT file that holds the memo (M), binary (B) and OLE (G) fields of a table. Records
// point at it with a block number; block n starts at byte n * blockSize, block 0 is the header.
//
// dBASE III (tables 0x83): blocks of 512 bytes; a memo is raw text from the start of its
// block up to 0x1A 0x1A; header bytes 0-3 are the next block to append. Not binary-safe.
//
// dBASE IV / 5 / BDE (tables 0x8B): the block size is in header bytes 20-21; a memo starts
// with FF FF 08 00 and a 4-byte length that counts those 8 bytes, then the data (binary-safe).
// Header bytes 0-3 are the first run of the free list; each free run starts with (next run,
// run length in blocks) and the chain ends at the first block past the end of the file.
//
// An empty value is stored as no block at all (the pointer is blank), as the BDE does.
// Every read checks that what the file claims fits in the file; failures throw DatabaseError.
class MemoFile
{
public:
    enum class Kind { DBase3, DBase4 };

    MemoFile() = default;
    MemoFile(const MemoFile &) = delete;
    MemoFile &operator=(const MemoFile &) = delete;

    // A new memo file with its header only. tableName (without extension) goes into the
    // dBASE IV header as dBASE writes it.
    static void create(const QString &path, Kind kind, const QString &tableName, int blockSize = 512);

    void open(const QString &path, Kind kind, File::Access access, File::Share share);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    File &file() { return m_file; }
    Kind kind() const { return m_kind; }
    int blockSize() const { return m_blockSize; }

    // The data of the memo starting at block (>= 1).
    QByteArray read(std::uint32_t block) const;
    // Stores data and returns its block (0 for empty data). The memo at previous (0 for
    // none) is rewritten in place when the new data fits in its blocks; otherwise its blocks
    // go to the free list (dBASE IV) and the data goes to a free run or the end of the file.
    std::uint32_t write(QByteArrayView data, std::uint32_t previous);
    // Gives the blocks of the memo at block back to the free list (dBASE IV only; dBASE III
    // never reuses space).
    void release(std::uint32_t block);

    // The block a record's 10-byte memo field points at: "0000000001" (dBASE) and
    // "         1" (BDE) alike; blank is 0. Throws on anything else.
    static std::uint32_t parsePointer(QByteArrayView field, const QString &fileName);
    // The same without the error: nothing for a field that is no pointer.
    static std::optional<std::uint32_t> pointerValue(QByteArrayView field);
    // The 10 bytes for a block number, right-aligned with spaces as the BDE writes them;
    // blank for 0.
    static QByteArray formatPointer(std::uint32_t block);

private:
    std::uint32_t endBlock() const;
    std::uint32_t runBlocks(std::uint32_t block) const; // blocks used by the memo at block
    std::uint32_t allocate(std::uint32_t blocks);
    void writeU32(std::int64_t at, std::uint32_t v);
    QString name() const;

    File m_file;
    Kind m_kind = Kind::DBase4;
    int m_blockSize = 512;
};

} // namespace qal::dbase
