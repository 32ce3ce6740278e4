#include "Table.h"

#include "DatabaseError.h"
#include "Journal.h"
#include "Logging.h"
#include "MdxFile.h"
#include "MemoFile.h"
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
        l(*this, Notification::Destroyed, QString());
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
    holdWholeRecord(m_dbf.blankRecord());
    m_bof = m_eof = true;
    m_unsettled = true;
    notify(Notification::Opened);
}

const QString &Table::fileName() const
{
    return m_fileName;
}

bool Table::isOpen() const
{
    return m_state != State::Inactive;
}

bool Table::isExclusive() const
{
    return isOpen() && m_mode == Mode::Exclusive;
}

QString Table::path() const
{
    return m_dbf.path();
}

const DbfFile &Table::dbfFile() const
{
    return m_dbf;
}

Table::State Table::state() const
{
    return m_state;
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
    holdWholeRecord(QByteArray());
    m_fieldsEnd = 0;
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
    if (m_mdx) {
        if (const QString refusal = m_mdx->writeRefusal(); !refusal.isEmpty())
            throw DatabaseError(refusal);
    }
}

void Table::requireExclusive(const QString &message) const
{
    if (!isExclusive())
        throw DatabaseError(message);
}

// ---------------------------------------------------------------- fields

const FieldList &Table::fields() const
{
    return m_dbf.fields();
}

int Table::fieldIndex(const QString &name) const
{
    return m_dbf.fieldIndex(name);
}

int Table::fieldWidth(const QString &name) const
{
    return field(name).length;
}

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

} // namespace qal::dbase
