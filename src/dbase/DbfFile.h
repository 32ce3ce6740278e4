#pragma once

#include "FieldDescriptor.h"
#include "FieldNameIndex.h"
#include "File.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace qal::dbase {

// How a new table is written.
struct DbfCreateOptions
{
    // 0 picks 0x8B when a field keeps its data in the memo file (M, B, G) and 0x03 otherwise.
    std::uint8_t version = 0;
    // Windows ANSI (Windows-1252), the code page our text is stored in.
    std::uint8_t languageDriver = 0x57;
    bool productionIndex = false;
};

// A .DBF file of dBASE III PLUS, dBASE IV / 5 or the BDE ("level 3 to 5"): the 32-byte
// header, the field descriptors ended by 0x0D, the fixed-length records (byte 0 is ' ' for
// a live record, '*' for a deleted one) and the 0x1A end marker.
//
// The header is kept as read, byte for byte; only the fields this class owns (date, record
// count, production-index flag) are ever changed, so reserved bytes another program wrote
// survive our writes. Opening reads the header and the descriptors only.
//
// Every failure throws DatabaseError with a Spanish text naming the file.
class DbfFile
{
public:
    static constexpr int kHeaderSize = 32;
    static constexpr int kDescriptorSize = 32;
    static constexpr int kMaxFields = 255;
    static constexpr char kLive = ' ';
    static constexpr char kDeleted = '*';

    using CreateOptions = DbfCreateOptions;

    DbfFile() = default;
    DbfFile(const DbfFile &) = delete;
    DbfFile &operator=(const DbfFile &) = delete;

    // Writes a new empty table (header, descriptors, 0x0D, 0x1A). Fields get their offsets
    // here; their names are stored upper case. Throws on a field that dBASE cannot hold.
    static void create(const QString &path, FieldList fields, const CreateOptions &options = {});
    // The header bytes (descriptors included) of a table with these fields: used by create and
    // by restructuring, which keeps the old header's extra bytes.
    static QByteArray buildHeader(FieldList &fields, std::uint8_t version, std::uint8_t languageDriver,
                                  bool productionIndex);
    // Checks names, types, widths and decimals of a field list, and sets the offsets. Fields
    // before firstChecked are a table's own, kept as their writer declared them (dBASE 5's
    // _DBASELOCK begins with '_'): only their offsets are set.
    static void layOut(FieldList &fields, int firstChecked = 0);

    void open(const QString &path, File::Access access, File::Share share);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    const QString &path() const { return m_file.path(); }
    File &file() { return m_file; }

    std::uint8_t version() const { return std::uint8_t(m_header[0]); }
    // True for the versions whose memo file is the dBASE IV kind (block size in the header,
    // length-prefixed blocks): bit 3 of the version byte.
    bool dbase4Memo() const { return (version() & 0x08) != 0; }
    bool hasMemoFields() const;
    QDate lastUpdate() const;
    std::uint32_t recordCount() const { return m_count; }
    int headerLength() const { return m_headerLength; }
    int recordLength() const { return m_recordLength; }
    bool productionIndex() const { return m_header[28] != 0; }
    std::uint8_t languageDriver() const { return std::uint8_t(m_header[29]); }
    const QByteArray &headerBytes() const { return m_header; }
    const FieldList &fields() const { return m_fields; }
    // Index of the field named name (any case; a longer name by its first 10 characters) or -1.
    int fieldIndex(const QString &name) const { return m_fieldByName.find(name); }

    // Re-reads the record count from the file (another program may have appended).
    void refreshCount();

    // What the header and the file disagree on, when they do (the field list not ended where
    // the header length says, fewer whole records in the file than the header counts, or
    // more than one record past the count: one is an append cut short); empty for a sound
    // table. A damaged table is read (at most the records the
    // file holds) but never written: every write throws a DatabaseError with this text.
    const QString &damage() const { return m_damage; }
    bool isDamaged() const { return !m_damage.isEmpty(); }
    // Throws the damage as a DatabaseError when there is one.
    void requireSound() const;
    // How many whole records the file holds after its header, whatever the header counts.
    std::uint32_t recordsInFile() const;
    // Writes the record count into the header: the repair of a count that disagrees with a
    // whole file. The only write a damaged table accepts.
    void repairCount(std::uint32_t count);

