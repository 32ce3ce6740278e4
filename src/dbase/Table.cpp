#include "Table.h"

#include "DatabaseError.h"
#include "FieldValue.h"
#include "Journal.h"
#include "Logging.h"
#include "core/Cp1252.h"
#include "core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <utility>

namespace qal::dbase {
namespace {

// Marker of a maintenance rewrite whose new files are complete and are being renamed over
// the old ones: "<table base>.qpk", one "temporary<TAB>final" pair (names in the table's
// folder) per line. Whoever opens the table next finishes the renames.
QString pendingPath(const QString &dbfPath)
{
    const QFileInfo info(dbfPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".qpk"));
}

bool textEquals(const QVariant &a, const QVariant &b, bool caseInsensitive)
{
    auto norm = [](const QVariant &v) {
        QString s = v.toString();
        qsizetype n = s.size();
        while (n > 0 && s[n - 1] == QLatin1Char(' '))
            --n;
        s.truncate(n);
        return s;
    };
    return norm(a).compare(norm(b), caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}


// Equality of a stored value and a value a caller gives, as locate and look-up use it.
bool valuesEqual(const QVariant &stored, const QVariant &wanted, bool caseInsensitive)
{
    const bool storedEmpty = stored.isNull() || (stored.typeId() == QMetaType::QString && stored.toString().isEmpty());
    const bool wantedEmpty = wanted.isNull() || (wanted.typeId() == QMetaType::QString && wanted.toString().trimmed().isEmpty());
    if (storedEmpty || wantedEmpty)
        return storedEmpty && wantedEmpty;
    if (stored.typeId() == QMetaType::QString || wanted.typeId() == QMetaType::QString) {
        if (fieldvalue::isNumber(stored) && wanted.typeId() == QMetaType::QString) {
            bool ok = false;
            const double d = wanted.toString().trimmed().toDouble(&ok);
            return ok && d == stored.toDouble();
        }
        return textEquals(stored, wanted, caseInsensitive);
    }
    if (fieldvalue::isNumber(stored) && fieldvalue::isNumber(wanted))
        return stored.toDouble() == wanted.toDouble();
    if (stored.typeId() == QMetaType::QDate && wanted.typeId() == QMetaType::QDateTime)
        return stored.toDate() == wanted.toDateTime().date();
    return stored == wanted;
}

} // namespace

Table::Table() = default;

Table::Table(const QString &fileName)
    : m_fileName(fileName)
{
}

Table::~Table()
{
    if (m_master)
        m_master->removeListener(m_masterListener);
    m_master = nullptr;
    try {
        close();
    } catch (const std::exception &e) {
        qCWarning(lcDbase) << "closing" << m_fileName << "failed:" << e.what();
    }
    auto listeners = m_listeners;
    for (auto &[id, l] : listeners)
        l(*this, Notification::Destroyed);
}

// ---------------------------------------------------------------- opening

void Table::create(const QString &fileName, const FieldList &fields, const QList<TagSpec> &tags,
                   const DbfFile::CreateOptions &options)
{
    const QString path = ProgramFolder::resolve(fileName);
    DbfFile::CreateOptions opts = options;
    opts.productionIndex = false;
    DbfFile::create(path, fields, opts);
    Table t;
    t.m_fileName = path;
    {
        DbfFile dbf;
        dbf.open(path, File::Access::ReadOnly, File::Share::Exclusive);
        if (dbf.hasMemoFields()) {
            t.m_dbf.open(path, File::Access::ReadOnly, File::Share::None);
            MemoFile::create(t.siblingPath(QStringLiteral("dbt")),
                             dbf.dbase4Memo() ? MemoFile::Kind::DBase4 : MemoFile::Kind::DBase3,
                             QFileInfo(path).completeBaseName());
            t.m_dbf.close();
        }
    }
    if (!tags.isEmpty()) {
        t.open(Mode::Exclusive);
        t.createIndex(tags);
        t.close();
    }
}

void Table::setFileName(const QString &fileName)
{
    if (isOpen())
        throw DatabaseError(QStringLiteral("No se puede cambiar el nombre de una tabla abierta."));
    m_fileName = fileName;
}

void Table::open(const QString &fileName, Mode mode)
{
    setFileName(fileName);
    open(mode);
}

QString Table::siblingPath(const QString &extension) const
{
    const QFileInfo info(m_dbf.isOpen() ? m_dbf.path() : ProgramFolder::resolve(m_fileName));
    const QString suffix = info.suffix();
    const bool upper = !suffix.isEmpty() && suffix == suffix.toUpper();
    return ProgramFolder::resolveIn(info.absolutePath(), info.completeBaseName() + QLatin1Char('.')
                                                            + (upper ? extension.toUpper() : extension.toLower()));
}

void Table::finishPendingRenames() const
{
    const QString dbfPath = ProgramFolder::resolve(m_fileName);
    const QString marker = pendingPath(dbfPath);
    QFile f(marker);
    if (!f.exists())
        return;
    if (!f.open(QIODevice::ReadOnly))
        throw DatabaseError(QStringLiteral("No se puede leer el archivo %1.").arg(marker));
    const QList<QByteArray> lines = f.readAll().split('\n');
    f.close();
    const QString folder = QFileInfo(dbfPath).absolutePath();
    for (const QByteArray &line : lines) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() != 2)
            continue;
        const QString from = folder + QLatin1Char('/') + QString::fromUtf8(parts[0]);
        const QString to = folder + QLatin1Char('/') + QString::fromUtf8(parts[1]);
        if (QFile::exists(from) && std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
            throw DatabaseError(QStringLiteral("No se puede reemplazar el archivo %1.").arg(to));
    }
    QFile::remove(marker);
}

