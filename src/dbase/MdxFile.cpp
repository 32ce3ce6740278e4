#include "MdxFile.h"

#include "DatabaseError.h"
#include "MdxBuilder.h"
#include "MdxLayout.h"

#include "core/Clock.h"
#include "core/Cp1252.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <iterator>
#include <set>
#include <thread>

namespace qal::dbase {

using namespace mdx;

namespace {

QString baseName(const QString &path)
{
    return QFileInfo(path).fileName();
}

[[noreturn]] void damaged(const QString &path, const QString &why)
{
    throw DatabaseError(QStringLiteral("El índice %1 está dañado: %2. Regenere los índices de la tabla.")
                            .arg(baseName(path), why));
}

struct OpenTag
{
    TagInfo info;
    KeyExpression expression;
    std::uint32_t headerPage = 0;
    std::uint8_t format = 0;
    int itemLength = 0;
    int maxKeys = 0;
};

// Entry order within a tag: the key in the tag's order, then the record number ascending.
struct Entry
{
    QByteArray key;
    std::uint32_t recno = 0;
};

using Entries = std::vector<std::pair<QByteArray, std::uint32_t>>;

void sortEntries(Entries &entries, KeyType type, bool descending)
{
    if (type != KeyType::Numeric) {
        std::sort(entries.begin(), entries.end(), [&](const auto &a, const auto &b) {
            const int c = compareKeys(type, descending, a.first, b.first);
            return c != 0 ? c < 0 : a.second < b.second;
        });
        return;
    }
    // Numeric keys: convert each key once to bytes that sort under memcmp.
    std::vector<std::pair<QByteArray, std::size_t>> order;
    order.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        order.emplace_back(numeric_key::orderBytes(entries[i].first), i);
    std::sort(order.begin(), order.end(), [&](const auto &a, const auto &b) {
        int c = std::memcmp(a.first.constData(), b.first.constData(), size_t(a.first.size()));
        if (descending)
            c = -c;
        return c != 0 ? c < 0 : entries[a.second].second < entries[b.second].second;
    });
    Entries sorted;
    sorted.reserve(entries.size());
    for (const auto &o : order)
        sorted.push_back(std::move(entries[o.second]));
    entries = std::move(sorted);
}

// Keeps the first record of each key.
void keepFirstOfEachKey(Entries &entries, KeyType type)
{
    auto last = std::unique(entries.begin(), entries.end(), [&](const auto &a, const auto &b) {
        return compareKeys(type, false, a.first, b.first) == 0;
    });
    entries.erase(last, entries.end());
}

struct TagPlan
{
    TagSpec spec;
    KeyExpression expression;
};

// Validates tag names and compiles their expressions; throws DatabaseError.
std::vector<TagPlan> planTags(const QString &path, const FieldList &fields, const QList<TagSpec> &tags)
{
    if (tags.isEmpty() || tags.size() > kMaxTags)
        throw DatabaseError(QStringLiteral("El índice %1 debe tener entre 1 y %2 etiquetas.").arg(baseName(path)).arg(kMaxTags));
    std::vector<TagPlan> plans;
    QStringList names;
    for (const TagSpec &spec : tags) {
        const QString name = spec.name.toUpper();
        bool valid = !name.isEmpty() && name.size() <= 10 && name[0].isLetter();
        for (QChar c : name)
            valid = valid && c.unicode() < 128 && (c.isLetterOrNumber() || c == u'_');
        if (!valid)
            throw DatabaseError(QStringLiteral("El nombre de etiqueta «%1» no es válido en el índice %2.")
                                    .arg(spec.name, baseName(path)));
        if (names.contains(name))
            throw DatabaseError(QStringLiteral("La etiqueta %1 está repetida en el índice %2.").arg(name, baseName(path)));
        names << name;
        TagPlan plan{spec, KeyExpression::compile(spec.expression, fields)};
        plan.spec.name = name;
        if (toCp1252(spec.expression).size() >= kTagExpressionEnd - kTagExpression)
            throw DatabaseError(QStringLiteral("La expresión de la etiqueta %1 es demasiado larga.").arg(name));
        plans.push_back(std::move(plan));
    }
    return plans;
}

// A production index being built: every tag's entries, collected record by record.
struct IndexBuild
{
    QString path;
    std::vector<TagPlan> plans;
    std::vector<MdxBuildTag> tags;
};

void beginIndex(IndexBuild &build, const QString &path, std::vector<TagPlan> plans, std::uint32_t expected)
{
    build.path = path;
    build.plans = std::move(plans);
    build.tags.assign(build.plans.size(), MdxBuildTag{});
    for (size_t t = 0; t < build.plans.size(); ++t) {
        MdxBuildTag &tag = build.tags[t];
        const TagPlan &plan = build.plans[t];
        tag.name = plan.spec.name;
        tag.expression = plan.spec.expression;
        tag.descending = plan.spec.descending;
        tag.unique = plan.spec.unique;
        tag.plainField = plan.expression.field() >= 0;
        tag.type = plan.expression.type();
        tag.keyLength = plan.expression.length();
        tag.entries = TagKeys(tag.type, tag.keyLength, tag.descending);
        tag.entries.reserve(expected);
    }
}

void addToIndex(IndexBuild &build, std::uint32_t recno, QByteArrayView record)
{
    for (size_t t = 0; t < build.plans.size(); ++t)
        build.plans[t].expression.evaluateInto(record, build.tags[t].entries.append(recno));
}

// Puts each tag's entries in its order. Tags sort independently of each other, so the
// work is shared out among the processor's cores.
void sortTags(std::vector<MdxBuildTag> &tags)
{
    std::atomic<std::size_t> next{0};
    const auto sortSome = [&] {
        for (std::size_t t = next++; t < tags.size(); t = next++) {
            tags[t].entries.sort();
            if (tags[t].unique)
                tags[t].entries.keepFirstOfEachKey();
        }
    };
    // Starting a thread costs more than sorting a small index.
    constexpr std::size_t kKeysWorthAThread = 10000;
    std::size_t keys = 0;
    for (const MdxBuildTag &tag : tags)
        keys += tag.entries.size();
    const std::size_t threads = keys < kKeysWorthAThread
        ? 1
        : std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), tags.size());
    std::vector<std::future<void>> helpers;
    for (std::size_t i = 1; i < threads; ++i)
        helpers.push_back(std::async(std::launch::async, sortSome));
    sortSome();
    for (std::future<void> &helper : helpers)
        helper.get();
}

