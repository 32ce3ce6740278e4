// Table maintenance: pack, index regeneration and restructuring. Each of them writes new
// files beside the old ones ("<name>.qtmp"), then records the renames in "<base>.qpk" and
// performs them; a process killed before the marker is complete leaves the old table
// untouched, one killed after it leaves renames that the next open finishes.

#include "Table.h"

#include "DatabaseError.h"
#include "FieldValue.h"
#include "Journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace qal::db {
namespace {

constexpr qsizetype kWriteChunk = 1 << 20;

void putU16(QByteArray &b, int at, int v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

void putU32(QByteArray &b, int at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

QString tempPath(const QString &path)
{
    return path + QStringLiteral(".qtmp");
}

// Moves the finished files over the old ones, through the marker that lets a later open
// finish the job.
void replaceFiles(const QString &marker, const QList<QPair<QString, QString>> &renames)
{
    QByteArray text;
    for (const auto &[from, to] : renames)
        text += QFileInfo(from).fileName().toUtf8() + '\t' + QFileInfo(to).fileName().toUtf8() + '\n';
    const QString markerTemp = marker + QStringLiteral(".qtmp");
    {
        QFile f(markerTemp);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
            throw DatabaseError(QStringLiteral("No se puede escribir el archivo %1.").arg(markerTemp));
    }
    if (std::rename(QFile::encodeName(markerTemp).constData(), QFile::encodeName(marker).constData()) != 0)
        throw DatabaseError(QStringLiteral("No se puede escribir el archivo %1.").arg(marker));
    for (const auto &[from, to] : renames) {
        if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
            throw DatabaseError(QStringLiteral("No se puede reemplazar el archivo %1.").arg(to));
    }
    QFile::remove(marker);
}

} // namespace

void Table::rewrite(const FieldList &newFields, const QByteArray &newHeader, bool dropDeleted, bool copyMemos,
                    const std::function<QByteArray(const QByteArray &)> &convert)
{
    if (m_state == State::Edit || m_state == State::Insert) {
        m_state = State::Browse;
        m_pendingBlobs.clear();
        m_modified = false;
    }
    const QString dbfPath = m_dbf.path();
    const QString base = QFileInfo(dbfPath).completeBaseName();
    const QString marker = QFileInfo(dbfPath).dir().filePath(base + QStringLiteral(".qpk"));
    QList<TagSpec> tags;
    if (m_mdx) {
        for (int i = 0; i < m_mdx->tagCount(); ++i)
            tags.append(m_mdx->tag(i).spec);
    }
    QList<QPair<QString, QString>> renames;
    try {
        // The new DBF, written in large pieces.
        const QString newDbf = tempPath(dbfPath);
        renames.append({newDbf, dbfPath});
        QByteArray header = newHeader;
        const int headerLength = int(std::uint8_t(header[8])) | int(std::uint8_t(header[9])) << 8;
        std::uint32_t count = 0;
        {
            File out;
            out.create(newDbf);
            std::unique_ptr<MemoFile> newMemo;
            if (copyMemos && m_memo) {
                const QString memoPath = siblingPath(QStringLiteral("dbt"));
                const QString newMemoPath = tempPath(memoPath);
                renames.append({newMemoPath, memoPath});
                MemoFile::create(newMemoPath, m_memo->kind(), base, m_memo->blockSize());
                newMemo = std::make_unique<MemoFile>();
                newMemo->open(newMemoPath, m_memo->kind(), File::Access::ReadWrite, File::Share::Exclusive);
            }
            // The new index takes each record's keys as it is copied.
            std::unique_ptr<MdxFile::Builder> index;
            if (!tags.isEmpty()) {
                const QString mdxPath = siblingPath(QStringLiteral("mdx"));
                const QString newMdx = tempPath(mdxPath);
                renames.append({newMdx, mdxPath});
                index = std::make_unique<MdxFile::Builder>(newMdx, newFields, tags, m_dbf.recordCount());
            }
            QByteArray buffer;
            std::int64_t pos = headerLength;
            const std::uint32_t total = m_dbf.recordCount();
            for (std::uint32_t r = 1; r <= total; ++r) {
                const QByteArray old = m_dbf.readRecord(r);
                if (dropDeleted && old[0] == DbfFile::kDeleted)
                    continue;
                QByteArray rec = convert(old);
                if (newMemo) {
                    for (const FieldDescriptor &f : newFields) {
                        if (!fieldvalue::isMemo(f))
                            continue;
                        const std::uint32_t block = MemoFile::parsePointer(QByteArrayView(rec).sliced(f.offset, f.length),
                                                                           QFileInfo(dbfPath).fileName());
                        const std::uint32_t moved = block == 0 ? 0 : newMemo->write(m_memo->read(block), 0);
                        rec.replace(f.offset, f.length, MemoFile::formatPointer(moved));
                    }
                }
                buffer.append(rec);
                ++count;
                if (index)
                    index->add(count, rec);
                if (buffer.size() >= kWriteChunk) {
                    out.write(pos, buffer);
                    pos += buffer.size();
                    buffer.clear();
                }
            }
            buffer.append('\x1A');
            out.write(pos, buffer);
            putU32(header, 4, count);
            out.write(0, header);
            if (index)
                index->write(base, m_dbf.languageDriver());
        }
        // Stamp the date the way every write does.
        {
            DbfFile fresh;
            fresh.open(newDbf, File::Access::ReadWrite, File::Share::None);
            fresh.touch();
        }

    } catch (...) {
        for (const auto &[from, to] : renames)
            QFile::remove(from);
        throw;
    }

    closeFiles();
    try {
        replaceFiles(marker, renames);
    } catch (...) {
        // Whatever happened, the marker (if written) lets the next open finish.
        m_dbf.open(dbfPath, File::Access::ReadWrite, File::Share::Exclusive);
        openFiles();
        throw;
    }
    m_dbf.open(dbfPath, File::Access::ReadWrite, File::Share::Exclusive);
    openFiles();
    m_cursor.reset();
    m_cursorValid = false;
    m_tag = (!m_indexField.isEmpty() && m_mdx) ? m_mdx->tagForField(m_indexField) : -1;
    if (m_tag < 0)
        m_indexField.clear();
    first();
}

void Table::pack()
{
    requireOpen();
    requireExclusive(QStringLiteral("Table must be opened exclusive to pack"));
    // Nothing to remove: the files stay as they are and only the index is regenerated.
    if (!m_dbf.hasDeletedRecords()) {
        checkBrowseMode();
        regenerateIndexes();
        return;
    }
    const QByteArray header = m_dbf.file().read(0, m_dbf.headerLength());
    rewrite(fields(), header, true, true, [](const QByteArray &r) { return r; });
}

void Table::regenerateIndexes()
{
    requireOpen();
    requireExclusive(QStringLiteral("La tabla %1 debe estar abierta en forma exclusiva para regenerar sus índices.")
                         .arg(m_fileName));
    if (!m_mdx)
        return;
    QList<TagSpec> tags;
    for (int i = 0; i < m_mdx->tagCount(); ++i)
        tags.append(m_mdx->tag(i).spec);
    createIndex(tags);
}

void Table::createIndex(const QList<TagSpec> &tags)
{
    requireOpen();
    requireExclusive(QStringLiteral("La tabla %1 debe estar abierta en forma exclusiva para crear su índice.")
                         .arg(m_fileName));
    checkBrowseMode();
    const QString mdxPath = siblingPath(QStringLiteral("mdx"));
    m_cursor.reset();
    m_cursorValid = false;
    if (m_mdx)
        m_mdx->close();
    m_mdx.reset();
    MdxFile::create(mdxPath, QFileInfo(m_dbf.path()).completeBaseName(), m_dbf.languageDriver(), fields(), tags,
                    m_dbf.recordCount(), [this](std::uint32_t recno, QByteArray &record) {
                        record = m_dbf.readRecord(recno);
                        return true;
                    });
    if (!m_dbf.productionIndex()) {
        m_dbf.setProductionIndex(true);
        m_journal->commit();
    }
    m_mdx = MdxFile::open(mdxPath, fields(), File::Access::ReadWrite, File::Share::None);
    m_mdx->setJournal(m_journal.get());
    m_tag = !m_indexField.isEmpty() ? m_mdx->tagForField(m_indexField) : -1;
    if (m_tag < 0)
        m_indexField.clear();
    first();
}

void Table::changeFieldWidth(const QString &name, int newWidth, int newDecimals)
{
    requireOpen();
    requireExclusive(QStringLiteral("La tabla %1 debe estar abierta en forma exclusiva para cambiar su estructura.")
                         .arg(m_fileName));
    const int index = fieldIndex(name);
    if (index < 0)
        throw DatabaseError(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(m_fileName, name));
    const FieldList oldFields = fields();
    const FieldDescriptor &old = oldFields[index];
    if (old.type != 'C' && old.type != 'N' && old.type != 'F')
        throw DatabaseError(QStringLiteral("El ancho del campo %1 no se puede cambiar.").arg(old.name));
    FieldList newFields = oldFields;
    newFields[index].length = newWidth;
    if (newDecimals >= 0)
        newFields[index].decimals = newDecimals;
    DbfFile::layOut(newFields);
    const FieldDescriptor changed = newFields[index];
    if (changed.type != 'C' && changed.decimals != old.decimals)
        throw DatabaseError(QStringLiteral("Sólo se puede cambiar el ancho del campo %1.").arg(old.name));

    QByteArray header = m_dbf.file().read(0, m_dbf.headerLength());
    const int at = DbfFile::kHeaderSize + DbfFile::kDescriptorSize * index;
    header[at + 16] = char(changed.length);
    header[at + 17] = char(changed.decimals);
    int recordLength = 1;
    for (const FieldDescriptor &f : newFields)
        recordLength += f.length;
    putU16(header, 10, recordLength);

    rewrite(newFields, header, false, false, [&](const QByteArray &rec) {
        QByteArray out(recordLength, ' ');
        out[0] = rec[0];
        for (int i = 0; i < newFields.size(); ++i) {
            const QByteArray bytes = rec.mid(oldFields[i].offset, oldFields[i].length);
            QByteArray moved = bytes;
            if (i == index) {
                if (old.type == 'C') {
                    qsizetype n = bytes.size();
                    while (n > changed.length && (bytes[n - 1] == ' ' || bytes[n - 1] == '\0'))
                        --n;
                    if (n > changed.length)
                        throw DatabaseError(QStringLiteral("El valor \"%1\" del campo %2 no cabe en el nuevo ancho.")
                                                .arg(QString::fromLatin1(bytes).trimmed(), old.name));
                    moved = bytes.left(n).leftJustified(changed.length, ' ');
                } else {
                    const QByteArray t = bytes.trimmed();
                    if (t.size() > changed.length)
                        throw DatabaseError(QStringLiteral("El valor %1 del campo %2 no cabe en el nuevo ancho.")
                                                .arg(QString::fromLatin1(t), old.name));
                    moved = t.rightJustified(changed.length, ' ');
                }
            }
            out.replace(newFields[i].offset, newFields[i].length, moved);
        }
        return out;
    });
}

void Table::addField(const FieldDescriptor &added)
{
    requireOpen();
    requireExclusive(QStringLiteral("La tabla %1 debe estar abierta en forma exclusiva para cambiar su estructura.")
                         .arg(m_fileName));
    if (added.type != 'C' && added.type != 'N' && added.type != 'F' && added.type != 'D' && added.type != 'L')
        throw DatabaseError(QStringLiteral("No se puede agregar un campo de tipo %1.").arg(QLatin1Char(added.type)));
    if (fieldIndex(added.name) >= 0)
        throw DatabaseError(QStringLiteral("La tabla %1 ya tiene el campo %2.").arg(m_fileName, added.name));
    const FieldList oldFields = fields();
    FieldList newFields = oldFields;
    newFields.append(added);
    DbfFile::layOut(newFields);
    const FieldDescriptor &f = newFields.last();

    const int n = int(oldFields.size());
    const QByteArray oldHeader = m_dbf.file().read(0, DbfFile::kHeaderSize + DbfFile::kDescriptorSize * n);
    QByteArray descriptor(DbfFile::kDescriptorSize, '\0');
    const QByteArray nameBytes = f.name.toLatin1();
    descriptor.replace(0, nameBytes.size(), nameBytes);
    descriptor[11] = f.type;
    descriptor[16] = char(f.length);
    descriptor[17] = char(f.decimals);
    QByteArray header = oldHeader + descriptor + QByteArray(1, '\x0D');
    int recordLength = 1;
    for (const FieldDescriptor &d : newFields)
        recordLength += d.length;
    putU16(header, 8, int(header.size()));
    putU16(header, 10, recordLength);

    const int keep = f.offset;
    rewrite(newFields, header, false, false, [&](const QByteArray &rec) {
        QByteArray out = rec.left(keep);
        out.append(QByteArray(recordLength - keep, ' '));
        return out;
    });
}

} // namespace qal::db
