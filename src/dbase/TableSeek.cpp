#include "Table.h"

#include "DatabaseError.h"
#include "MdxFile.h"
#include "ValueEquality.h"

namespace qal::dbase {

const QString &Table::indexField() const
{
    return m_indexField;
}

bool Table::hasProductionIndex() const
{
    return m_mdx != nullptr;
}

MdxFile *Table::productionIndex() const
{
    return m_mdx.get();
}

void Table::setIndexField(const QString &field)
{
    m_unsettled = false;
    requireOpen();
    checkBrowseMode();
    if (field.isEmpty()) {
        m_tag = -1;
        m_indexField.clear();
    } else {
        const int tag = m_mdx ? m_mdx->tagForField(field) : -1;
        if (tag < 0)
            throw DatabaseError(QStringLiteral("La tabla %1 no tiene un índice por el campo %2.").arg(m_fileName, field));
        m_tag = tag;
        m_indexField = field.toUpper();
    }
    m_cursor.reset();
    m_cursorValid = false;
    first();
}

bool Table::findKey(const QVariant &key)
{
    // a missed seek right after open leaves the cursor where open would have: on the first record
    const bool unsettled = std::exchange(m_unsettled, false);
    requireOpen();
    checkBrowseMode();
    if (activeTag() < 0)
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene un índice activo para buscar.").arg(m_fileName));
    const QByteArray k = m_mdx->keyFor(m_tag, key);
    auto cursor = m_mdx->cursor(m_tag);
    const std::uint32_t start = m_recno;
    for (bool ok = cursor->seek(k); ok && m_mdx->compare(m_tag, cursor->key(), k) == 0; ok = cursor->next()) {
        const std::uint32_t r = cursor->recno();
        if (r >= 1 && r <= m_dbf.recordCount() && loadCandidate(r)) {
            m_cursor = std::move(cursor);
            m_cursorValid = true;
            m_bof = m_eof = false;
            arrive(r);
            return true;
        }
    }
    m_recno = start;
    reloadCurrent();
    if (unsettled)
        first();
    return false;
}

bool Table::locate(const QString &fieldName, const QVariant &wanted, LocateOptions options)
{
    const bool unsettled = std::exchange(m_unsettled, false);
    requireOpen();
    checkBrowseMode();
    const int i = fieldIndex(fieldName);
    if (i < 0 && !hasField(fieldName))
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(m_fileName, fieldName));
    const std::uint32_t start = m_recno;
    for (bool ok = moveFrom(true, true); ok; ok = moveFrom(true, false)) {
        if (valuesEqual(value(fieldName), wanted, options.caseInsensitive)) {
            m_bof = m_eof = false;
            arrive(m_recno);
            return true;
        }
    }
    m_recno = start;
    reloadCurrent();
    syncCursor();
    if (unsettled)
        first();
    return false;
}

QVariant Table::lookup(const QString &fieldName, const QVariant &wanted, const QString &resultField,
                       LocateOptions options) const
{
    requireOpen();
    const int i = fieldIndex(fieldName);
    const int result = fieldIndex(resultField);
    if (i < 0)
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(m_fileName, fieldName));
    if (result < 0)
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(m_fileName, resultField));
    // A scratch cursor over the same files, so that this one does not move.
    Table &self = const_cast<Table &>(*this);
    needRecordBytes(m_dbf.recordLength());
    const QByteArray saved = m_record;
    const std::uint32_t savedRecno = m_recno;
    QVariant out;
    bool found = false;
    auto check = [&](std::uint32_t r) {
        self.holdWholeRecord(m_dbf.readRecord(r));
        if (m_record[0] == DbfFile::kDeleted)
            return false;
        if (!valuesEqual(storedValue(i), wanted, options.caseInsensitive))
            return false;
        out = storedValue(result);
        return true;
    };
    try {
        const int tag = m_mdx && !options.caseInsensitive ? m_mdx->tagForField(fieldName) : -1;
        if (tag >= 0 && !wanted.isNull()) {
            const QByteArray k = m_mdx->keyFor(tag, wanted);
            auto cursor = m_mdx->cursor(tag);
            for (bool ok = cursor->seek(k); ok && !found && m_mdx->compare(tag, cursor->key(), k) == 0;
                 ok = cursor->next()) {
                const std::uint32_t r = cursor->recno();
                found = r >= 1 && r <= m_dbf.recordCount() && check(r);
            }
        } else {
            for (std::uint32_t r = 1; r <= m_dbf.recordCount() && !found; ++r)
                found = check(r);
        }
    } catch (...) {
        self.holdWholeRecord(saved);
        self.m_recno = savedRecno;
        throw;
    }
    self.holdWholeRecord(saved);
    self.m_recno = savedRecno;
    return found ? out : QVariant();
}

} // namespace qal::dbase
