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

void TagKeys::sort()
{
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
    std::sort(order.begin(), order.end(), before);
    LargeVector<std::uint32_t> rows(order.size());
    std::transform(order.begin(), order.end(), rows.begin(), [](const Order &o) { return o.row; });
    permute(rows);
}

void TagKeys::permute(const LargeVector<std::uint32_t> &rows)
{
    LargeVector<char> keys(m_keys.size());
    LargeVector<std::uint32_t> recnos(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::memcpy(keys.data() + i * std::size_t(m_keyLength), key(rows[i]).data(), std::size_t(m_keyLength));
        recnos[i] = m_recnos[rows[i]];
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
