#pragma once

// Byte layout of .MDX production index files, shared by the reader and the builder.
//
// The file is addressed in 512-byte pages and allocated in blocks of pagesPerBlock pages.
// Pages 0-3: file header and tag table; then one block per tag header, then node blocks.
// A node block: key count, then for a leaf the previous leaf's page (0 for the first),
// for an interior node its rightmost child; then the items (4-byte pointer + key, padded
// to the item length). Leaves point to record numbers; interior nodes have count + 1
// children, item i holding child i and the last key of that child, and the pointer slot
// after the last item holding the rightmost child. That slot is zero in every leaf, which
// is how readers tell the two apart. Free blocks: key count 0, next free block at bytes 4-7.

#include "KeyExpression.h"
#include "NumericKey.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qal::dbase::mdx {

constexpr int kPageSize = 512;
constexpr int kHeaderPages = 4;            // header + tag table
constexpr int kTagTableOffset = 544;
constexpr int kTagEntrySize = 32;
constexpr int kTagSlots = 48;
constexpr int kMaxTags = 47;               // entries that fit before page 4
constexpr int kMaxPagesPerBlock = 32;
constexpr int kMaxDepth = 24;
constexpr int kNodeHeader = 8;

// File header offsets
constexpr int kHdrVersion = 0;
constexpr int kHdrCreated = 1;
constexpr int kHdrTableName = 4;
constexpr int kHdrPagesPerBlock = 20;
constexpr int kHdrBlockBytes = 22;
constexpr int kHdrProduction = 24;
constexpr int kHdrSlots = 25;
constexpr int kHdrEntrySize = 26;
constexpr int kHdrTagsUsed = 28;
constexpr int kHdrLanguageDriver = 31;
constexpr int kHdrPages = 32;
constexpr int kHdrFirstFree = 36;
constexpr int kHdrFreeBlocks = 40;
constexpr int kHdrUpdated = 44;
constexpr int kHdrMarker = 529;

// Tag table entry offsets
constexpr int kEntHeaderPage = 0;
constexpr int kEntName = 4;
constexpr int kEntFormat = 15;
constexpr int kEntLeft = 16;
constexpr int kEntRight = 17;
constexpr int kEntParent = 18;
constexpr int kEntMarker = 19;
constexpr int kEntType = 20;

// Tag header offsets
constexpr int kTagRoot = 0;
constexpr int kTagPages = 4;
constexpr int kTagFormat = 8;
constexpr int kTagType = 9;
constexpr int kTagLanguageDriver = 11;
constexpr int kTagKeyLength = 12;
constexpr int kTagMaxKeys = 14;
constexpr int kTagDateFlag = 16;
constexpr int kTagItemLength = 18;
constexpr int kTagCounter = 20;
constexpr int kTagUnique = 23;
constexpr int kTagExpression = 24;
constexpr int kTagExpressionEnd = 245;     // the expression and its NUL end before this
constexpr int kTagHasFor = 245;            // 1: the tag has a FOR condition
constexpr int kTagHasKeys = 246;           // 1: the tag holds at least one key
constexpr int kTagForExpression = 762;     // the FOR condition, NUL-terminated, to the block's end
constexpr int kTagForExpressionEnd = 1024;
constexpr int kTagLeftmostLeaf = 248;
constexpr int kTagRootCopy = 252;
constexpr int kTagDate = 256;

constexpr std::uint8_t kFormatField = 0x10;
constexpr std::uint8_t kFormatDescending = 0x08;
constexpr std::uint8_t kFormatUnique = 0x40;

inline std::uint32_t get32(const QByteArray &b, int at) { return qFromLittleEndian<std::uint32_t>(b.constData() + at); }
inline std::uint16_t get16(const QByteArray &b, int at) { return qFromLittleEndian<std::uint16_t>(b.constData() + at); }
inline std::uint8_t get8(const QByteArray &b, int at) { return std::uint8_t(b[at]); }
inline void put32(QByteArray &b, int at, std::uint32_t v) { qToLittleEndian(v, b.data() + at); }
inline void put16(QByteArray &b, int at, std::uint16_t v) { qToLittleEndian(v, b.data() + at); }
inline void put8(QByteArray &b, int at, std::uint8_t v) { b[at] = char(v); }

// Item length for a key length: pointer + key rounded up to 4 bytes.
inline int itemLengthFor(int keyLength) { return 4 + (keyLength + 3) / 4 * 4; }
inline int maxKeysFor(int blockBytes, int itemLength) { return (blockBytes - 12) / itemLength; }

// Orders two keys of a tag. Character keys compare as unsigned bytes over the shorter of
// the two, so a shorter key is a prefix search; descending tags reverse the order.
inline int compareKeys(KeyType type, bool descending, QByteArrayView a, QByteArrayView b)
{
    int c = 0;
    switch (type) {
    case KeyType::Character: {
        const qsizetype n = std::min(a.size(), b.size());
        c = n > 0 ? std::memcmp(a.data(), b.data(), size_t(n)) : 0;
        c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        break;
    }
    case KeyType::Numeric:
        c = numeric_key::compare(a, b);
        break;
    case KeyType::Date:
        c = date_key::compare(a, b);
        break;
    }
    return descending ? -c : c;
}

// One node in memory.
struct Node
{
    std::uint32_t page = 0;
    bool leaf = true;
    std::uint32_t previous = 0;           // leaves: the previous leaf
    std::vector<QByteArray> keys;         // n keys
    std::vector<std::uint32_t> pointers;  // leaves: n record numbers; interior: n + 1 children

    int count() const { return int(keys.size()); }
};

// Serialises a node into one block; the caller guarantees it fits.
inline QByteArray encodeNode(const Node &node, int blockBytes, int keyLength, int itemLength)
{
    QByteArray block(blockBytes, '\0');
    put32(block, 0, std::uint32_t(node.keys.size()));
    put32(block, 4, node.leaf ? node.previous : node.pointers.back());
    int at = kNodeHeader;
    for (size_t i = 0; i < node.keys.size(); ++i, at += itemLength) {
        put32(block, at, node.pointers[i]);
        std::memcpy(block.data() + at + 4, node.keys[i].constData(), size_t(std::min<qsizetype>(keyLength, node.keys[i].size())));
    }
    if (!node.leaf)
        put32(block, at, node.pointers.back());
    return block;
}

} // namespace qal::dbase::mdx
