#pragma once

#include <QString>

#include <cstdint>

namespace qal::dbase {

class File;

// An undo journal that makes one group of writes to a table's files all-or-nothing.
//
// Before a byte range of a file is overwritten, its old bytes and the file's old size are
// appended to the journal file, each entry in one write with a checksum; then the file is
// written in place. commit() empties the journal. A journal holding entries when a table is
// opened belongs to a group that never finished (the process died): rollBack() restores
// every range it saved, newest first, and the old sizes, so the files are exactly as they
// were before the group began. A torn last entry was never applied, so it is ignored.
//
// The journal lives beside the table as "<table base name>.qjl". It is created by the first
// group and kept open, empty between groups, so that a save costs no file creation; the
// object's end removes it when no group is left unfinished.
class Journal
{
public:
    explicit Journal(QString path);
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    const QString &path() const { return m_path; }
    // A group has saved ranges that are not committed yet.
    bool pending() const { return m_pending; }

    // Saves what [offset, offset + n) of file holds now, and its size.
    void saveBefore(const File &file, std::int64_t offset, std::int64_t n);
    // The group is complete: forget the saved ranges.
    void commit();
    // The group failed: restores what it saved (as rollBack) and removes the journal.
    void undo();

    // Restores the files named in the journal at path (names relative to its folder) and
    // removes it. Returns false when there was no journal. Throws DatabaseError when a
    // file cannot be restored.
    static bool rollBack(const QString &path);
    static QString pathFor(const QString &tablePath);

private:
    void openForGroup();
    void closeAndRemove();

    QString m_path;
    int m_fd = -1;
    bool m_pending = false;
};

} // namespace qal::dbase
