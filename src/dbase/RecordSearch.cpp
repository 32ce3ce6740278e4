#include "RecordSearch.h"

#include "DatabaseError.h"
#include "FieldValue.h"
#include "MdxFile.h"

#include "core/Cp1252.h"

#include <algorithm>

namespace qal::dbase {
namespace {

// A condition ready to be tested on stored bytes.
class StoredCondition
{
public:
    StoredCondition(const Table &table, const FieldEquals &condition)
        : m_field(table.field(condition.field)), m_value(condition.value)
    {
        if (m_field.type == 'C') {
            const QString text = condition.value.toString();
            // more than the field holds, or characters it cannot store: nothing has it
            const QByteArray bytes = toCp1252(text);
            if (!isCp1252(text) || bytes.size() > m_field.length)
                m_impossible = true;
            else
                m_stored = bytes + QByteArray(m_field.length - bytes.size(), ' ');
        }
    }

    bool impossible() const { return m_impossible; }
    const FieldDescriptor &field() const { return m_field; }

    bool accepts(QByteArrayView record) const
    {
        const QByteArrayView bytes = record.sliced(m_field.offset, m_field.length);
        if (m_field.type == 'C')
            return bytes == QByteArrayView(m_stored);
        const QVariant stored = fieldvalue::decode(m_field, bytes);
        if (stored.isNull() || m_value.isNull())
            return stored.isNull() && m_value.isNull();
        if (fieldvalue::isNumber(stored) && fieldvalue::isNumber(m_value))
            return stored.toDouble() == m_value.toDouble();
        return stored == m_value;
    }

private:
    FieldDescriptor m_field;
    QVariant m_value;
    QByteArray m_stored;
    bool m_impossible = false;
};

bool live(QByteArrayView record) { return !record.isEmpty() && record[0] != DbfFile::kDeleted; }

} // namespace

namespace query {

std::shared_ptr<Table> openForReading(const QString &file)
{
    auto table = std::make_shared<Table>(file);
    table->open();
    return table;
}

std::vector<std::uint32_t> recordsWhere(const Table &table, const QList<FieldEquals> &conditions)
{
    std::vector<StoredCondition> tests;
    for (const FieldEquals &c : conditions) {
        tests.emplace_back(table, c);
        if (tests.back().impossible())
            return {};
    }
    const auto acceptsAll = [&tests](QByteArrayView record) {
        return live(record)
               && std::all_of(tests.begin(), tests.end(), [record](const StoredCondition &t) { return t.accepts(record); });
    };

    MdxFile *mdx = table.productionIndex();
    int tag = -1;
    const FieldEquals *seekBy = nullptr;
    for (const FieldEquals &c : conditions) {
        if (mdx && !c.value.isNull() && (tag = mdx->tagForField(c.field)) >= 0) {
            seekBy = &c;
            break;
        }
    }
    if (!seekBy)
        return recordsWhere(table, StoredRecordPredicate(acceptsAll));

    const DbfFile &dbf = table.dbfFile();
    const QByteArray key = mdx->keyFor(tag, seekBy->value);
    std::vector<std::uint32_t> found;
    auto cursor = mdx->cursor(tag);
    for (bool ok = cursor->seek(key); ok && mdx->compare(tag, cursor->key(), key) == 0; ok = cursor->next()) {
        const std::uint32_t r = cursor->recno();
        if (r >= 1 && r <= dbf.recordCount() && acceptsAll(dbf.readRecord(r)))
            found.push_back(r);
    }
    // equal keys are in record order already; an index another program wrote may not be
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::vector<std::uint32_t> recordsWhere(const Table &table, const StoredRecordPredicate &accept)
{
    const DbfFile &dbf = table.dbfFile();
    const int length = dbf.recordLength();
    std::vector<std::uint32_t> found;
    dbf.forEachChunk([&](std::uint32_t first, QByteArray &chunk) {
        const qsizetype n = chunk.size() / length;
        for (qsizetype i = 0; i < n; ++i) {
            const QByteArrayView record(chunk.constData() + i * length, length);
            if (live(record) && accept(record))
                found.push_back(first + std::uint32_t(i));
        }
        return true;
    });
    return found;
}

} // namespace query
} // namespace qal::dbase
