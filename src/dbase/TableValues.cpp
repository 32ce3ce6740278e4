#include "Table.h"

#include "DatabaseError.h"
#include "FieldValue.h"
#include "MemoFile.h"
#include "core/Cp1252.h"

#include <QFile>
#include <QFileInfo>

namespace qal::dbase {

// ---------------------------------------------------------------- values

QByteArray Table::fieldBytes(int i) const
{
    const FieldDescriptor &f = fields()[i];
    needRecordBytes(f.offset + f.length);
    if (m_record.size() < f.offset + f.length)
        return QByteArray(f.length, ' ');
    return m_record.mid(f.offset, f.length);
}

QVariant Table::storedValue(int i) const
{
    const FieldDescriptor &f = m_dbf.fields()[i];
    needRecordBytes(f.offset + f.length);
    if (!fieldvalue::isMemo(f))
        return fieldvalue::decode(f, QByteArrayView(m_record).sliced(f.offset, f.length));
    if (auto it = m_pendingBlobs.find(i); it != m_pendingBlobs.end())
        return it->second;
    // the file's name is worked out only for the message: most records' memos are blank
    const QByteArrayView pointer = QByteArrayView(m_record).sliced(f.offset, f.length);
    const std::optional<std::uint32_t> parsed = MemoFile::pointerValue(pointer);
    const std::uint32_t block = parsed ? *parsed : MemoFile::parsePointer(pointer, QFileInfo(m_dbf.path()).fileName());
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
    // Read for every field of every record a list shows: the checks are made here, not
    // through calls, and settle() is called only when there is something to settle.
    if (m_unsettled)
        settle();
    if (m_state == State::Inactive)
        requireOpen();
    const int i = m_dbf.fieldIndex(name);
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

bool Table::isNull(const QString &field) const
{
    return value(field).isNull();
}

bool Table::modified() const
{
    return m_modified;
}

const QByteArray &Table::rawRecord() const
{
    settle();
    needRecordBytes(m_dbf.recordLength());
    return m_record;
}

void Table::clearValue(const QString &field)
{
    setValue(field, QVariant());
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
        const QByteArray encoded = fieldvalue::encode(f, v);
        // A value the field already reads as leaves its bytes alone: NULs (dBASE's lock
        // field), 'Y' for true or another writer's number layout stay as they are on disk.
        const QByteArrayView current = QByteArrayView(m_record).sliced(f.offset, f.length);
        if (encoded != current && fieldvalue::decode(f, current) != fieldvalue::decode(f, encoded))
            m_record.replace(f.offset, f.length, encoded);
    }
    m_modified = true;
    if (onFieldChange)
        onFieldChange(*this, f.name);
    calculate();
    notify(Notification::FieldChanged, f.name);
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

} // namespace qal::dbase
