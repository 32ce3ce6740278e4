#include "TagKeys.h"

#include "MdxLayout.h"
#include "NumericKey.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

namespace qal::dbase {

TagKeys::TagKeys(KeyType type, int keyLength, bool descending)
    : m_type(type)
    , m_keyLength(keyLength)
    , m_descending(descending)
{
}

void TagKeys::reserve(std::size_t count)
{
    m_keys.reserve(count * std::size_t(m_keyLength));
    m_recnos.reserve(count);
}

char *TagKeys::append(std::uint32_t recno)
{
    const std::size_t at = m_keys.size();
    m_keys.resize(at + std::size_t(m_keyLength));
    m_recnos.push_back(recno);
    return m_keys.data() + at;
}

TagKeys::Order TagKeys::orderOf(std::size_t i) const
{
    // Up to sixteen bytes that order like the key under memcmp, as two big-endian numbers.
    std::array<uchar, 16> bytes{};
    switch (m_type) {
    case KeyType::Character:
        std::memcpy(bytes.data(), key(i).data(), std::size_t(std::min(m_keyLength, 16)));
        break;
    case KeyType::Numeric:
        static_assert(numeric_key::kOrderLength <= 16);
        numeric_key::writeOrderBytes(key(i), bytes.data());
        break;
    case KeyType::Date:
        static_assert(date_key::kOrderLength <= 16);
        date_key::writeOrderBytes(key(i), bytes.data());
        break;
    }
    Order order{qFromBigEndian<std::uint64_t>(bytes.data()), qFromBigEndian<std::uint64_t>(bytes.data() + 8),
                std::uint32_t(i)};
    if (m_descending) {
        order.high = ~order.high;
        order.low = ~order.low;
    }
    return order;
}

namespace {

// Below this many entries a comparison sort is as quick as counting bytes.
constexpr std::size_t kRadixFrom = 2048;

template<typename Entry>
uchar byteOf(const Entry &e, int position)
{
    return uchar(position < 8 ? e.low >> (8 * position) : e.high >> (8 * (position - 8)));
}

// Sorts by (high, low) and keeps equal entries in the order they came: a counting pass per
// byte, the least significant first. The counts of every byte position come from one read
// of the entries; a position where they all have the same byte is skipped, and most are:
// the blank tail of a name, the sign and exponent of numbers of one size, the era of dates.
template<typename Entry>
void radixSort(LargeVector<Entry> &entries)
{
    constexpr int kPositions = 16;
    std::vector<std::array<std::uint32_t, 256>> counts(kPositions);
    for (const Entry &e : entries) {
        for (int position = 0; position < kPositions; ++position)
            ++counts[size_t(position)][byteOf(e, position)];
    }
    LargeVector<Entry> other(entries.size());
    Entry *from = entries.data();
    Entry *to = other.data();
    for (int position = 0; position < kPositions; ++position) {
        const std::array<std::uint32_t, 256> &count = counts[size_t(position)];
        if (count[byteOf(from[0], position)] == entries.size())
            continue;
        std::array<std::uint32_t, 256> next{};
        for (std::size_t b = 1; b < 256; ++b)
            next[b] = next[b - 1] + count[b - 1];
        for (std::size_t i = 0; i < entries.size(); ++i)
            to[next[byteOf(from[i], position)]++] = from[i];
        std::swap(from, to);
    }
    if (from != entries.data())
        entries.swap(other);
}

} // namespace

void TagKeys::sort()
{
    if (size() == 0)
        return;
    LargeVector<Order> order(size());
    for (std::size_t i = 0; i < size(); ++i)
        order[i] = orderOf(i);
    // Only character keys are longer than the sixteen bytes the order numbers hold.
    const std::size_t rest = m_type == KeyType::Character && m_keyLength > 16 ? std::size_t(m_keyLength - 16) : 0;
    const auto before = [&](const Order &a, const Order &b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        if (rest > 0) {
            const int c = std::memcmp(key(a.row).data() + 16, key(b.row).data() + 16, rest);
            if (c != 0)
                return m_descending ? c > 0 : c < 0;
        }
        return m_recnos[a.row] < m_recnos[b.row];
    };
    // Tables are mostly kept in the order of their main key, and a tag whose keys are all blank
    // is in record order: such a tag is in order already and stays as it is.
    if (std::is_sorted(order.begin(), order.end(), before))
        return;
    if (order.size() < kRadixFrom) {
        std::sort(order.begin(), order.end(), before);
    } else {
        radixSort(order);
        // Entries alike in their order numbers are still in the order they were added: that
        // is record number order when the records were added in it (a build from the table),
        // and then only keys longer than the numbers need a look at their other bytes.
        const bool recnoOrder = std::is_sorted(m_recnos.begin(), m_recnos.end());
        if (rest > 0 || !recnoOrder) {
            const auto differ = [](const Order &a, const Order &b) { return a.high != b.high || a.low != b.low; };
            for (auto run = order.begin(); run != order.end();) {
                auto end = std::adjacent_find(run, order.end(), differ);
                if (end != order.end())
                    ++end;
                if (end - run > 1 && !std::is_sorted(run, end, before))
                    std::sort(run, end, before);
                run = end;
            }
        }
    }
    permute(order);
}

void TagKeys::permute(const LargeVector<Order> &order)
{
    LargeVector<char> keys(m_keys.size());
    LargeVector<std::uint32_t> recnos(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        std::memcpy(keys.data() + i * std::size_t(m_keyLength), key(order[i].row).data(), std::size_t(m_keyLength));
        recnos[i] = m_recnos[order[i].row];
    }
    m_keys = std::move(keys);
    m_recnos = std::move(recnos);
}

void TagKeys::keepFirstOfEachKey()
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < size(); ++i) {
        if (kept > 0 && mdx::compareKeys(m_type, false, key(kept - 1), key(i)) == 0)
            continue;
        if (kept != i) {
            std::memmove(m_keys.data() + kept * std::size_t(m_keyLength), key(i).data(), std::size_t(m_keyLength));
            m_recnos[kept] = m_recnos[i];
        }
        ++kept;
    }
    m_keys.resize(kept * std::size_t(m_keyLength));
    m_recnos.resize(kept);
}

} // namespace qal::dbase
