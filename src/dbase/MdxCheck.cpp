#include "MdxFileImpl.h"

#include "NumericKey.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace qal::dbase::mdx {

namespace {

// Entry order within a tag: the key in the tag's order, then the record number ascending.
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

} // namespace

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
            for (size_t t = 0; t < m_tags.size(); ++t) {
                const OpenTag &tag = m_tags[t];
                if (tag.info.beyond.isEmpty() && tag.condition.holds(record, recno))
                    expected[t].emplace_back(tag.expression.evaluate(record, recno), recno);
            }
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

    // The entries must be exactly the records' keys (for a unique tag: one per key), which
    // a tag beyond the engine cannot tell.
    if (!tag.info.beyond.isEmpty())
        return;
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

} // namespace qal::dbase::mdx