// Sorts the entries and writes the file through a temporary file renamed over the path.
void finishIndex(IndexBuild &build, const QString &tableName, std::uint8_t languageDriver)
{
    const QString &path = build.path;
    std::vector<MdxBuildTag> &tags = build.tags;
    sortTags(tags);
    const QByteArray image = buildMdx(tableName, languageDriver, tags, Clock::today());
    const QString temporary = path + QStringLiteral(".qtmp");
    {
        File out;
        out.create(temporary);
        try {
            out.writeDirect(0, image.constData(), image.size());
        } catch (...) {
            out.close();
            QFile::remove(temporary);
            throw;
        }
    }
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const int err = errno;
        QFile::remove(temporary);
        throw DatabaseError(QStringLiteral("No se puede reemplazar el índice %1: %2")
                                .arg(baseName(path), QString::fromLocal8Bit(std::strerror(err))));
    }
}


// Builds the file from records 1..count and writes it through a temporary file.
void writeIndex(const QString &path, const QString &tableName, std::uint8_t languageDriver,
                std::vector<TagPlan> &plans, std::uint32_t count, const MdxFile::RecordSource &records,
                bool dropDeleted)
{
    IndexBuild build;
    beginIndex(build, path, std::move(plans), count);
    QByteArray record;
    for (std::uint32_t recno = 1; recno <= count; ++recno) {
        record.clear();
        if (!records || !records(recno, record))
            throw DatabaseError(QStringLiteral("No se puede leer el registro %1 para crear el índice %2.")
                                    .arg(recno)
                                    .arg(baseName(path)));
        if (dropDeleted && !record.isEmpty() && record[0] == '*')
            continue;
        addToIndex(build, recno, record);
    }
    finishIndex(build, tableName, languageDriver);
}

class MdxFileImpl;

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
        for (size_t i = 0; i < m_tags.size(); ++i) {
            if (m_tags[i].info.field == field)
                return int(i);
        }
        return -1;
    }

    QByteArray keyOf(int tag, QByteArrayView record) const override { return checkedTag(tag).expression.evaluate(record); }
    QByteArray keyFor(int tag, const QVariant &value) const override;
    int compare(int tag, QByteArrayView a, QByteArrayView b) const override
    {
        const OpenTag &t = checkedTag(tag);
        return compareKeys(t.info.type, t.info.spec.descending, a, b);
    }

    void insertRecord(std::uint32_t recno, QByteArrayView record) override
    {
        requireWritable();
        for (int t = 0; t < tagCount(); ++t)
            insertEntry(t, keyOf(t, record), recno);
    }
    void updateRecord(std::uint32_t recno, QByteArrayView before, QByteArrayView after) override
    {
        requireWritable();
        for (int t = 0; t < tagCount(); ++t) {
            const QByteArray oldKey = keyOf(t, before);
            const QByteArray newKey = keyOf(t, after);
            if (oldKey == newKey)
                continue;
            removeEntry(t, oldKey, recno);
            insertEntry(t, newKey, recno);
        }
    }
    void removeRecord(std::uint32_t recno, QByteArrayView record) override
    {
        requireWritable();
        for (int t = 0; t < tagCount(); ++t)
            removeEntry(t, keyOf(t, record), recno);
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
    std::uint64_t blockCount() const { return std::uint64_t(m_file.size()) / std::uint64_t(m_blockBytes) + 1; }

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
    }
    void parse();
    Header readHeader() const;
    void writeHeader(const Header &h);
    std::uint32_t allocate(Header &h);
    void release(Header &h, std::uint32_t page);
    void writeNode(const OpenTag &tag, const Node &node);
    void writeTagHeader(const OpenTag &tag, std::uint32_t root, int pagesDelta);
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

// --- opening -----------------------------------------------------------------------------

void MdxFileImpl::load(const QString &path, const FieldList &fields, File::Access access, File::Share share)
{
    m_path = path;
    m_fields = fields;
    m_access = access;
    m_share = share;
    m_file.open(path, access, share);
    m_file.setJournal(m_journal);
    parse();
}

