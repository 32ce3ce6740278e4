#include "MdxBuilder.h"

#include "MdxLayout.h"

#include "core/Cp1252.h"

namespace qal::db {

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

} // namespace

QByteArray buildMdx(const QString &tableName, std::uint8_t languageDriver, const std::vector<MdxBuildTag> &tags,
                    const QDate &today)
{
    const int tagCount = int(tags.size());
    std::uint32_t nextPage = kHeaderPages + std::uint32_t(tagCount) * kPagesPerBlock;

    // Lay out every tag's nodes first, to know the file size.
    struct Level
    {
        std::vector<Node> nodes;
        std::vector<QByteArray> lastKeys; // of each node's subtree
    };
    std::vector<std::vector<Level>> trees;
    trees.resize(size_t(tagCount));
    for (int t = 0; t < tagCount; ++t) {
        const MdxBuildTag &tag = tags[size_t(t)];
        const int maxKeys = maxKeysFor(kBlockBytes, itemLengthFor(tag.keyLength));
        Level leaves;
        const size_t total = tag.entries.size();
        size_t i = 0;
        do {
            Node leaf;
            leaf.page = nextPage;
            nextPage += kPagesPerBlock;
            leaf.previous = leaves.nodes.empty() ? 0 : leaves.nodes.back().page;
            const size_t end = std::min(total, i + size_t(maxKeys));
            for (; i < end; ++i) {
                leaf.keys.push_back(tag.entries[i].first);
                leaf.pointers.push_back(tag.entries[i].second);
            }
            leaves.lastKeys.push_back(leaf.keys.empty() ? QByteArray() : leaf.keys.back());
            leaves.nodes.push_back(std::move(leaf));
        } while (i < total);
        std::vector<Level> &levels = trees[size_t(t)];
        levels.push_back(std::move(leaves));
        // Interior levels: maxKeys + 1 children each; the last node takes at least two.
        while (levels.back().nodes.size() > 1) {
            const std::vector<Node> &children = levels.back().nodes;
            const size_t fan = size_t(maxKeys) + 1;
            std::vector<size_t> sizes;
            for (size_t left = children.size(); left > 0;) {
                sizes.push_back(std::min(left, fan));
                left -= sizes.back();
            }
            if (sizes.size() > 1 && sizes.back() == 1) {
                --sizes[sizes.size() - 2];
                ++sizes.back();
            }
            Level up;
            size_t c = 0;
            for (size_t size : sizes) {
                Node node;
                node.leaf = false;
                node.page = nextPage;
                nextPage += kPagesPerBlock;
                const std::vector<QByteArray> &lastKeys = levels.back().lastKeys;
                for (size_t k = 0; k < size; ++k, ++c) {
                    node.pointers.push_back(children[c].page);
                    if (k + 1 < size)
                        node.keys.push_back(lastKeys[c]);
                }
                up.lastKeys.push_back(lastKeys[c - 1]);
                up.nodes.push_back(std::move(node));
            }
            levels.push_back(std::move(up));
        }
    }

    QByteArray file(qsizetype(nextPage) * kPageSize, '\0');

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
        const std::uint32_t root = levels.back().nodes.front().page;
        std::uint32_t nodes = 0;
        for (const Level &level : levels)
            nodes += std::uint32_t(level.nodes.size());

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
        put32(file, h + kTagLeftmostLeaf, levels.front().nodes.front().page);
        put32(file, h + kTagRootCopy, root);
        putDate(file, h + kTagDate + 1, today);

        for (const Level &level : levels) {
            for (const Node &node : level.nodes) {
                const QByteArray block = encodeNode(node, kBlockBytes, tag.keyLength, itemLength);
                std::memcpy(file.data() + qsizetype(node.page) * kPageSize, block.constData(), size_t(kBlockBytes));
            }
        }
    }
    linkTagNames(file, tags);
    return file;
}

} // namespace qal::db
