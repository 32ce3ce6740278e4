#include "MdxFileImpl.h"


namespace qal::dbase::mdx {

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

} // namespace qal::dbase::mdx
