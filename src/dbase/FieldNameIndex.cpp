#include "FieldNameIndex.h"

namespace qal::dbase {

void FieldNameIndex::build(const FieldList &fields)
{
    m_fields = &fields;
    m_last = -1;
    std::size_t size = 16;
    while (size < std::size_t(fields.size()) * 2)
        size *= 2;
    m_slots.assign(size, -1);
    const std::uint32_t mask = std::uint32_t(size - 1);
    for (int i = 0; i < fields.size(); ++i) {
        if (findStored(fields[i].name) >= 0)
            continue; // a second field of the same name is never found by name
        std::uint32_t slot = hashOf(fields[i].name) & mask;
        while (m_slots[slot] >= 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = std::int16_t(i);
    }
}

void FieldNameIndex::clear()
{
    m_fields = nullptr;
    m_slots.clear();
    m_last = -1;
}

int FieldNameIndex::findOtherSpelling(const QString &name) const
{
    return findStored(storedFieldName(name));
}

} // namespace qal::dbase