void MdxFileImpl::parse()
{
    m_tags.clear();
    const std::int64_t size = m_file.size();
    if (size < kHeaderPages * kPageSize)
        fail(QStringLiteral("el archivo es demasiado corto (%1 bytes)").arg(size));
    const QByteArray h = m_file.read(0, kHeaderPages * kPageSize);
    if (get8(h, kHdrVersion) != 2)
        fail(QStringLiteral("la versión %1 no es la de un índice dBASE IV").arg(get8(h, kHdrVersion)));
    m_pagesPerBlock = get16(h, kHdrPagesPerBlock);
    m_blockBytes = get16(h, kHdrBlockBytes);
    if (m_pagesPerBlock < 1 || m_pagesPerBlock > kMaxPagesPerBlock || m_blockBytes != m_pagesPerBlock * kPageSize)
        fail(QStringLiteral("el tamaño de bloque (%1 páginas, %2 bytes) no es válido").arg(m_pagesPerBlock).arg(m_blockBytes));
    if (get8(h, kHdrEntrySize) != kTagEntrySize)
        fail(QStringLiteral("la tabla de etiquetas no tiene entradas de %1 bytes").arg(kTagEntrySize));
    const int used = get16(h, kHdrTagsUsed);
    if (used > kMaxTags)
        fail(QStringLiteral("dice tener %1 etiquetas").arg(used));
    const std::uint32_t pages = get32(h, kHdrPages);
    if (pages < std::uint32_t(kHeaderPages) || std::int64_t(pages) * kPageSize > size)
        fail(QStringLiteral("dice tener %1 páginas y el archivo mide %2 bytes").arg(pages).arg(size));
    m_languageDriver = get8(h, kHdrLanguageDriver);
    m_tableName = fromCp1252(QByteArrayView(h.constData() + kHdrTableName, 16)).section(QChar(0), 0, 0);

    for (int i = 0; i < used; ++i) {
        const int e = kTagTableOffset + i * kTagEntrySize;
        OpenTag tag;
        tag.headerPage = get32(h, e + kEntHeaderPage);
        const QString name = fromCp1252(QByteArrayView(h.constData() + e + kEntName, 11)).section(QChar(0), 0, 0).trimmed();
        const QString label = name.isEmpty() ? QString::number(i + 1) : name;
        if (name.isEmpty())
            fail(QStringLiteral("la etiqueta %1 no tiene nombre").arg(i + 1));
        if (tag.headerPage < std::uint32_t(kHeaderPages) || tag.headerPage >= pages ||
            std::int64_t(tag.headerPage) * kPageSize + kPageSize > size)
            fail(QStringLiteral("la cabecera de la etiqueta %1 está fuera del archivo").arg(label));
        const QByteArray th = m_file.read(std::int64_t(tag.headerPage) * kPageSize, kPageSize);
        tag.format = get8(th, kTagFormat);
        const char type = char(get8(th, kTagType));
        const int keyLength = get16(th, kTagKeyLength);
        tag.itemLength = get16(th, kTagItemLength);
        tag.maxKeys = get16(th, kTagMaxKeys);
        const QByteArray exprBytes = th.mid(kTagExpression, kTagExpressionEnd - kTagExpression);
        const qsizetype nul = exprBytes.indexOf('\0');
        if (nul <= 0)
            fail(QStringLiteral("la etiqueta %1 no tiene una expresión de clave").arg(label));
        if (type != 'C' && type != 'N' && type != 'D')
            fail(QStringLiteral("la etiqueta %1 tiene un tipo de clave desconocido").arg(label));
        if (keyLength < 1 || keyLength > 100 || tag.itemLength < keyLength + 4 ||
            tag.itemLength > m_blockBytes - 12 || tag.maxKeys < 1 ||
            tag.maxKeys * tag.itemLength > m_blockBytes - 12)
            fail(QStringLiteral("la etiqueta %1 tiene medidas de clave imposibles").arg(label));

        tag.info.spec.name = name;
        tag.info.spec.expression = fromCp1252(exprBytes.left(nul));
        tag.info.spec.descending = (tag.format & kFormatDescending) != 0;
        tag.info.spec.unique = (tag.format & kFormatUnique) != 0;
        tag.info.type = KeyType(type);
        tag.info.keyLength = keyLength;
        try {
            tag.expression = KeyExpression::compile(tag.info.spec.expression, m_fields);
        } catch (const DatabaseError &e) {
            throw DatabaseError(QStringLiteral("El índice %1 no se puede usar con esta tabla (etiqueta %2): %3")
                                    .arg(baseName(m_path), name, e.message()));
        }
        if (tag.expression.type() != tag.info.type || tag.expression.length() != keyLength)
            fail(QStringLiteral("la clave de la etiqueta %1 no corresponde a su expresión «%2»")
                     .arg(name, tag.info.spec.expression));
        tag.info.field = tag.expression.field();
        m_tags.push_back(std::move(tag));
    }
}

void MdxFileImpl::rebuild(std::uint32_t count, const RecordSource &records, bool dropDeleted)
{
    requireWritable();
    QList<TagSpec> specs;
    for (const OpenTag &tag : m_tags)
        specs << tag.info.spec;
    std::vector<TagPlan> plans = planTags(m_path, m_fields, specs);
    QString tableName = m_tableName;
    if (tableName.isEmpty())
        tableName = QFileInfo(m_path).completeBaseName();
    writeIndex(m_path, tableName, m_languageDriver, plans, count, records, dropDeleted);
    m_file.close();
    m_file.open(m_path, m_access, m_share);
    m_file.setJournal(m_journal);
    parse();
}

QByteArray MdxFileImpl::keyFor(int tagIndex, const QVariant &value) const
{
    const OpenTag &tag = checkedTag(tagIndex);
    switch (tag.info.type) {
    case KeyType::Character: {
        QByteArray key = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : toCp1252(value.toString());
        if (tag.expression.upperCase())
            key = upperCp1252(key);
        key = key.left(tag.info.keyLength);
        return key + QByteArray(tag.info.keyLength - key.size(), ' ');
    }
    case KeyType::Numeric:
        if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
            return numeric_key::fromText(value.toByteArray());
        return numeric_key::fromDouble(value.toDouble());
    case KeyType::Date: {
        const QDate date = value.toDate();
        return date_key::fromJulianDay(date.isValid() ? double(date.toJulianDay()) : 0);
    }
    }
    return {};
}

// --- nodes -------------------------------------------------------------------------------

std::uint32_t MdxFileImpl::rootOf(const OpenTag &tag) const
{
    requireOpen();
    const QByteArray th = m_file.read(std::int64_t(tag.headerPage) * kPageSize, 8);
    return get32(th, kTagRoot);
}

Node MdxFileImpl::readNode(const OpenTag &tag, std::uint32_t page) const
{
    // The file only grows while open, so a size seen once bounds every page below it; a
    // page past it asks the file again (another process may have extended it).
    const std::int64_t end = std::int64_t(page) * kPageSize + m_blockBytes;
    if (end > m_knownSize)
        m_knownSize = m_file.size();
    if (page < std::uint32_t(kHeaderPages) || end > m_knownSize)
        fail(QStringLiteral("la etiqueta %1 apunta a la página %2, fuera del archivo").arg(tag.info.spec.name).arg(page));
    const QByteArray block = m_file.readSome(std::int64_t(page) * kPageSize, m_blockBytes);
    if (block.size() != m_blockBytes) {
        m_knownSize = m_file.size();
        fail(QStringLiteral("la etiqueta %1 apunta a la página %2, fuera del archivo").arg(tag.info.spec.name).arg(page));
    }
    Node node;
    node.page = page;
    const std::uint32_t n = get32(block, 0);
    if (n > std::uint32_t(tag.maxKeys))
        fail(QStringLiteral("el nodo de la página %1 (etiqueta %2) dice tener %3 claves").arg(page).arg(tag.info.spec.name).arg(n));
    const int keyLength = tag.info.keyLength;
    int at = kNodeHeader;
    node.keys.reserve(n);
    node.pointers.reserve(n + 1);
    for (std::uint32_t i = 0; i < n; ++i, at += tag.itemLength) {
        node.pointers.push_back(get32(block, at));
        node.keys.emplace_back(block.constData() + at + 4, keyLength);
    }
    const std::uint32_t slot = get32(block, at);
    node.leaf = slot == 0;
    if (node.leaf)
        node.previous = get32(block, 4);
    else
        node.pointers.push_back(slot);
    return node;
}

