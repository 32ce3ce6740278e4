#pragma once

#include "KeyExpression.h"
#include "LargeAllocator.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

namespace qal::dbase {

// The entries of one tag while its index is built: fixed-width keys side by side in one
// buffer, with the record number of each. A table of a hundred thousand records gives as
// many keys, so there is no allocation per key; sort() puts them in the tag's order. The
// buffers are large: see LargeAllocator.
class TagKeys
{
public:
    TagKeys() = default;
    TagKeys(KeyType type, int keyLength, bool descending);

    void reserve(std::size_t count);
    // Room for the key of recno, keyLength bytes for the caller to fill.
    char *append(std::uint32_t recno);

    // The tag's order (ascending or descending keys, compared by value), equal keys by
    // record number ascending.
    void sort();
    // After sort(): keeps the first entry of each key, as a unique tag does.
    void keepFirstOfEachKey();

    std::size_t size() const { return m_recnos.size(); }
    int keyLength() const { return m_keyLength; }
    QByteArrayView key(std::size_t i) const
    {
        return QByteArrayView(m_keys.data() + i * std::size_t(m_keyLength), m_keyLength);
    }
    std::uint32_t recno(std::size_t i) const { return m_recnos[i]; }

private:
    // Where an entry goes in the tag's order, as far as the first sixteen bytes of its key
    // (in a form that orders like the key's value) tell: compared as two numbers.
    struct Order
    {
        std::uint64_t high = 0;
        std::uint64_t low = 0;
        std::uint32_t row = 0;
    };
    Order orderOf(std::size_t i) const;
    void permute(const LargeVector<Order> &order);

    KeyType m_type = KeyType::Character;
    int m_keyLength = 0;
    bool m_descending = false;
    LargeVector<char> m_keys;
    LargeVector<std::uint32_t> m_recnos;
};

} // namespace qal::dbase
