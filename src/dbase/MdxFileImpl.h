#pragma once

// The open production index behind MdxFile: its tags, its tree walks and its tree edits. Private
// to the engine; the parts of the class live in MdxFile.cpp (opening), MdxNodes.cpp (reading
// and walking nodes), MdxTreeEdit.cpp (inserting and removing entries), MdxCursor.cpp,
// MdxCheck.cpp (verification) and MdxIndexBuild.cpp (whole-index builds).

#include "DatabaseError.h"
#include "MdxFile.h"
#include "MdxLayout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace qal::dbase::mdx {

QString baseName(const QString &path);
[[noreturn]] void damaged(const QString &path, const QString &why);

struct OpenTag
{
    TagInfo info;
    KeyExpression expression;  // not compiled when info.beyond says why
    KeyCondition condition;
    std::uint32_t headerPage = 0;
    std::uint8_t format = 0;
    int itemLength = 0;
    int maxKeys = 0;
};

// A tag's entries as (key, record number).
using Entries = std::vector<std::pair<QByteArray, std::uint32_t>>;

// A position in a tag: the nodes from the root down to a leaf, with the child taken at
// each interior node and the entry in the leaf.
struct Step
{
    Node node;
    int index = 0;
};
using Path = std::vector<Step>;

class MdxFileImpl final : public MdxFile
{
public:
    void load(const QString &path, const FieldList &fields, File::Access access, File::Share share);