void MdxFileImpl::descendEdge(const OpenTag &tag, Path &path, std::uint32_t page, bool last) const
{
    for (;;) {
        if (path.size() >= size_t(kMaxDepth))
            fail(QStringLiteral("la etiqueta %1 tiene un ciclo o es demasiado profunda").arg(tag.info.spec.name));
        Step step{readNode(tag, page), 0};
        if (step.node.leaf) {
            step.index = last ? step.node.count() - 1 : 0;
            path.push_back(std::move(step));
            return;
        }
        step.index = last ? int(step.node.pointers.size()) - 1 : 0;
        page = step.node.pointers[size_t(step.index)];
        path.push_back(std::move(step));
    }
}

bool MdxFileImpl::adjacentLeaf(const OpenTag &tag, Path &path, bool forward) const
{
    if (path.empty())
        return false;
    Path moved = path;
    const size_t depth = moved.size();
    const std::uint32_t fromPage = moved.back().node.page;
    const std::uint32_t fromPrevious = moved.back().node.previous;
    moved.pop_back();
    while (!moved.empty()) {
        Step &up = moved.back();
        const int next = up.index + (forward ? 1 : -1);
        if (next >= 0 && next < int(up.node.pointers.size())) {
            up.index = next;
            break;
        }
        moved.pop_back();
    }
    if (moved.empty())
        return false;
    descendEdge(tag, moved, moved.back().node.pointers[size_t(moved.back().index)], !forward);
    const Node &to = moved.back().node;
    if (moved.size() != depth)
        fail(QStringLiteral("las hojas de la etiqueta %1 no están a la misma profundidad").arg(tag.info.spec.name));
    if (forward ? to.previous != fromPage : fromPrevious != to.page)
        fail(QStringLiteral("la cadena de hojas de la etiqueta %1 está rota en la página %2")
                 .arg(tag.info.spec.name)
                 .arg(to.page));
    path = std::move(moved);
    return true;
}

bool MdxFileImpl::moveLeaf(const OpenTag &tag, Path &path, bool forward) const
{
    Path moved = path;
    for (std::uint64_t budget = blockCount(); budget > 0; --budget) {
        if (!adjacentLeaf(tag, moved, forward))
            return false;
        if (moved.back().node.count() > 0) {
            path = std::move(moved);
            return true;
        }
    }
    fail(QStringLiteral("la etiqueta %1 tiene un ciclo").arg(tag.info.spec.name));
}

bool MdxFileImpl::seekPath(const OpenTag &tag, Path &path, QByteArrayView key) const
{
    path.clear();
    std::uint32_t page = rootOf(tag);
    const KeyType type = tag.info.type;
    const bool descending = tag.info.spec.descending;
    const QByteArray soughtOrder = type == KeyType::Numeric ? numeric_key::orderBytes(key) : QByteArray();
    for (;;) {
        if (path.size() >= size_t(kMaxDepth))
            fail(QStringLiteral("la etiqueta %1 tiene un ciclo o es demasiado profunda").arg(tag.info.spec.name));
        Step step{readNode(tag, page), 0};
        const Node &node = step.node;
        // The first key not before the one sought: keys are in order within a node.
        // Numeric keys compare through their order bytes, the sought one converted once.
        const auto at = type == KeyType::Numeric
            ? std::lower_bound(node.keys.begin(), node.keys.end(), soughtOrder,
                               [&](const QByteArray &k, const QByteArray &sought) {
                                   const int c = std::memcmp(numeric_key::orderBytes(k).constData(),
                                                             sought.constData(), size_t(sought.size()));
                                   return descending ? c > 0 : c < 0;
                               })
            : std::lower_bound(node.keys.begin(), node.keys.end(), key,
                               [&](const QByteArray &k, QByteArrayView sought) {
                                   return compareKeys(type, descending, k, sought) < 0;
                               });
        const int i = int(at - node.keys.begin());
        step.index = i;
        if (node.leaf) {
            path.push_back(std::move(step));
            break;
        }
        page = node.pointers[size_t(i)];
        path.push_back(std::move(step));
    }
    if (onEntry(path))
        return true;
    // Past the end of this leaf: the entry sought is the first of a following leaf.
    Path next = path;
    if (moveLeaf(tag, next, true)) {
        path = std::move(next);
        path.back().index = 0;
        return true;
    }
    return false;
}

bool MdxFileImpl::appendPath(const OpenTag &tag, Path &path, QByteArrayView key, std::uint32_t recno) const
{
    path.clear();
    std::uint32_t page = rootOf(tag);
    const KeyType type = tag.info.type;
    const bool descending = tag.info.spec.descending;
    for (;;) {
        if (path.size() >= size_t(kMaxDepth))
            fail(QStringLiteral("la etiqueta %1 tiene un ciclo o es demasiado profunda").arg(tag.info.spec.name));
        Step step{readNode(tag, page), 0};
        const Node &node = step.node;
        const auto at = std::upper_bound(node.keys.begin(), node.keys.end(), key,
                                         [&](QByteArrayView sought, const QByteArray &k) {
                                             return compareKeys(type, descending, sought, k) < 0;
                                         });
        step.index = int(at - node.keys.begin());
        const bool leaf = node.leaf;
        if (!leaf)
            page = node.pointers[size_t(step.index)];
        path.push_back(std::move(step));
        if (leaf)
            break;
    }
    // The entry before the position must be another key, or the same key with a lower record.
    const Step &leaf = path.back();
    QByteArray previousKey;
    std::uint32_t previousRecno = 0;
    if (leaf.index > 0) {
        previousKey = leaf.node.keys[size_t(leaf.index - 1)];
        previousRecno = leaf.node.pointers[size_t(leaf.index - 1)];
    } else if (leaf.node.previous != 0) {
        const Node before = readNode(tag, leaf.node.previous);
        if (before.count() == 0)
            return false;
        previousKey = before.keys.back();
        previousRecno = before.pointers[size_t(before.count() - 1)];
    } else {
        return true; // the very first entry of the tag
    }
    if (compareKeys(type, false, previousKey, key) != 0)
        return true;
    return previousRecno < recno;
}

