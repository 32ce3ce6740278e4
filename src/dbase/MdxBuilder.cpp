#include "MdxBuilder.h"

#include "MdxLayout.h"

#include "core/Cp1252.h"

#include <cstring>
#include <stdexcept>

namespace qal::dbase {

using namespace mdx;

namespace {

constexpr int kPagesPerBlock = 2;
constexpr int kBlockBytes = kPagesPerBlock * kPageSize;

void putDate(QByteArray &b, int at, const QDate &d)
{
    put8(b, at, std::uint8_t(std::clamp(d.year() - 1900, 0, 255)));
    put8(b, at + 1, std::uint8_t(d.month()));
    put8(b, at + 2, std::uint8_t(d.day()));
}

// Tag-name search tree in the tag table: children and parent as 1-based tag numbers,
// built in tag order with the first tag as the root.
void linkTagNames(QByteArray &file, const std::vector<MdxBuildTag> &tags)
{
    auto entry = [](int i) { return kTagTableOffset + i * kTagEntrySize; };
    for (int i = 1; i < int(tags.size()); ++i) {
        const QByteArray name = toCp1252(tags[size_t(i)].name);
        int at = 0;
        for (;;) {
            const bool left = name < toCp1252(tags[size_t(at)].name);
            const int slot = entry(at) + (left ? kEntLeft : kEntRight);
            const int child = get8(file, slot);
            if (child == 0) {
                put8(file, slot, std::uint8_t(i + 1));
                put8(file, entry(i) + kEntParent, std::uint8_t(at + 1));
                break;
            }
            at = child - 1;
        }
    }
}

// One level of a tag's tree as laid out: each node's page, the entries (leaves) or the
// children on the level below (interior nodes) it holds, from first[i] to first[i + 1],
// and the entry whose key ends its subtree.
struct Level
{
    std::vector<std::uint32_t> pages;
    std::vector<std::size_t> first;
    std::vector<std::size_t> lastEntry;