    int tagCount() const override { return int(m_tags.size()); }
    const TagInfo &tag(int index) const override { return checkedTag(index).info; }
    int tagIndex(const QString &name) const override
    {
        for (size_t i = 0; i < m_tags.size(); ++i) {
            if (m_tags[i].info.spec.name.compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        }
        return -1;
    }
    int tagForField(const QString &fieldName) const override
    {
        const int field = fieldIndex(m_fields, fieldName);
        if (field < 0)
            return -1;
        // A tag with a FOR condition holds only some records: never the order of the table.
        for (size_t i = 0; i < m_tags.size(); ++i) {
            if (m_tags[i].info.field == field && m_tags[i].info.spec.forCondition.isEmpty())
                return int(i);
        }
        return -1;
    }

    QString writeRefusal() const override;
    QStringList unverifiedTags() const override;

    QByteArray keyOf(int tag, QByteArrayView record, std::uint32_t recno) const override
    {
        return checkedTag(tag).expression.evaluate(record, recno);
    }
    QByteArray keyFor(int tag, const QVariant &value) const override;
    int compare(int tag, QByteArrayView a, QByteArrayView b) const override
    {
        const OpenTag &t = checkedTag(tag);
        return compareKeys(t.info.type, t.info.spec.descending, a, b);
    }

    // A tag holds a record when its FOR condition (if any) holds for it.
    bool holds(int tag, QByteArrayView record, std::uint32_t recno) const
    {
        return m_tags[size_t(tag)].condition.holds(record, recno);
    }
    void insertRecord(std::uint32_t recno, QByteArrayView record) override
    {
        requireWritable();
        for (int t = 0; t < tagCount(); ++t) {
            if (holds(t, record, recno))
                insertEntry(t, keyOf(t, record, recno), recno);
        }
    }
    void updateRecord(std::uint32_t recno, QByteArrayView before, QByteArrayView after) override
    {
        requireWritable();
        for (int t = 0; t < tagCount(); ++t) {
            const bool wasIn = holds(t, before, recno);
            const bool isIn = holds(t, after, recno);
            const QByteArray oldKey = wasIn ? keyOf(t, before, recno) : QByteArray();
            const QByteArray newKey = isIn ? keyOf(t, after, recno) : QByteArray();
            if (wasIn == isIn && oldKey == newKey)
                continue;
            if (wasIn)
                removeEntry(t, oldKey, recno);
            if (isIn)
                insertEntry(t, newKey, recno);
        }
    }
    void removeRecord(std::uint32_t recno, QByteArrayView record) override
    {
        requireWritable();
        for (int t = 0; t < tagCount(); ++t) {
            if (holds(t, record, recno))
                removeEntry(t, keyOf(t, record, recno), recno);
        }
    }

    std::unique_ptr<Cursor> cursor(int tag) const override;
    void rebuild(std::uint32_t count, const RecordSource &records, bool dropDeleted) override;
    QStringList check(std::uint32_t count, const RecordSource &records) const override;

    void setJournal(Journal *journal) override
    {
        m_journal = journal;
        m_file.setJournal(journal);
    }
    void close() override { m_file.close(); }

    // --- used by cursors -------------------------------------------------------------
    const OpenTag &checkedTag(int index) const
    {
        if (index < 0 || index >= int(m_tags.size()))
            throw DatabaseError(QStringLiteral("La etiqueta %1 no existe en el índice %2.").arg(index).arg(baseName(m_path)));
        return m_tags[size_t(index)];
    }
    [[noreturn]] void fail(const QString &why) const { damaged(m_path, why); }
    void requireOpen() const
    {
        if (!m_file.isOpen())
            throw DatabaseError(QStringLiteral("El índice %1 está cerrado.").arg(baseName(m_path)));
    }
    std::uint32_t rootOf(const OpenTag &tag) const;
    Node readNode(const OpenTag &tag, std::uint32_t page) const;
    // Bounds how many blocks a walk can visit without going round in a cycle. Every node read
    // lies inside the size known (readNode asks the file again past it), so the known size is
    // bound enough, and a walk does not ask the file's size at every leaf.
    std::uint64_t blockCount() const
    {
        if (m_knownSize == 0)
            m_knownSize = m_file.size();
        return std::uint64_t(m_knownSize) / std::uint64_t(m_blockBytes) + 1;
    }

    // Descends from page to a leaf through the first (or last) child; true when it reached one.
    void descendEdge(const OpenTag &tag, Path &path, std::uint32_t page, bool last) const;
    // Moves path to the adjacent leaf, empty or not, checking the leaf chain; false at the end.
    bool adjacentLeaf(const OpenTag &tag, Path &path, bool forward) const;
    // Moves path to the next (or previous) leaf that has entries; false at the end, path unchanged then.
    bool moveLeaf(const OpenTag &tag, Path &path, bool forward) const;
    // Path at the first entry whose key is >= key (partial character keys allowed); at the
    // end of the last leaf when there is none. Returns whether it is on an entry.
    bool seekPath(const OpenTag &tag, Path &path, QByteArrayView key) const;
    // The path to where (key, recno) goes when recno is above every record with that key
    // (an appended record): after the last equal key. False when that is not so.
    bool appendPath(const OpenTag &tag, Path &path, QByteArrayView key, std::uint32_t recno) const;
    // Path at the first entry >= (key, recno); returns whether that entry is (key, recno).
    bool findPath(const OpenTag &tag, Path &path, QByteArrayView key, std::uint32_t recno) const;
    bool onEntry(const Path &path) const
    {
        return !path.empty() && path.back().index >= 0 && path.back().index < path.back().node.count();
    }

private:
    struct Header
    {
        std::uint32_t pages = 0;
        std::uint32_t firstFree = 0;
        std::uint32_t freeBlocks = 0;
    };

    void requireWritable() const
    {
        requireOpen();
        if (!m_file.writable())
            throw DatabaseError(QStringLiteral("El índice %1 está abierto sólo para lectura.").arg(baseName(m_path)));
        if (const QString refusal = writeRefusal(); !refusal.isEmpty())
            throw DatabaseError(refusal);
    }
    void compileTag(OpenTag &tag, const QString &condition);
    void parse();
    Header readHeader() const;
    void writeHeader(const Header &h);
    std::uint32_t allocate(Header &h);
    void release(Header &h, std::uint32_t page);
    void writeNode(const OpenTag &tag, const Node &node);
    void writeTagHeader(const OpenTag &tag, std::uint32_t root, int pagesDelta);
    // Byte 246 of the tag header: whether the tag holds a key, which dBASE keeps up to date.
    void markHasKeys(const OpenTag &tag, bool hasKeys);
    void insertEntry(int tag, const QByteArray &key, std::uint32_t recno);
    void removeEntry(int tag, const QByteArray &key, std::uint32_t recno);
    // Sets the separator of path[level]'s subtree in the nodes above it to key.
    void updateSeparators(Path &path, int level, const QByteArray &key, std::vector<bool> &dirty);
    void checkTag(const OpenTag &tag, std::set<std::uint32_t> &used, Entries expected, QStringList &problems) const;

    QString m_path;
    File m_file;
    mutable std::int64_t m_knownSize = 0; // a size the file had at least
    File::Access m_access = File::Access::ReadOnly;
    File::Share m_share = File::Share::Shared;
    Journal *m_journal = nullptr;
    FieldList m_fields;
    std::vector<OpenTag> m_tags;
    int m_pagesPerBlock = 2;
    int m_blockBytes = 1024;
    std::uint8_t m_languageDriver = 0;
    QString m_tableName;
};

} // namespace qal::dbase::mdx