bool MdxFileImpl::findPath(const OpenTag &tag, Path &path, QByteArrayView key, std::uint32_t recno) const
{
    if (!seekPath(tag, path, key))
        return false;
    const KeyType type = tag.info.type;
    for (;;) {
        const Step &leaf = path.back();
        const size_t i = size_t(leaf.index);
        if (compareKeys(type, false, leaf.node.keys[i], key) != 0)
            return false;
        if (leaf.node.pointers[i] >= recno)
            return leaf.node.pointers[i] == recno;
        if (leaf.index + 1 < leaf.node.count()) {
            ++path.back().index;
        } else {
            if (!moveLeaf(tag, path, true)) {
                ++path.back().index; // at the end
                return false;
            }
            path.back().index = 0;
        }
    }
}

// --- writing -----------------------------------------------------------------------------

MdxFileImpl::Header MdxFileImpl::readHeader() const
{
    const QByteArray h = m_file.read(0, 48);
    Header header{get32(h, kHdrPages), get32(h, kHdrFirstFree), get32(h, kHdrFreeBlocks)};
    if (header.pages < std::uint32_t(kHeaderPages) || std::int64_t(header.pages) * kPageSize > m_file.size() + m_blockBytes)
        fail(QStringLiteral("el número de páginas de la cabecera (%1) no corresponde al archivo").arg(header.pages));
    return header;
}

void MdxFileImpl::writeHeader(const Header &h)
{
    QByteArray bytes(15, '\0');
    put32(bytes, 0, h.pages);
    put32(bytes, 4, h.firstFree);
    put32(bytes, 8, h.freeBlocks);
    const QDate today = Clock::today();
    put8(bytes, 12, std::uint8_t(std::clamp(today.year() - 1900, 0, 255)));
    put8(bytes, 13, std::uint8_t(today.month()));
    put8(bytes, 14, std::uint8_t(today.day()));
    m_file.write(kHdrPages, bytes);
}

std::uint32_t MdxFileImpl::allocate(Header &h)
{
    if (h.firstFree != 0) {
        const std::uint32_t page = h.firstFree;
        if (page < std::uint32_t(kHeaderPages) || std::int64_t(page) * kPageSize + m_blockBytes > m_file.size() ||
            h.freeBlocks == 0)
            fail(QStringLiteral("la lista de bloques libres apunta a la página %1").arg(page));
        const QByteArray block = m_file.read(std::int64_t(page) * kPageSize, 8);
        h.firstFree = get32(block, 4);
        --h.freeBlocks;
        return page;
    }
    const std::uint32_t page = h.pages;
    h.pages += std::uint32_t(m_pagesPerBlock);
    return page;
}

void MdxFileImpl::release(Header &h, std::uint32_t page)
{
    QByteArray block(m_blockBytes, '\0');
    put32(block, 4, h.firstFree);
    m_file.write(std::int64_t(page) * kPageSize, block);
    h.firstFree = page;
    ++h.freeBlocks;
}

void MdxFileImpl::writeNode(const OpenTag &tag, const Node &node)
{
    m_file.write(std::int64_t(node.page) * kPageSize, encodeNode(node, m_blockBytes, tag.info.keyLength, tag.itemLength));
}

void MdxFileImpl::writeTagHeader(const OpenTag &tag, std::uint32_t root, int pagesDelta)
{
    const std::int64_t at = std::int64_t(tag.headerPage) * kPageSize;
    const QByteArray th = m_file.read(at, kPageSize);
    // The leftmost leaf, which dBASE keeps beside the root.
    std::uint32_t leftmost = root;
    for (int depth = 0;; ++depth) {
        const Node node = readNode(tag, leftmost);
        if (node.leaf)
            break;
        if (depth >= kMaxDepth)
            fail(QStringLiteral("la etiqueta %1 tiene un ciclo").arg(tag.info.spec.name));
        leftmost = node.pointers.front();
    }
    QByteArray head = th.left(8);
    put32(head, kTagRoot, root);
    put32(head, kTagPages, std::uint32_t(std::max<std::int64_t>(0, std::int64_t(get32(th, kTagPages)) + pagesDelta)));
    m_file.write(at, head);
    QByteArray cache(8, '\0');
    put32(cache, 0, leftmost);
    put32(cache, 4, root);
    m_file.write(at + kTagLeftmostLeaf, cache);
}

void MdxFileImpl::updateSeparators(Path &path, int level, const QByteArray &key, std::vector<bool> &dirty)
{
    for (int l = level - 1; l >= 0; --l) {
        Step &up = path[size_t(l)];
        if (up.index < up.node.count()) {
            if (up.node.keys[size_t(up.index)] != key) {
                up.node.keys[size_t(up.index)] = key;
                dirty[size_t(l)] = true;
            }
            return;
        }
        // the rightmost child: the key belongs to the level above
    }
}

