#include "Table.h"

#include "DatabaseError.h"
#include "FieldValue.h"
#include "Journal.h"
#include "Logging.h"
#include "MdxFile.h"
#include "MemoFile.h"
#include "core/Cp1252.h"

#include <QFileInfo>

#include <utility>

namespace qal::dbase {

// ---------------------------------------------------------------- editing

void Table::insert()
{
    settle();
    requireWritable();
    checkBrowseMode();
    if (beforeInsert)
        beforeInsert(*this);
    m_savedRecno = m_recno;
    needRecordBytes(m_dbf.recordLength());
    const QByteArray savedRecord = m_record;
    holdWholeRecord(m_dbf.blankRecord());
    m_original = m_record;
    m_pendingBlobs.clear();
    m_state = State::Insert;
    m_modified = false;
    notify(Notification::StateChanged);
    try {
        fillLinkField();
        if (onNewRecord)
            onNewRecord(*this);
        calculate();
    } catch (...) {
        m_state = State::Browse;
        m_pendingBlobs.clear();
        m_modified = false;
        m_recno = m_savedRecno;
        holdWholeRecord(savedRecord);
        reloadCurrent();
        notify(Notification::StateChanged);
        throw;
    }
    if (afterInsert)
        afterInsert(*this);
    if (afterScroll)
        afterScroll(*this);
}

void Table::append()
{
    insert();
}

void Table::edit()
{
    settle();
    requireWritable();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_recno == 0) {
        insert();
        return;
    }
    if (beforeEdit)
        beforeEdit(*this);
    m_dbf.refreshCount();
    holdWholeRecord(m_dbf.readRecord(m_recno));
    if (m_record[0] == DbfFile::kDeleted)
        throw DatabaseError(QStringLiteral("El registro fue borrado por otro usuario."));
    m_original = m_record;
    m_pendingBlobs.clear();
    m_modified = false;
    m_state = State::Edit;
    calculate();
    notify(Notification::StateChanged);
    if (afterEdit)
        afterEdit(*this);
}

void Table::beginGroup()
{
    m_groupOpen = true;
}

void Table::commitGroup()
{
    m_journal->commit();
    m_groupOpen = false;
}

void Table::abandonGroup()
{
    // Undo what reached the files; then the journal's descriptor is closed.
    m_groupOpen = false;
    m_journal->undo();
}

void Table::writePendingBlobs()
{
    for (const auto &[i, v] : m_pendingBlobs) {
        const FieldDescriptor &f = fields()[i];
        if (!m_memo)
            throw DatabaseError(QStringLiteral("La tabla %1 no tiene archivo de memos.").arg(m_fileName));
        const std::uint32_t previous = MemoFile::parsePointer(
            QByteArrayView(m_original).sliced(f.offset, f.length), QFileInfo(m_dbf.path()).fileName());
        QByteArray data;
        if (v.isValid())
            data = f.type == 'M' ? toCp1252(v.toString()) : v.toByteArray();
        const std::uint32_t block = m_memo->write(data, m_state == State::Insert ? 0 : previous);
        m_record.replace(f.offset, f.length, MemoFile::formatPointer(block));
    }
}

void Table::post()
{
    requireOpen();
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    if (beforePost)
        beforePost(*this);
    const QByteArray before = m_record;
    std::uint32_t recno = m_recno;
    // Journal entries are only written for byte ranges that change; but a failure before the
    // first write leaves nothing to undo.
    beginGroup();
    try {
        if (m_state == State::Insert)
            m_dbf.refreshCount();
        m_dbf.touch();
        writePendingBlobs();
        if (m_state == State::Insert) {
            recno = m_dbf.appendRecord(m_record);
            if (m_mdx)
                m_mdx->insertRecord(recno, m_record);
        } else {
            m_dbf.writeRecord(recno, m_record);
            if (m_mdx)
                m_mdx->updateRecord(recno, m_original, m_record);
        }
        commitGroup();
    } catch (...) {
        m_record = before;
        try {
            abandonGroup();
            m_dbf.refreshCount();
            if (m_mdx) {
                const QString mdxPath = siblingPath(QStringLiteral("mdx"));
                m_cursor.reset();
                m_mdx->close();
                m_mdx = MdxFile::open(mdxPath, m_dbf.fields(), File::Access::ReadWrite, File::Share::None);
                m_mdx->setJournal(m_journal.get());
            }
        } catch (const std::exception &e) {
            // the post's own error is what the caller hears
            qCWarning(lcDbase) << "undoing a failed post of" << m_fileName << "failed:" << e.what();
        }
        throw;
    }
    m_state = State::Browse;
    m_recno = recno;
    m_pendingBlobs.clear();
    m_modified = false;
    m_original.clear();
    m_cursorValid = false;
    syncCursor();
    m_bof = m_eof = false;
    calculate();
    notify(Notification::StateChanged);
    if (afterPost)
        afterPost(*this);
}

void Table::cancel()
{
    requireOpen();
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    if (beforeCancel)
        beforeCancel(*this);
    const bool wasInsert = m_state == State::Insert;
    if (wasInsert)
        m_recno = m_savedRecno;
    m_state = State::Browse;
    m_pendingBlobs.clear();
    m_modified = false;
    m_original.clear();
    reloadCurrent();
    if (m_recno == 0)
        m_bof = m_eof = true;
    notify(Notification::StateChanged);
    if (afterCancel)
        afterCancel(*this);
    if (wasInsert && afterScroll)
        afterScroll(*this);
}

void Table::deleteRecord()
{
    settle();
    requireWritable();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_recno == 0)
        throw DatabaseError(QStringLiteral("No hay registro para borrar en la tabla %1.").arg(m_fileName));
    if (m_state == State::Edit) {
        m_state = State::Browse;
        m_pendingBlobs.clear();
        m_modified = false;
        reloadCurrent();
    }
    if (beforeDelete)
        beforeDelete(*this);
    QByteArray record = m_dbf.readRecord(m_recno);
    record[0] = DbfFile::kDeleted;
    beginGroup();
    try {
        m_dbf.touch();
        m_dbf.writeRecord(m_recno, record);
        commitGroup();
    } catch (...) {
        try {
            abandonGroup();
        } catch (const std::exception &e) {
            qCWarning(lcDbase) << "undoing a failed write of" << m_fileName << "failed:" << e.what();
        }
        throw;
    }
    // Onto the next visible record, or the prior one at the end.
    holdWholeRecord(record);
    syncCursor();
    bool found = moveFrom(true, false);
    if (!found) {
        holdWholeRecord(record);
        syncCursor();
        found = moveFrom(false, false);
    }
    if (!found || m_recno == 0 || m_record[0] == DbfFile::kDeleted)
        setEmpty();
    else
        m_bof = m_eof = false;
    if (afterDelete)
        afterDelete(*this);
    if (m_recno != 0)
        arrive(m_recno);
    else
        notify(Notification::Scrolled);
}

} // namespace qal::dbase
