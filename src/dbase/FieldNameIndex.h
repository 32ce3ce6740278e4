#pragma once

#include "FieldDescriptor.h"

#include <QStringView>

#include <cstdint>
#include <vector>

namespace qal::dbase {

// A table's fields by name. The program asks for a field by name for every value it reads
// (a list reading every field of 100,000 records asks 6 million times), so the stored name
// is found by a cheap hash into a small open-addressed table, inline; any other spelling
// (lower case, a name longer than the 10 characters stored) takes the slow way.
class FieldNameIndex
{
public:
    void build(const FieldList &fields);
    void clear();

    // Index of the field named name (any case) or -1. Of two fields of one name, the first.
    int find(const QString &name) const
    {
        // A list or a dump reads the fields in their order, by the names the table gave it:
        // the field after the last one found, asked for by the very same string.
        const qsizetype next = qsizetype(m_last) + 1;
        if (m_fields && next < m_fields->size() && (*m_fields)[next].name.constData() == name.constData()) {
            m_last = int(next);
            return m_last;
        }
        int i = findStored(name);
        if (i < 0)
            i = findOtherSpelling(name);
        if (i >= 0)
            m_last = i;
        return i;
    }

private:
    int findStored(QStringView name) const
    {
        if (m_slots.empty())
            return -1;
        const std::uint32_t mask = std::uint32_t(m_slots.size() - 1);
        for (std::uint32_t slot = hashOf(name) & mask;; slot = (slot + 1) & mask) {
            const int i = m_slots[slot];
            if (i < 0)
                return -1;
            if (sameName((*m_fields)[i].name, name))
                return i;
        }
    }
    int findOtherSpelling(const QString &name) const;

    // Names are a few characters: compared here rather than through a call into Qt.
    static bool sameName(QStringView stored, QStringView name)
    {
        if (stored.size() != name.size())
            return false;
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (stored[i] != name[i])
                return false;
        }
        return true;
    }

    // Field names of one table differ in their length, their last characters or their middle
    // ("X_NOMPADR1", "X_NOMMADR2"): four characters and the length tell them apart well
    // enough for the probing to do the rest, at a fraction of a hash of every character.
    static std::uint32_t hashOf(QStringView name)
    {
        const qsizetype n = name.size();
        if (n == 0)
            return 0;
        std::uint32_t h = std::uint32_t(n);
        h = h * 31 + name[n - 1].unicode();
        h = h * 31 + name[n / 2].unicode();
        h = h * 31 + name[n >= 4 ? n - 4 : 0].unicode();
        h = h * 31 + name[0].unicode();
        return h ^ (h >> 7);
    }

    const FieldList *m_fields = nullptr;
    std::vector<std::int16_t> m_slots; // field index, -1 for an empty slot; a power of two long
    mutable int m_last = -1;           // the field found last
};

} // namespace qal::dbase