    std::size_t size() const { return pages.size(); }
};

// Leaves filled completely, in the entries' order.
Level layOutLeaves(std::size_t total, int maxKeys, std::uint32_t &nextPage)
{
    Level leaves;
    std::size_t i = 0;
    do {
        const std::size_t end = std::min(total, i + std::size_t(maxKeys));
        leaves.pages.push_back(nextPage);
        nextPage += kPagesPerBlock;
        leaves.first.push_back(i);
        leaves.lastEntry.push_back(end > 0 ? end - 1 : 0);
        i = end;
    } while (i < total);
    leaves.first.push_back(total);
    return leaves;
}

// The level above: maxKeys + 1 children each; the last node takes at least two.
Level layOutParents(const Level &children, int maxKeys, std::uint32_t &nextPage)
{
    const std::size_t fan = std::size_t(maxKeys) + 1;
    std::vector<std::size_t> sizes;
    for (std::size_t left = children.size(); left > 0;) {
        sizes.push_back(std::min(left, fan));
        left -= sizes.back();
    }
    if (sizes.size() > 1 && sizes.back() == 1) {
        --sizes[sizes.size() - 2];
        ++sizes.back();
    }
    Level up;
    std::size_t c = 0;
    for (std::size_t size : sizes) {
        up.pages.push_back(nextPage);
        nextPage += kPagesPerBlock;
        up.first.push_back(c);
        c += size;
        up.lastEntry.push_back(children.lastEntry[c - 1]);
    }
    up.first.push_back(c);
    return up;
}

void writeLeaf(char *block, const Level &leaves, std::size_t node, const TagKeys &entries, int itemLength)
{
    const std::size_t begin = leaves.first[node];
    const std::size_t end = leaves.first[node + 1];
    qToLittleEndian(std::uint32_t(end - begin), block);
    qToLittleEndian(node > 0 ? leaves.pages[node - 1] : 0u, block + 4);
    char *item = block + kNodeHeader;
    for (std::size_t i = begin; i < end; ++i, item += itemLength) {
        qToLittleEndian(entries.recno(i), item);
        std::memcpy(item + 4, entries.key(i).data(), std::size_t(entries.keyLength()));
    }
}

// Item k holds child k and the last key of its subtree; the rightmost child goes in the
// pointer slot after the last item and, as in every interior node, at bytes 4-7.
void writeInterior(char *block, const Level &level, std::size_t node, const Level &children,
                   const TagKeys &entries, int itemLength)
{
    const std::size_t begin = level.first[node];
    const std::size_t last = level.first[node + 1] - 1;
    qToLittleEndian(std::uint32_t(last - begin), block);
    qToLittleEndian(children.pages[last], block + 4);
    char *item = block + kNodeHeader;
    for (std::size_t c = begin; c < last; ++c, item += itemLength) {
        qToLittleEndian(children.pages[c], item);
        std::memcpy(item + 4, entries.key(children.lastEntry[c]).data(), std::size_t(entries.keyLength()));
    }
    qToLittleEndian(children.pages[last], item);
}

// Collects node blocks, zero-filled, in one reused buffer and writes it out when full.
class NodeStream
{
public:
    NodeStream(std::uint32_t firstPage, const MdxImageWriter &write) : m_nextPage(firstPage), m_write(write)
    {
        m_buffer.resize(kBufferBlocks * kBlockBytes);
    }
    // The block for page, which must be the next one.
    char *block(std::uint32_t page)
    {
        if (page != m_nextPage)
            throw std::logic_error("index nodes out of page order");
        if (m_used == m_buffer.size())
            flush();
        if (m_used == 0)
            std::memset(m_buffer.data(), 0, size_t(m_buffer.size()));
        char *at = m_buffer.data() + m_used;
        m_used += kBlockBytes;
        m_nextPage += kPagesPerBlock;
        return at;
    }
    void flush()
    {
        if (m_used == 0)
            return;
        const std::uint32_t blocks = std::uint32_t(m_used / kBlockBytes);
        const std::uint32_t firstPage = m_nextPage - blocks * kPagesPerBlock;
        m_write(std::int64_t(firstPage) * kPageSize, m_used == m_buffer.size() ? m_buffer : m_buffer.left(m_used));
        m_used = 0;
    }

private:
    static constexpr qsizetype kBufferBlocks = 256;
    QByteArray m_buffer;
    qsizetype m_used = 0;
    std::uint32_t m_nextPage;
    const MdxImageWriter &m_write;
};

} // namespace

void buildMdx(const QString &tableName, std::uint8_t languageDriver, const std::vector<MdxBuildTag> &tags,
              const QDate &today, const MdxImageWriter &write)
{
    const int tagCount = int(tags.size());
    std::uint32_t nextPage = kHeaderPages + std::uint32_t(tagCount) * kPagesPerBlock;

    // Lay out every tag's nodes first, to know the file size: leaves, then each level up
    // to the root.
    std::vector<std::vector<Level>> trees(static_cast<std::size_t>(tagCount));
    for (int t = 0; t < tagCount; ++t) {
        const MdxBuildTag &tag = tags[size_t(t)];
        const int maxKeys = maxKeysFor(kBlockBytes, itemLengthFor(tag.keyLength));
        std::vector<Level> &levels = trees[size_t(t)];
        levels.push_back(layOutLeaves(tag.entries.size(), maxKeys, nextPage));
        while (levels.back().size() > 1) {
            Level up = layOutParents(levels.back(), maxKeys, nextPage);
            levels.push_back(std::move(up));
        }
    }

    // The file header and the tag headers: every page before the first node.
    const std::uint32_t firstNodePage = kHeaderPages + std::uint32_t(tagCount) * kPagesPerBlock;
    QByteArray file(qsizetype(firstNodePage) * kPageSize, '\0');

    // File header
    put8(file, kHdrVersion, 2);
    putDate(file, kHdrCreated, today);
    const QByteArray name = toCp1252(tableName.toUpper()).left(16);
    std::memcpy(file.data() + kHdrTableName, name.constData(), size_t(name.size()));
    put16(file, kHdrPagesPerBlock, kPagesPerBlock);
    put16(file, kHdrBlockBytes, kBlockBytes);
    put8(file, kHdrProduction, 1);
    put8(file, kHdrSlots, kTagSlots);
    put8(file, kHdrEntrySize, kTagEntrySize);
    put16(file, kHdrTagsUsed, std::uint16_t(tagCount));
    put8(file, kHdrLanguageDriver, languageDriver);
    put32(file, kHdrPages, nextPage);
    putDate(file, kHdrUpdated, today);
    put8(file, kHdrMarker, 1);

    for (int t = 0; t < tagCount; ++t) {
        const MdxBuildTag &tag = tags[size_t(t)];
        const std::vector<Level> &levels = trees[size_t(t)];
        const std::uint32_t headerPage = kHeaderPages + std::uint32_t(t) * kPagesPerBlock;
        const std::uint32_t root = levels.back().pages.front();
        std::uint32_t nodes = 0;
        for (const Level &level : levels)
            nodes += std::uint32_t(level.size());

        const int entry = kTagTableOffset + t * kTagEntrySize;
        put32(file, entry + kEntHeaderPage, headerPage);
        const QByteArray tagName = toCp1252(tag.name.toUpper()).left(10);
        std::memcpy(file.data() + entry + kEntName, tagName.constData(), size_t(tagName.size()));
        put8(file, entry + kEntFormat, tag.plainField ? kFormatField : 0);
        put8(file, entry + kEntMarker, 2);
        put8(file, entry + kEntType, std::uint8_t(tag.type));

        const int h = int(headerPage) * kPageSize;
        const int itemLength = itemLengthFor(tag.keyLength);
        put32(file, h + kTagRoot, root);
        put32(file, h + kTagPages, nodes * kPagesPerBlock);
        put8(file, h + kTagFormat, std::uint8_t((tag.plainField ? kFormatField : 0) |
                                                (tag.descending ? kFormatDescending : 0) |
                                                (tag.unique ? kFormatUnique : 0)));
        put8(file, h + kTagType, std::uint8_t(tag.type));
        put8(file, h + kTagLanguageDriver, languageDriver);
        put16(file, h + kTagKeyLength, std::uint16_t(tag.keyLength));
        put16(file, h + kTagMaxKeys, std::uint16_t(maxKeysFor(kBlockBytes, itemLength)));
        put16(file, h + kTagDateFlag, tag.type == KeyType::Date ? 1 : 0);
        put16(file, h + kTagItemLength, std::uint16_t(itemLength));
        put8(file, h + kTagCounter, 1);
        put8(file, h + kTagUnique, tag.unique ? 1 : 0);
        const QByteArray expression = toCp1252(tag.expression).left(kTagExpressionEnd - kTagExpression - 1);
        std::memcpy(file.data() + h + kTagExpression, expression.constData(), size_t(expression.size()));
        put8(file, h + kTagHasKeys, tag.entries.size() > 0 ? 1 : 0);
        if (!tag.forCondition.isEmpty()) {
            const QByteArray condition = toCp1252(tag.forCondition).left(kTagForExpressionEnd - kTagForExpression - 1);
            put8(file, h + kTagHasFor, 1);
            std::memcpy(file.data() + h + kTagForExpression, condition.constData(), size_t(condition.size()));
        }
        put32(file, h + kTagLeftmostLeaf, levels.front().pages.front());
        put32(file, h + kTagRootCopy, root);
        putDate(file, h + kTagDate + 1, today);

    }
    linkTagNames(file, tags);
    write(0, file);

    // The nodes, in the order they were laid out, which is the order of their pages.
    NodeStream nodes(firstNodePage, write);
    for (int t = 0; t < tagCount; ++t) {
        const MdxBuildTag &tag = tags[size_t(t)];
        const std::vector<Level> &levels = trees[size_t(t)];
        const int itemLength = itemLengthFor(tag.keyLength);
        for (std::size_t n = 0; n < levels.front().size(); ++n)
            writeLeaf(nodes.block(levels.front().pages[n]), levels.front(), n, tag.entries, itemLength);
        for (std::size_t l = 1; l < levels.size(); ++l) {
            for (std::size_t n = 0; n < levels[l].size(); ++n)
                writeInterior(nodes.block(levels[l].pages[n]), levels[l], n, levels[l - 1], tag.entries, itemLength);
        }
    }
    nodes.flush();
}

} // namespace qal::dbase