    // Record numbers are 1-based. The bytes include the deleted flag at 0.
    QByteArray readRecord(std::uint32_t recno) const;
    // The same into out, whose buffer is reused: a walk reads a hundred thousand records.
    void readRecordInto(std::uint32_t recno, QByteArray &out) const;
    // Reads the records a walk in index order visits next, in one batch where the system
    // allows it (see File::readPieces); readRecordInto then takes them from memory until a
    // write, a refresh or the next batch. Nothing is read when batches are not possible or
    // a record cannot be read: the walk's own read of it then says why.
    // With leadingBytes below the record's length only that many bytes of each record are
    // read (a list reads the same few fields of each record): readLeadingInto takes those,
    // readRecordInto reads such a record whole from the file.
    void prefetch(std::span<const std::uint32_t> recnos, int leadingBytes = 0) const;
    bool isCached(std::uint32_t recno) const
    {
        int bytes = 0;
        return cachedRecord(recno, bytes) != nullptr;
    }
    // Like readRecordInto, but takes a record of the last batch even when only its leading
    // bytes were read. Gives how many leading bytes of out are the record's: the record's
    // length, or the batch's leading bytes (the rest of out is left as it was).
    int readLeadingInto(std::uint32_t recno, QByteArray &out) const;
    // True when some record is flagged deleted; reads the records in large pieces and stops
    // at the first deleted one.
    bool hasDeletedRecords() const;
    // Walks every record in large pieces read into one buffer: visit(first, chunk) gets the
    // whole records first, first + 1, ... side by side, and may change the chunk's bytes
    // (they are not written back). Returning false stops the walk.
    using ChunkVisitor = std::function<bool(std::uint32_t first, QByteArray &chunk)>;
    void forEachChunk(const ChunkVisitor &visit) const;
    void writeRecord(std::uint32_t recno, const QByteArray &record);
    // Writes the record after the last one (with the 0x1A end marker), then raises the
    // count in the header: a process killed between the two leaves the old table intact.
    std::uint32_t appendRecord(const QByteArray &record);
    // Sets the production-index flag (header byte 28).
    void setProductionIndex(bool on);
    // Stamps today's date into the header (done by every write group).
    void touch();

    // A record of spaces: live, every field blank.
    QByteArray blankRecord() const { return QByteArray(m_recordLength, ' '); }

private:
    void writeHeaderBytes(int offset, const QByteArray &bytes);
    QString name() const;
    // The record's bytes in memory, or null; bytes tells how many leading bytes are there.
    const char *cachedRecord(std::uint32_t recno, int &bytes) const;
    void dropCache() const;
    // Reads the record (and, in a walk in file order, those after it) into m_cache.
    const char *readIntoCache(std::uint32_t recno) const;

    File m_file;
    QByteArray m_header; // the 32 fixed bytes
    FieldList m_fields;
    FieldNameIndex m_fieldByName;
    std::uint32_t m_count = 0;
    int m_headerLength = 0;
    int m_recordLength = 0;
    QString m_damage;

    // When records were read ahead: they are used while no handle of the program has written
    // the file since, and for a moment only, since another program may write it too.
    struct ReadStamp
    {
        std::uint64_t generation = 0;
        std::int64_t readAtMs = 0;
    };
    ReadStamp stampNow() const;
    bool stillFresh(const ReadStamp &stamp) const;

    // A window of records read ahead for walks in file order; dropped by any write.
    mutable QByteArray m_cache;
    mutable ReadStamp m_cacheStamp;
    mutable std::uint32_t m_cacheFirst = 0; // record number of the first cached record
    mutable std::uint32_t m_cacheCount = 0;
    // The records of the last prefetch, side by side in m_scattered, in the order asked.
    mutable std::vector<std::uint32_t> m_scatteredRecnos;
    mutable QByteArray m_scattered;
    mutable int m_scatteredBytes = 0; // of each record, from its start
    mutable std::size_t m_scatterNext = 0; // where the walk is expected to ask next
    mutable ReadStamp m_scatteredStamp;
    mutable std::vector<ReadPiece> m_pieces;
};

} // namespace qal::dbase
