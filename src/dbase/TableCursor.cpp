#include "Table.h"

#include "DatabaseError.h"
#include "MdxFile.h"
#include "ValueEquality.h"

#include <utility>

namespace qal::dbase {

// ---------------------------------------------------------------- positioning

int Table::activeTag() const
{
    return m_mdx ? m_tag : -1;
}

std::optional<QByteArray> Table::rangeKey() const
{
    // A detail link on the active index's field walks only the master's key range.
    if (!m_master || activeTag() < 0 || m_indexField.compare(m_detailField, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QVariant v = m_master->isOpen() ? m_master->value(m_masterField) : QVariant();
    return m_mdx->keyFor(m_tag, v);
}

bool Table::passesLink() const
{
    if (!m_master)
        return true;
    if (!m_master->isOpen() || m_master->isEmpty())
        return false;
    const QVariant want = m_master->value(m_masterField);
    const int i = fieldIndex(m_detailField);
    if (i < 0)
        return false;
    return valuesEqual(storedValue(i), want, false);
}

bool Table::loadCandidate(std::uint32_t recno)
{
    const int bytes = m_dbf.readLeadingInto(recno, m_record);
    m_partialBytes = bytes < m_record.size() ? bytes : 0;
    m_partialRecno = recno;
    m_recno = recno;
    if (m_record[0] == DbfFile::kDeleted)
        return false;
    if (!passesLink())
        return false;
    if (m_filter)
        calculate(); // the filter may read calculated fields
    if (m_filter && !m_filter(*this))
        return false;
    return true;
}

void Table::reloadCurrent()
{
    if (m_recno == 0 || m_recno > m_dbf.recordCount()) {
        m_recno = 0;
        holdWholeRecord(m_dbf.blankRecord());
        m_calcValues.clear();
        return;
    }
    holdWholeRecord(m_dbf.readRecord(m_recno));
    if (m_record[0] != DbfFile::kDeleted)
        calculate();
    else
        m_calcValues.clear();
}

void Table::setEmpty()
{
    m_recno = 0;
    holdWholeRecord(m_dbf.blankRecord());
    m_calcValues.clear();
    m_bof = m_eof = true;
    m_cursorValid = false;
}

void Table::arrive(std::uint32_t recno)
{
    m_recno = recno;
    if (!m_filter)
        calculate();
    if (afterScroll)
        afterScroll(*this);
    notify(Notification::Scrolled);
}

void Table::syncCursor()
{
    if (activeTag() < 0 || m_recno == 0) {
        m_cursorValid = false;
        return;
    }
    if (!m_cursor)
        m_cursor = m_mdx->cursor(m_tag);
    needRecordBytes(m_dbf.recordLength());
    m_cursorValid = m_cursor->find(m_mdx->keyOf(m_tag, m_record, m_recno), m_recno);
}

void Table::needRecordBytes(int end) const
{
    if (end > m_fieldsEnd)
        m_fieldsEnd = end;
    if (m_partialBytes == 0 || end <= m_partialBytes)
        return;
    Table &self = const_cast<Table &>(*this);
    m_dbf.readRecordInto(m_partialRecno, self.m_record);
    m_partialBytes = 0;
}

void Table::holdWholeRecord(QByteArray record)
{
    m_record = std::move(record);
    m_partialBytes = 0;
}

// Finds the next visible record from the current one (or from an end), in active order.
// Leaves the table on it and returns true; otherwise restores the current record.
bool Table::moveFrom(bool forward, bool fromEnd)
{
    struct Moving
    {
        bool &flag;
        bool was;
        explicit Moving(bool &f) : flag(f), was(f) { flag = true; }
        ~Moving() { flag = was; }
    } moving(m_moving);
    const std::uint32_t start = m_recno;
    const std::optional<QByteArray> range = rangeKey();
    if (activeTag() < 0) {
        const std::uint32_t count = m_dbf.recordCount();
        std::uint32_t r = fromEnd ? (forward ? 1 : count) : (forward ? start + 1 : start - 1);
        for (; r >= 1 && r <= count; r = forward ? r + 1 : r - 1) {
            if (loadCandidate(r))
                return true;
        }
    } else {
        if (!m_cursor)
            m_cursor = m_mdx->cursor(m_tag);
        bool ok;
        if (fromEnd) {
            if (range) {
                ok = m_cursor->seek(*range);
                if (ok && !forward) {
                    // to the last entry of the range, then walk back
                    while (ok && m_mdx->compare(m_tag, m_cursor->key(), *range) == 0)
                        ok = m_cursor->next();
                    ok = ok ? m_cursor->prior() : m_cursor->last();
                }
            } else {
                ok = forward ? m_cursor->first() : m_cursor->last();
            }
        } else {
            if (!m_cursorValid) {
                holdWholeRecord(m_dbf.readRecord(start));
                m_recno = start;
                syncCursor();
            }
            ok = m_cursorValid && (forward ? m_cursor->next() : m_cursor->prior());
        }
        while (ok) {
            if (range && m_mdx->compare(m_tag, m_cursor->key(), *range) != 0) {
                ok = false;
                break;
            }
            const std::uint32_t r = m_cursor->recno();
            if (!range && !m_dbf.isCached(r)) {
                // the rest of the index block in one read (a range is short: read as it goes)
                m_cursor->upcoming(forward, ReadRing::kCapacity, m_upcoming);
                m_dbf.prefetch(m_upcoming, m_fieldsEnd);
            }
            if (r >= 1 && r <= m_dbf.recordCount() && loadCandidate(r)) {
                m_cursorValid = true;
                return true;
            }
            ok = forward ? m_cursor->next() : m_cursor->prior();
        }
        m_cursorValid = false;
    }
    m_recno = start;
    reloadCurrent();
    if (start != 0 && activeTag() >= 0)
        syncCursor();
    return false;
}

void Table::first()
{
    m_unsettled = false;
    requireOpen();
    checkBrowseMode();
    m_fieldsEnd = 0; // a walk starts: learn anew which fields it reads
    if (moveFrom(true, true)) {
        m_bof = true;
        m_eof = false;
        arrive(m_recno);
    } else {
        setEmpty();
        notify(Notification::Scrolled);
    }
}

void Table::last()
{
    m_unsettled = false;
    requireOpen();
    checkBrowseMode();
    m_fieldsEnd = 0; // a walk starts: learn anew which fields it reads
    if (moveFrom(false, true)) {
        m_bof = false;
        m_eof = true;
        arrive(m_recno);
    } else {
        setEmpty();
        notify(Notification::Scrolled);
    }
}

void Table::next()
{
    settle();
    requireOpen();
    checkBrowseMode();
    if (m_recno == 0) {
        m_eof = true;
        return;
    }
    if (moveFrom(true, false)) {
        m_bof = false;
        m_eof = false;
        arrive(m_recno);
    } else {
        m_eof = true;
    }
}

void Table::prior()
{
    settle();
    requireOpen();
    checkBrowseMode();
    if (m_recno == 0) {
        m_bof = true;
        return;
    }
    if (moveFrom(false, false)) {
        m_bof = false;
        m_eof = false;
        arrive(m_recno);
    } else {
        m_bof = true;
    }
}

bool Table::eof() const
{
    settle();
    return m_eof;
}

bool Table::bof() const
{
    settle();
    return m_bof;
}

bool Table::isEmpty() const
{
    settle();
    return m_recno == 0;
}

std::uint32_t Table::recordNumber() const
{
    settle();
    return m_recno;
}

std::uint32_t Table::physicalRecordCount() const
{
    return m_dbf.recordCount();
}

Table::Bookmark Table::bookmark() const
{
    settle();
    return m_recno;
}

void Table::gotoBookmark(Bookmark bookmark)
{
    requireOpen();
    settle();
    checkBrowseMode();
    if (bookmark == 0 || bookmark > m_dbf.recordCount())
        throw DatabaseError(QStringLiteral("El registro %1 no existe en la tabla %2.").arg(bookmark).arg(m_fileName));
    const std::uint32_t start = m_recno;
    if (!loadCandidate(bookmark)) {
        m_recno = start;
        reloadCurrent();
        throw DatabaseError(QStringLiteral("El registro %1 de la tabla %2 fue borrado o no está visible.")
                                .arg(bookmark)
                                .arg(m_fileName));
    }
    syncCursor();
    m_bof = m_eof = false;
    arrive(bookmark);
}

void Table::refresh()
{
    settle();
    requireOpen();
    checkBrowseMode();
    m_dbf.refreshCount();
    m_cursorValid = false;
    if (m_recno != 0) {
        reloadCurrent();
        syncCursor();
        notify(Notification::Scrolled);
    } else {
        first();
    }
}

int Table::recordCount()
{
    settle();
    requireOpen();
    int n = 0;
    const std::uint32_t count = m_dbf.recordCount();
    if (!m_filter && !m_master) {
        for (std::uint32_t r = 1; r <= count; ++r) {
            if (m_dbf.readRecord(r)[0] != DbfFile::kDeleted)
                ++n;
        }
        return n;
    }
    // Count by walking, then come back.
    const std::uint32_t start = m_recno;
    needRecordBytes(m_dbf.recordLength());
    const QByteArray record = m_record;
    const bool cursorValid = m_cursorValid;
    for (bool ok = moveFrom(true, true); ok; ok = moveFrom(true, false))
        ++n;
    m_recno = start;
    holdWholeRecord(record);
    m_cursorValid = false;
    if (m_state == State::Browse) {
        reloadCurrent();
        syncCursor();
    }
    (void)cursorValid;
    return n;
}

void Table::setFilter(Filter filter)
{
    m_filter = std::move(filter);
    if (isOpen())
        first();
}

void Table::setMasterLink(Table *master, const QString &masterField, const QString &detailField)
{
    if (m_master)
        m_master->removeListener(m_masterListener);
    m_master = master;
    m_masterListener = -1;
    m_masterField = masterField;
    m_detailField = detailField;
    if (m_master)
        m_masterListener = m_master->addListener([this](Table &, Notification n, const QString &) { masterChanged(n); });
    if (isOpen())
        first();
}

void Table::fillLinkField()
{
    // a new detail record belongs to the master's current record
    if (m_master && m_master->isOpen() && !m_master->isEmpty() && fieldIndex(m_detailField) >= 0)
        setValue(m_detailField, m_master->value(m_masterField));
}

void Table::masterChanged(Notification n)
{
    if (n == Notification::Destroyed) {
        m_master = nullptr;
        m_masterListener = -1;
        return;
    }
    // a master that settles while this table is moving is already being followed
    if (n == Notification::FieldChanged || n == Notification::StateChanged || m_moving)
        return;
    if (isOpen() && m_state == State::Browse)
        first();
}

void Table::checkBrowseMode()
{
    if (m_state == State::Edit || m_state == State::Insert) {
        if (m_modified)
            post();
        else
            cancel();
    }
}

void Table::calculate()
{
    m_calcValues.clear();
    bool any = false;
    for (const Extra &e : m_extras)
        any = any || !e.lookup;
    if (!any || !onCalcFields || m_inCalc)
        return;
    m_inCalc = true;
    try {
        onCalcFields(*this);
    } catch (...) {
        m_inCalc = false;
        throw;
    }
    m_inCalc = false;
}

} // namespace qal::dbase