void Table::open(Mode mode)
{
    if (isOpen())
        close();
    if (m_fileName.isEmpty())
        throw DatabaseError(QStringLiteral("No se indicó el nombre de la tabla."));
    const QString path = ProgramFolder::resolve(m_fileName);
    if (!QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("No existe la tabla %1.").arg(m_fileName));

    // Leftovers of a process that died while writing: finish a maintenance rewrite whose
    // new files were complete, undo a write group that was not. Only a process that can
    // have the table to itself does this; anyone holding it open is alive and owns them.
    const QString journalPath = Journal::pathFor(path);
    if (QFile::exists(journalPath) || QFile::exists(pendingPath(path))) {
        File probe;
        bool alone = true;
        try {
            probe.open(path, File::Access::ReadWrite, File::Share::Exclusive);
        } catch (const DatabaseError &) {
            alone = false;
        }
        if (alone) {
            finishPendingRenames();
            Journal::rollBack(journalPath);
        }
        probe.close();
    }

    m_mode = mode;
    try {
        m_dbf.open(path, File::Access::ReadWrite,
                   mode == Mode::Exclusive ? File::Share::Exclusive : File::Share::Shared);
        openFiles();
    } catch (...) {
        closeFiles();
        throw;
    }
    m_state = State::Browse;
    m_tag = -1;
    if (!m_indexField.isEmpty() && m_mdx) {
        m_tag = m_mdx->tagForField(m_indexField);
        if (m_tag < 0) {
            m_indexField.clear();
        }
    } else {
        m_indexField.clear();
    }
    m_recno = 0;
    m_record = m_dbf.blankRecord();
    m_bof = m_eof = true;
    m_unsettled = true;
    notify(Notification::Opened);
}

void Table::settle() const
{
    if (!m_unsettled || m_state == State::Inactive)
        return;
    m_unsettled = false;
    const_cast<Table *>(this)->first();
}

QStringList Table::checkIndex() const
{
    requireOpen();
    if (!m_mdx)
        return {};
    return m_mdx->check(m_dbf.recordCount(), [this](std::uint32_t recno, QByteArray &record) {
        record = m_dbf.readRecord(recno);
        return true;
    });
}

void Table::openFiles()
{
    const QString path = m_dbf.path();
    m_journal = std::make_unique<Journal>(Journal::pathFor(path));
    m_dbf.file().setJournal(m_journal.get());
    const File::Share share = File::Share::None; // the DBF's lock stands for the whole table
    if (m_dbf.hasMemoFields()) {
        const QString memoPath = siblingPath(QStringLiteral("dbt"));
        if (!QFileInfo::exists(memoPath))
            throw DatabaseError(QStringLiteral("No existe el archivo de memos %1 de la tabla %2.")
                                    .arg(QFileInfo(memoPath).fileName(), QFileInfo(path).fileName()));
        m_memo = std::make_unique<MemoFile>();
        m_memo->open(memoPath, m_dbf.dbase4Memo() ? MemoFile::Kind::DBase4 : MemoFile::Kind::DBase3,
                     File::Access::ReadWrite, share);
        m_memo->file().setJournal(m_journal.get());
    }
    if (m_dbf.productionIndex()) {
        const QString mdxPath = siblingPath(QStringLiteral("mdx"));
        if (!QFileInfo::exists(mdxPath))
            throw DatabaseError(QStringLiteral("No existe el índice %1 de la tabla %2.")
                                    .arg(QFileInfo(mdxPath).fileName(), QFileInfo(path).fileName()));
        m_mdx = MdxFile::open(mdxPath, m_dbf.fields(), File::Access::ReadWrite, share);
        m_mdx->setJournal(m_journal.get());
    }
}

void Table::closeFiles()
{
    m_cursor.reset();
    m_cursorValid = false;
    if (m_mdx)
        m_mdx->close();
    m_mdx.reset();
    m_memo.reset();
    m_dbf.close();
    m_journal.reset();
}

