#pragma once

#include "dbase/Table.h"

#include <QString>

#include <exception>

namespace qal {

// Orders a table by one index for a while and gives the cursor back afterwards: the same
// record, under the order it had. The request tables' cursors are shared with the forms,
// so work that looks requests up by number (answer processing, state lists) leaves them
// where the operator had them.
class PosicionTabla
{
public:
    PosicionTabla(dbase::Table &t, const QString &indexField)
        : m_t(t)
        , m_index(t.indexField())
        , m_place(t.isEmpty() ? 0 : t.bookmark())
    {
        if (m_index.compare(indexField, Qt::CaseInsensitive) != 0)
            t.setIndexField(indexField);
    }
    ~PosicionTabla()
    {
        try {
            if (!m_index.isEmpty() && m_t.indexField() != m_index)
                m_t.setIndexField(m_index);
            if (m_place != 0)
                m_t.gotoBookmark(m_place);
        } catch (const std::exception &) {
            // the record went away meanwhile: the cursor stays where it is
        }
    }
    PosicionTabla(const PosicionTabla &) = delete;
    PosicionTabla &operator=(const PosicionTabla &) = delete;

private:
    dbase::Table &m_t;
    QString m_index;
    dbase::Table::Bookmark m_place;
};

} // namespace qal