void MdxFileImpl::insertEntry(int tagIndex, const QByteArray &key, std::uint32_t recno)
{
    const OpenTag &tag = m_tags[size_t(tagIndex)];
    Path path;
    if (tag.info.spec.unique) {
        if (seekPath(tag, path, key) &&
            compareKeys(tag.info.type, false, path.back().node.keys[size_t(path.back().index)], key) == 0)
            return; // the key is there already: a unique tag keeps its first record
    }
    // Appended records come last among equal keys: found without walking the run of equal
    // keys (an unanswered request's empty file number is shared by thousands).
    if (!appendPath(tag, path, key, recno) && findPath(tag, path, key, recno))
        return; // already indexed
    if (path.empty())
        fail(QStringLiteral("la etiqueta %1 no tiene raíz").arg(tag.info.spec.name));

    std::vector<bool> dirty(path.size(), false);
    Step &leaf = path.back();
    const int at = std::clamp(leaf.index, 0, leaf.node.count());
    const bool newLast = at == leaf.node.count();
    leaf.node.keys.insert(leaf.node.keys.begin() + at, key);
    leaf.node.pointers.insert(leaf.node.pointers.begin() + at, recno);
    dirty.back() = true;
    if (newLast)
        updateSeparators(path, int(path.size()) - 1, key, dirty);

    Header header = readHeader();
    bool headerChanged = false;
    std::uint32_t root = path.front().node.page;
    int pagesDelta = 0;
    for (int level = int(path.size()) - 1; level >= 0; --level) {
        Node &node = path[size_t(level)].node;
        if (node.count() <= tag.maxKeys)
            break;
        // Split: a new node takes the first half, so the leaf after this one keeps its link.
        Node left;
        left.page = allocate(header);
        headerChanged = true;
        pagesDelta += m_pagesPerBlock;
        left.leaf = node.leaf;
        QByteArray separator;
        if (node.leaf) {
            const int half = (node.count() + 1) / 2;
            left.keys.assign(node.keys.begin(), node.keys.begin() + half);
            left.pointers.assign(node.pointers.begin(), node.pointers.begin() + half);
            node.keys.erase(node.keys.begin(), node.keys.begin() + half);
            node.pointers.erase(node.pointers.begin(), node.pointers.begin() + half);
            left.previous = node.previous;
            node.previous = left.page;
            separator = left.keys.back();
        } else {
            const int half = node.count() / 2; // keys [0, half) and children [0, half] go left
            left.keys.assign(node.keys.begin(), node.keys.begin() + half);
            left.pointers.assign(node.pointers.begin(), node.pointers.begin() + half + 1);
            separator = node.keys[size_t(half)];
            node.keys.erase(node.keys.begin(), node.keys.begin() + half + 1);
            node.pointers.erase(node.pointers.begin(), node.pointers.begin() + half + 1);
        }
        writeNode(tag, left);
        dirty[size_t(level)] = true;
        if (level == 0) {
            Node newRoot;
            newRoot.page = allocate(header);
            pagesDelta += m_pagesPerBlock;
            newRoot.leaf = false;
            newRoot.keys = {separator};
            newRoot.pointers = {left.page, node.page};
            writeNode(tag, newRoot);
            root = newRoot.page;
            break;
        }
        Step &parent = path[size_t(level) - 1];
        parent.node.keys.insert(parent.node.keys.begin() + parent.index, separator);
        parent.node.pointers.insert(parent.node.pointers.begin() + parent.index, left.page);
        ++parent.index;
        dirty[size_t(level) - 1] = true;
    }
    for (size_t l = 0; l < path.size(); ++l) {
        if (dirty[l])
            writeNode(tag, path[l].node);
    }
    if (headerChanged)
        writeHeader(header);
    if (pagesDelta != 0)
        writeTagHeader(tag, root, pagesDelta);
}

void MdxFileImpl::removeEntry(int tagIndex, const QByteArray &key, std::uint32_t recno)
{
    const OpenTag &tag = m_tags[size_t(tagIndex)];
    Path path;
    if (!findPath(tag, path, key, recno)) {
        if (tag.info.spec.unique)
            return; // another record holds the key
        fail(QStringLiteral("falta la entrada del registro %1 en la etiqueta %2").arg(recno).arg(tag.info.spec.name));
    }
    std::vector<bool> dirty(path.size(), false);
    Step &leaf = path.back();
    const bool wasLast = leaf.index == leaf.node.count() - 1;
    leaf.node.keys.erase(leaf.node.keys.begin() + leaf.index);
    leaf.node.pointers.erase(leaf.node.pointers.begin() + leaf.index);
    dirty.back() = true;

    if (leaf.node.count() > 0 || path.size() == 1) {
        if (wasLast && leaf.node.count() > 0)
            updateSeparators(path, int(path.size()) - 1, leaf.node.keys.back(), dirty);
        for (size_t l = 0; l < path.size(); ++l) {
            if (dirty[l])
                writeNode(tag, path[l].node);
        }
        return;
    }

    // The leaf is empty: unlink it from the chain and take it out of the tree.
    Header header = readHeader();
    int pagesDelta = 0;
    {
        Path next = path;
        if (adjacentLeaf(tag, next, true)) {
            Node after = next.back().node;
            after.previous = leaf.node.previous;
            writeNode(tag, after);
        }
    }
    int level = int(path.size()) - 1;
    release(header, path[size_t(level)].node.page);
    pagesDelta -= m_pagesPerBlock;
    path.pop_back();
    dirty.pop_back();
    --level;
    // Remove the child from its parent; a parent left without children goes too.
    while (level >= 0) {
        Step &up = path[size_t(level)];
        Node &node = up.node;
        const int child = up.index;
        const bool rightmost = child == int(node.pointers.size()) - 1;
        node.pointers.erase(node.pointers.begin() + child);
        dirty[size_t(level)] = true;
        if (node.keys.empty()) {
            release(header, node.page);
            pagesDelta -= m_pagesPerBlock;
            path.pop_back();
            dirty.pop_back();
            --level;
            continue;
        }
        if (rightmost) {
            // The new rightmost child's key goes to the pointer slot; it is the subtree's last key now.
            const QByteArray last = node.keys.back();
            node.keys.pop_back();
            updateSeparators(path, level, last, dirty);
        } else {
            node.keys.erase(node.keys.begin() + child);
        }
        break;
    }
    std::uint32_t root = 0;
    if (path.empty()) {
        Node empty;
        empty.page = allocate(header);
        pagesDelta += m_pagesPerBlock;
        writeNode(tag, empty);
        root = empty.page;
    } else {
        root = path.front().node.page;
        // A root left with one child hands over to it.
        while (!path.front().node.leaf && path.front().node.pointers.size() == 1) {
            const std::uint32_t child = path.front().node.pointers.front();
            release(header, path.front().node.page);
            pagesDelta -= m_pagesPerBlock;
            root = child;
            path.erase(path.begin());
            dirty.erase(dirty.begin());
            if (path.empty()) {
                path.push_back(Step{readNode(tag, child), 0});
                dirty.push_back(false);
            }
        }
    }
    for (size_t l = 0; l < path.size(); ++l) {
        if (dirty[l])
            writeNode(tag, path[l].node);
    }
    writeHeader(header);
    writeTagHeader(tag, root, pagesDelta);
}

// --- cursors -----------------------------------------------------------------------------

class CursorImpl final : public MdxFile::Cursor
{
public:
    CursorImpl(const MdxFileImpl &index, int tag) : m_index(index), m_tag(index.checkedTag(tag)) {}