void Table::close()
{
    if (!isOpen())
        return;
    closeFiles();
    m_state = State::Inactive;
    m_recno = 0;
    m_record.clear();
    m_original.clear();
    m_pendingBlobs.clear();
    m_calcValues.clear();
    m_modified = false;
    m_bof = m_eof = true;
    m_unsettled = false;
    m_tag = -1;
    notify(Notification::Closed);
}

void Table::requireOpen() const
{
    if (!isOpen())
        throw DatabaseError(QStringLiteral("La tabla %1 no está abierta.").arg(m_fileName));
}

QString Table::damage() const
{
    return m_dbf.isOpen() ? m_dbf.damage() : QString();
}

void Table::requireWritable() const
{
    requireOpen();
    m_dbf.requireSound();
}

void Table::requireExclusive(const QString &message) const
{
    if (!isExclusive())
        throw DatabaseError(message);
}

// ---------------------------------------------------------------- fields

bool Table::hasField(const QString &name) const
{
    if (fieldIndex(name) >= 0)
        return true;
    for (const Extra &e : m_extras) {
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

const FieldDescriptor &Table::field(const QString &name) const
{
    requireOpen();
    const int i = fieldIndex(name);
    if (i < 0)
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(m_fileName, name));
    return fields()[i];
}

void Table::addCalculatedField(const QString &name)
{
    if (hasField(name))
        throw DatabaseError(QStringLiteral("La tabla %1 ya tiene el campo %2.").arg(m_fileName, name));
    Extra e;
    e.name = name;
    m_extras.append(e);
}

void Table::addLookupField(const QString &name, const QString &keyField, Table *lookupTable,
                           const QString &lookupKeyField, const QString &resultField)
{
    if (hasField(name))
        throw DatabaseError(QStringLiteral("La tabla %1 ya tiene el campo %2.").arg(m_fileName, name));
    if (!lookupTable)
        throw DatabaseError(QStringLiteral("Falta la tabla del campo %1.").arg(name));
    Extra e;
    e.name = name;
    e.lookup = true;
    e.keyField = keyField;
    e.lookupTable = lookupTable;
    e.lookupKeyField = lookupKeyField;
    e.resultField = resultField;
    m_extras.append(e);
}

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
    m_record = m_dbf.readRecord(recno);
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
        m_record = m_dbf.blankRecord();
        m_calcValues.clear();
        return;
    }
    m_record = m_dbf.readRecord(m_recno);
    if (m_record[0] != DbfFile::kDeleted)
        calculate();
    else
        m_calcValues.clear();
}

