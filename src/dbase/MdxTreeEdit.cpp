#include "MdxFileImpl.h"

#include "core/Clock.h"

#include <QDate>


namespace qal::dbase::mdx {

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

void MdxFileImpl::markHasKeys(const OpenTag &tag, bool hasKeys)
{
    QByteArray flag(1, hasKeys ? '\1' : '\0');
    m_file.write(std::int64_t(tag.headerPage) * kPageSize + kTagHasKeys, flag);
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
    const bool firstKey = path.size() == 1 && leaf.node.count() == 0;
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
    if (firstKey)
        markHasKeys(tag, true);
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
        if (leaf.node.count() == 0)
            markHasKeys(tag, false);
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
        markHasKeys(tag, false);
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

} // namespace qal::dbase::mdx