    bool first() override { return edge(false); }
    bool last() override { return edge(true); }
    bool next() override { return step(true); }
    bool prior() override { return step(false); }
    bool seek(QByteArrayView key) override
    {
        m_moves = 0;
        m_valid = m_index.seekPath(m_tag, m_path, key);
        return m_valid;
    }
    bool find(QByteArrayView key, std::uint32_t recno) override
    {
        m_moves = 0;
        m_valid = m_index.findPath(m_tag, m_path, key, recno);
        return m_valid;
    }
    std::uint32_t recno() const override
    {
        return m_valid ? m_path.back().node.pointers[size_t(m_path.back().index)] : 0;
    }
    QByteArray key() const override { return m_valid ? m_path.back().node.keys[size_t(m_path.back().index)] : QByteArray(); }

private:
    bool edge(bool last)
    {
        m_moves = 0;
        m_path.clear();
        m_index.descendEdge(m_tag, m_path, m_index.rootOf(m_tag), last);
        m_valid = m_index.onEntry(m_path) || m_index.moveLeaf(m_tag, m_path, !last);
        return m_valid;
    }
    bool step(bool forward)
    {
        if (!m_valid)
            return false;
        Step &leaf = m_path.back();
        const int to = leaf.index + (forward ? 1 : -1);
        if (to >= 0 && to < leaf.node.count()) {
            leaf.index = to;
            return true;
        }
        if (++m_moves > m_index.blockCount())
            m_index.fail(QStringLiteral("la etiqueta %1 tiene un ciclo").arg(m_tag.info.spec.name));
        return m_index.moveLeaf(m_tag, m_path, forward);
    }

    const MdxFileImpl &m_index;
    const OpenTag &m_tag;
    Path m_path;
    bool m_valid = false;
    std::uint64_t m_moves = 0;
};

std::unique_ptr<MdxFile::Cursor> MdxFileImpl::cursor(int tag) const
{
    requireOpen();
    return std::make_unique<CursorImpl>(*this, tag);
}

// --- verification ------------------------------------------------------------------------

QStringList MdxFileImpl::check(std::uint32_t count, const RecordSource &records) const
{
    QStringList problems;
    try {
        requireOpen();
        const std::int64_t size = m_file.size();
        const Header header = readHeader();
        if (std::int64_t(header.pages) * kPageSize != size)
            problems << QStringLiteral("La cabecera dice %1 páginas y el archivo mide %2 bytes.").arg(header.pages).arg(size);

        std::set<std::uint32_t> used;
        for (std::uint32_t p = 0; p < std::uint32_t(kHeaderPages); ++p)
            used.insert(p);
        for (const OpenTag &tag : m_tags) {
            for (int p = 0; p < m_pagesPerBlock; ++p) {
                if (!used.insert(tag.headerPage + std::uint32_t(p)).second)
                    problems << QStringLiteral("Etiqueta %1: su cabecera ocupa páginas de otra.").arg(tag.info.spec.name);
            }
        }

        std::vector<Entries> expected(m_tags.size());
        QByteArray record;
        int unreadable = 0;
        for (std::uint32_t recno = 1; recno <= count; ++recno) {
            record.clear();
            if (!records || !records(recno, record)) {
                if (++unreadable <= 5)
                    problems << QStringLiteral("No se puede leer el registro %1.").arg(recno);
                continue;
            }
            for (size_t t = 0; t < m_tags.size(); ++t)
                expected[t].emplace_back(m_tags[t].expression.evaluate(record), recno);
        }
        for (size_t t = 0; t < m_tags.size(); ++t)
            checkTag(m_tags[t], used, std::move(expected[t]), problems);

        // Free blocks
        std::uint32_t page = header.firstFree;
        std::uint32_t seen = 0;
        while (page != 0) {
            if (page < std::uint32_t(kHeaderPages) || std::int64_t(page) * kPageSize + m_blockBytes > size) {
                problems << QStringLiteral("La lista de bloques libres apunta a la página %1, fuera del archivo.").arg(page);
                break;
            }
            if (used.count(page) != 0) {
                problems << QStringLiteral("La página %1 está libre y en uso a la vez.").arg(page);
                break;
            }
            used.insert(page);
            ++seen;
            page = get32(m_file.read(std::int64_t(page) * kPageSize, 8), 4);
        }
        if (seen != header.freeBlocks)
            problems << QStringLiteral("La cabecera cuenta %1 bloques libres y la lista tiene %2.").arg(header.freeBlocks).arg(seen);
    } catch (const DatabaseError &e) {
        problems << e.message();
    }
    return problems;
}