void Table::setEmpty()
{
    m_recno = 0;
    m_record = m_dbf.blankRecord();
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
    m_cursorValid = m_cursor->find(m_mdx->keyOf(m_tag, m_record), m_recno);
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
                m_record = m_dbf.readRecord(start);
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
    const QByteArray record = m_record;
    const bool cursorValid = m_cursorValid;
    for (bool ok = moveFrom(true, true); ok; ok = moveFrom(true, false))
        ++n;
    m_recno = start;
    m_record = record;
    m_cursorValid = false;
    if (m_state == State::Browse) {
        reloadCurrent();
        syncCursor();
    }
    (void)cursorValid;
    return n;
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
    const QByteArray saved = m_record;
    const std::uint32_t savedRecno = m_recno;
    QVariant out;
    bool found = false;
    auto check = [&](std::uint32_t r) {
        self.m_record = m_dbf.readRecord(r);
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
        self.m_record = saved;
        self.m_recno = savedRecno;
        throw;
    }
    self.m_record = saved;
    self.m_recno = savedRecno;
    return found ? out : QVariant();
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
        m_masterListener = m_master->addListener([this](Table &, Notification n) { masterChanged(n); });
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

// ---------------------------------------------------------------- values

QByteArray Table::fieldBytes(int i) const
{
    const FieldDescriptor &f = fields()[i];
    if (m_record.size() < f.offset + f.length)
        return QByteArray(f.length, ' ');
    return m_record.mid(f.offset, f.length);
}

QVariant Table::storedValue(int i) const
{
    const FieldDescriptor &f = fields()[i];
    if (!fieldvalue::isMemo(f))
        return fieldvalue::decode(f, QByteArrayView(m_record).sliced(f.offset, f.length));
    if (auto it = m_pendingBlobs.find(i); it != m_pendingBlobs.end())
        return it->second;
    const std::uint32_t block = MemoFile::parsePointer(QByteArrayView(m_record).sliced(f.offset, f.length),
                                                       QFileInfo(m_dbf.path()).fileName());
    if (block == 0)
        return QVariant();
    if (!m_memo)
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene archivo de memos.").arg(m_fileName));
    const QByteArray data = m_memo->read(block);
    if (data.isEmpty())
        return QVariant();
    if (f.type == 'M')
        return fromCp1252(data);
    return data;
}

QVariant Table::value(const QString &name) const
{
    settle();
    requireOpen();
    const int i = fieldIndex(name);
    if (i >= 0) {
        if (m_recno == 0 && m_state == State::Browse)
            return QVariant();
        return storedValue(i);
    }
    for (const Extra &e : m_extras) {
        if (e.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (!e.lookup)
            return m_calcValues.value(e.name.toUpper());
        if (!e.lookupTable->isOpen())
            return QVariant();
        const QVariant key = value(e.keyField);
        if (key.isNull())
            return QVariant();
        return e.lookupTable->lookup(e.lookupKeyField, key, e.resultField);
    }
    throw DatabaseError(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(m_fileName, name));
}

void Table::setValue(const QString &name, const QVariant &v)
{
    requireOpen();
    const int i = fieldIndex(name);
    if (i < 0) {
        for (const Extra &e : m_extras) {
            if (e.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (e.lookup || !m_inCalc)
                throw DatabaseError(QStringLiteral("El campo %1 de la tabla %2 es calculado: no se puede modificar.")
                                        .arg(name, m_fileName));
            m_calcValues.insert(e.name.toUpper(), v);
            return;
        }
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(m_fileName, name));
    }
    if (m_state != State::Edit && m_state != State::Insert)
        throw DatabaseError(QStringLiteral("La tabla %1 no está en modo de edición ni de inserción.").arg(m_fileName));
    const FieldDescriptor &f = fields()[i];
    if (fieldvalue::isMemo(f)) {
        QVariant stored;
        if (v.isNull()) {
            stored = QVariant();
        } else if (f.type == 'M') {
            if (v.typeId() != QMetaType::QString)
                throw DatabaseError(QStringLiteral("El campo %1 es de texto.").arg(f.name));
            stored = v.toString().isEmpty() ? QVariant() : v;
        } else {
            if (v.typeId() != QMetaType::QByteArray)
                throw DatabaseError(QStringLiteral("El campo %1 es binario.").arg(f.name));
            stored = v.toByteArray().isEmpty() ? QVariant() : v;
        }
        if (m_memo && m_memo->kind() == MemoFile::Kind::DBase3 && stored.isValid()) {
            const QByteArray bytes = f.type == 'M' ? toCp1252(stored.toString()) : stored.toByteArray();
            if (bytes.contains(QByteArrayView("\x1A\x1A", 2)))
                throw DatabaseError(QStringLiteral("El campo %1 no puede guardar esos datos en un memo de dBASE III.")
                                        .arg(f.name));
        }
        m_pendingBlobs[i] = stored;
    } else {
        m_record.replace(f.offset, f.length, fieldvalue::encode(f, v));
    }
    m_modified = true;
    if (onFieldChange)
        onFieldChange(*this, f.name);
    calculate();
    notify(Notification::FieldChanged);
}

void Table::loadBlobFromFile(const QString &name, const QString &filePath)
{
    QFile f(filePath);
    if (!f.open(QIODevice::ReadOnly))
        throw DatabaseError(QStringLiteral("No se puede leer el archivo %1.").arg(filePath));
    const QByteArray data = f.readAll();
    const FieldDescriptor &fd = field(name);
    if (fd.type == 'M')
        setValue(name, fromCp1252(data));
    else
        setValue(name, data);
}

void Table::saveBlobToFile(const QString &name, const QString &filePath) const
{
    const FieldDescriptor &fd = field(name);
    const QVariant v = value(name);
    const QByteArray data = fd.type == 'M' ? toCp1252(v.toString()) : v.toByteArray();
    QFile f(filePath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        throw DatabaseError(QStringLiteral("No se puede escribir el archivo %1.").arg(filePath));
}

// ---------------------------------------------------------------- editing

void Table::insert()
{
    settle();
    requireWritable();
    checkBrowseMode();
    if (beforeInsert)
        beforeInsert(*this);
    m_savedRecno = m_recno;
    const QByteArray savedRecord = m_record;
    m_record = m_dbf.blankRecord();
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
        m_record = savedRecord;
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
    m_record = m_dbf.readRecord(m_recno);
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
    Journal::rollBack(m_journal->path());
    m_journal->commit();
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
    m_record = record;
    syncCursor();
    bool found = moveFrom(true, false);
    if (!found) {
        m_record = record;
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

// ---------------------------------------------------------------- notifications

int Table::addListener(Listener listener)
{
    const int id = m_nextListener++;
    m_listeners.emplace(id, std::move(listener));
    return id;
}

void Table::removeListener(int id)
{
    m_listeners.erase(id);
}

void Table::notify(Notification n)
{
    if (m_listeners.empty())
        return;
    auto listeners = m_listeners;
    for (auto &[id, l] : listeners)
        l(*this, n);
}

} // namespace qal::dbase
