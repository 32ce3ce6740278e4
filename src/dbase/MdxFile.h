#pragma once

#include "FieldDescriptor.h"
#include "File.h"
#include "KeyExpression.h"
#include "TagSpec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace qal::dbase {

class Journal;

struct TagInfo
{
    TagSpec spec;
    KeyType type = KeyType::Character;
    int keyLength = 0;
    // The field the key is, when the expression is one bare field name; -1 otherwise.
    int field = -1;
    // Why the engine cannot compute this tag's key or condition (a function it does not
    // know); empty when it can. Such a tag is walked as it stands and never written.
    QString beyond = {};
};

// Walks one tag of a production index (MdxFile::cursor) in its order. Positions are stable
// while the index is not written; after a write, find(key, recno) puts a cursor back. A
// cursor must not outlive its index, nor be used after rebuild(). A move that returns false
// leaves the cursor where it was, except seek and find, which leave it unpositioned.
class MdxCursor
{
public:
    virtual ~MdxCursor() = default;
    virtual bool first() = 0;
    virtual bool last() = 0;
    virtual bool next() = 0;
    virtual bool prior() = 0;
    // Positions on the first entry whose key is >= key (in the tag's order); false when none.
    virtual bool seek(QByteArrayView key) = 0;
    // Positions on the entry (key, recno); false when absent.
    virtual bool find(QByteArrayView key, std::uint32_t recno) = 0;
    virtual std::uint32_t recno() const = 0;
    virtual QByteArray key() const = 0;
    // The record numbers of the entries from this one on, in the direction of the walk, as
    // far as the index block holding this one goes (at most `most`): what a walk will read
    // next, known without another read of the index.
    virtual void upcoming(bool forward, std::size_t most, std::vector<std::uint32_t> &out) const = 0;
};

// A dBASE IV production index (.MDX): a header, a tag table and one B+ tree per tag, in
// the exact layout dBASE IV, dBASE 5 and the BDE write, so that files written by them
// open here and files written here open there.
//
// Keys are kept in the file's own form: character keys space-padded to the key length,
// numeric keys as the 12-byte decimal format, date keys as the 8-byte Julian-day double.
// Within equal keys, entries are in ascending record-number order. A unique tag keeps one
// entry per key (the first record inserted with it). Deleted records keep their keys;
// only a pack or a rebuild drops them.
//
// Every failure, including any sign of a damaged file at open, throws DatabaseError.
class MdxFile
{
public:
    // Reads a record's bytes by 1-based record number (the deleted flag at byte 0), for rebuilds.
    using RecordSource = std::function<bool(std::uint32_t recno, QByteArray &record)>;

    virtual ~MdxFile() = default;

    // Opens and validates the header, the tag table and every tag header; the tags' key
    // expressions are compiled against fields. Reads no node at open.
    static std::unique_ptr<MdxFile> open(const QString &path, const FieldList &fields,
                                         File::Access access, File::Share share);
    // Writes a new production index with the given tags, filled from records 1..count.
    // Writes to a temporary file and renames it over path.
    static void create(const QString &path, const QString &tableName, std::uint8_t languageDriver,
                       const FieldList &fields, const QList<TagSpec> &tags, std::uint32_t count,
                       const RecordSource &records);

    // Builds a new production index from records handed in as they go by (a pack copying
    // its records), so that they need not be read twice. write() sorts the keys and writes
    // the file through a temporary file renamed over path.
    class Builder
    {
    public:
        Builder(const QString &path, const FieldList &fields, const QList<TagSpec> &tags,
                std::uint32_t expectedRecords);
        ~Builder();
        void add(std::uint32_t recno, QByteArrayView record);
        void write(const QString &tableName, std::uint8_t languageDriver);

    private:
        struct Impl;
        std::unique_ptr<Impl> d;
    };

    // Why no record may be written while this index is open (a tag beyond the engine,
    // named); empty when writing is possible.
    virtual QString writeRefusal() const = 0;
    // One Spanish line for each tag check() cannot verify, saying why.
    virtual QStringList unverifiedTags() const = 0;

    virtual int tagCount() const = 0;
    virtual const TagInfo &tag(int index) const = 0;
    virtual int tagIndex(const QString &name) const = 0;         // ignoring case; -1
    virtual int tagForField(const QString &fieldName) const = 0; // tag whose key is that field; -1

    // The key a record (number recno, for RECNO()) has in a tag, in the file's form.
    virtual QByteArray keyOf(int tag, QByteArrayView record, std::uint32_t recno) const = 0;
    // The key for a value given by a caller (QString, double/int, QDate), in the file's form:
    // text is padded to the key length (and folded to upper case when the expression is
    // UPPER(...)); a null date gives the blank-date key.
    virtual QByteArray keyFor(int tag, const QVariant &value) const = 0;
    // Orders two keys of a tag as the tag does (ascending or descending). Character keys of
    // different lengths compare over the shorter one, so a short key matches as a prefix.
    virtual int compare(int tag, QByteArrayView a, QByteArrayView b) const = 0;

    // Keep every tag in step with one record. Writes go through the attached journal.
    // Removing an entry a non-unique tag does not hold means the index is damaged and
    // throws DatabaseError; a unique tag simply has nothing to remove then.
    virtual void insertRecord(std::uint32_t recno, QByteArrayView record) = 0;
    virtual void updateRecord(std::uint32_t recno, QByteArrayView before, QByteArrayView after) = 0;
    virtual void removeRecord(std::uint32_t recno, QByteArrayView record) = 0;

    // Walks one tag (see MdxCursor).
    using Cursor = MdxCursor;
    virtual std::unique_ptr<Cursor> cursor(int tag) const = 0;

    // Rebuilds every tag from the records, in a temporary file renamed over this one (commit
    // or drop the journal first: its saved ranges belong to the file being replaced);
    // dropDeleted leaves out the records flagged deleted (a pack renumbers them first and
    // so passes only the live ones).
    virtual void rebuild(std::uint32_t count, const RecordSource &records, bool dropDeleted) = 0;

    // Verifies the whole file: node structure, key order, and that each tag holds exactly
    // the keys of records 1..count (deleted ones included). Returns problems in Spanish,
    // one per line; empty when the index is sound.
    virtual QStringList check(std::uint32_t count, const RecordSource &records) const = 0;

    virtual void setJournal(Journal *journal) = 0;
    virtual void close() = 0;
};

} // namespace qal::dbase