void MdxFileImpl::checkTag(const OpenTag &tag, std::set<std::uint32_t> &used, Entries expected, QStringList &problems) const
{
    const QString name = tag.info.spec.name;
    const KeyType type = tag.info.type;
    const bool descending = tag.info.spec.descending;
    int reported = 0;
    auto problem = [&](const QString &text) {
        if (++reported <= 20)
            problems << QStringLiteral("Etiqueta %1: %2.").arg(name, text);
    };

    Entries found;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> leaves; // page, previous
    int leafDepth = -1;
    std::uint32_t nodes = 0;
    std::function<void(std::uint32_t, int)> walk = [&](std::uint32_t page, int depth) {
        if (depth >= kMaxDepth) {
            problem(QStringLiteral("el árbol es demasiado profundo o tiene un ciclo"));
            return;
        }
        if (page < std::uint32_t(kHeaderPages) || std::int64_t(page) * kPageSize + m_blockBytes > m_file.size()) {
            problem(QStringLiteral("apunta a la página %1, fuera del archivo").arg(page));
            return;
        }
        for (int p = 0; p < m_pagesPerBlock; ++p) {
            if (used.count(page + std::uint32_t(p)) != 0) {
                problem(QStringLiteral("la página %1 está en uso dos veces").arg(page + std::uint32_t(p)));
                return;
            }
        }
        for (int p = 0; p < m_pagesPerBlock; ++p)
            used.insert(page + std::uint32_t(p));
        Node node;
        try {
            node = readNode(tag, page);
        } catch (const DatabaseError &) {
            problem(QStringLiteral("el nodo de la página %1 no se puede leer").arg(page));
            return;
        }
        ++nodes;
        if (node.leaf) {
            if (leafDepth < 0)
                leafDepth = depth;
            else if (leafDepth != depth)
                problem(QStringLiteral("la hoja de la página %1 no está a la misma profundidad que las demás").arg(page));
            leaves.emplace_back(page, node.previous);
            for (int i = 0; i < node.count(); ++i)
                found.emplace_back(node.keys[size_t(i)], node.pointers[size_t(i)]);
            return;
        }
        for (size_t i = 0; i < node.pointers.size(); ++i) {
            const size_t mark = found.size();
            walk(node.pointers[i], depth + 1);
            if (found.size() == mark)
                continue;
            if (i > 0 && compareKeys(type, descending, found[mark].first, node.keys[i - 1]) < 0)
                problem(QStringLiteral("el separador %1 de la página %2 es mayor que las claves que le siguen").arg(i).arg(page));
            if (i < node.keys.size() && compareKeys(type, descending, found.back().first, node.keys[i]) > 0)
                problem(QStringLiteral("el separador %1 de la página %2 es menor que la última clave de su rama").arg(i + 1).arg(page));
        }
    };
    std::uint32_t root = 0;
    QByteArray th;
    try {
        th = m_file.read(std::int64_t(tag.headerPage) * kPageSize, kPageSize);
        root = get32(th, kTagRoot);
    } catch (const DatabaseError &e) {
        problem(e.message());
        return;
    }
    walk(root, 0);

    if (!leaves.empty() && leaves.front().second != 0)
        problem(QStringLiteral("la primera hoja apunta a una hoja anterior"));
    for (size_t i = 1; i < leaves.size(); ++i) {
        if (leaves[i].second != leaves[i - 1].first)
            problem(QStringLiteral("la cadena de hojas está rota en la página %1").arg(leaves[i].first));
    }
    if (get32(th, kTagPages) != nodes * std::uint32_t(m_pagesPerBlock))
        problem(QStringLiteral("la cabecera cuenta %1 páginas y el árbol tiene %2")
                    .arg(get32(th, kTagPages))
                    .arg(nodes * std::uint32_t(m_pagesPerBlock)));
    const std::uint32_t leftmost = get32(th, kTagLeftmostLeaf);
    if (leftmost != 0 && !leaves.empty() && leftmost != leaves.front().first)
        problem(QStringLiteral("la cabecera señala la página %1 como primera hoja y es la %2").arg(leftmost).arg(leaves.front().first));

    for (size_t i = 1; i < found.size(); ++i) {
        const int c = compareKeys(type, descending, found[i - 1].first, found[i].first);
        if (c > 0 || (c == 0 && found[i - 1].second >= found[i].second))
            problem(QStringLiteral("las entradas de los registros %1 y %2 están fuera de orden").arg(found[i - 1].second).arg(found[i].second));
        else if (c == 0 && tag.info.spec.unique)
            problem(QStringLiteral("la clave del registro %1 está repetida en una etiqueta única").arg(found[i].second));
    }

    // The entries must be exactly the records' keys (for a unique tag: one per key).
    sortEntries(expected, type, descending);
    Entries actual = found;
    sortEntries(actual, type, descending);
    if (tag.info.spec.unique) {
        std::uint32_t highest = 0;
        for (const auto &entry : expected)
            highest = std::max(highest, entry.second);
        std::vector<QByteArray> keysOf(size_t(highest) + 1);
        std::vector<bool> has(size_t(highest) + 1, false);
        for (const auto &[key, recno] : expected) {
            if (recno < keysOf.size()) {
                keysOf[recno] = key;
                has[recno] = true;
            }
        }
        for (const auto &[key, recno] : actual) {
            if (recno >= has.size() || !has[recno])
                problem(QStringLiteral("tiene una entrada del registro %1, que no existe").arg(recno));
            else if (compareKeys(type, false, keysOf[recno], key) != 0)
                problem(QStringLiteral("la entrada del registro %1 no tiene la clave del registro").arg(recno));
        }
        keepFirstOfEachKey(expected, type);
        keepFirstOfEachKey(actual, type);
        auto byKey = [&](const auto &a, const auto &b) { return compareKeys(type, descending, a.first, b.first) < 0; };
        Entries missing;
        std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(), std::back_inserter(missing), byKey);
        for (const auto &entry : missing)
            problem(QStringLiteral("falta la clave del registro %1").arg(entry.second));
        return;
    }
    auto less = [&](const auto &a, const auto &b) {
        const int c = compareKeys(type, descending, a.first, b.first);
        return c != 0 ? c < 0 : a.second < b.second;
    };
    Entries missing, extra;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(), std::back_inserter(missing), less);
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(), std::back_inserter(extra), less);
    for (const auto &entry : missing)
        problem(QStringLiteral("falta la entrada del registro %1").arg(entry.second));
    for (const auto &entry : extra)
        problem(QStringLiteral("sobra una entrada del registro %1").arg(entry.second));
    if (reported > 20)
        problems << QStringLiteral("Etiqueta %1: %2 problemas más.").arg(name).arg(reported - 20);
}

} // namespace

std::unique_ptr<MdxFile> MdxFile::open(const QString &path, const FieldList &fields, File::Access access,
                                       File::Share share)
{
    auto index = std::make_unique<MdxFileImpl>();
    index->load(path, fields, access, share);
    return index;
}

void MdxFile::create(const QString &path, const QString &tableName, std::uint8_t languageDriver,
                     const FieldList &fields, const QList<TagSpec> &tags, std::uint32_t count,
                     const RecordSource &records)
{
    std::vector<TagPlan> plans = planTags(path, fields, tags);
    writeIndex(path, tableName, languageDriver, plans, count, records, false);
}

struct MdxFile::Builder::Impl
{
    IndexBuild build;
};

MdxFile::Builder::Builder(const QString &path, const FieldList &fields, const QList<TagSpec> &tags,
                          std::uint32_t expectedRecords)
    : d(std::make_unique<Impl>())
{
    beginIndex(d->build, path, planTags(path, fields, tags), expectedRecords);
}

MdxFile::Builder::~Builder() = default;

void MdxFile::Builder::add(std::uint32_t recno, QByteArrayView record)
{
    addToIndex(d->build, recno, record);
}

void MdxFile::Builder::write(const QString &tableName, std::uint8_t languageDriver)
{
    finishIndex(d->build, tableName, languageDriver);
}

} // namespace qal::dbase
