#include "MdxFileImpl.h"

#include "core/Cp1252.h"

#include <QDate>
#include <QFileInfo>

namespace qal::dbase::mdx {

QString baseName(const QString &path)
{
    return QFileInfo(path).fileName();
}

[[noreturn]] void damaged(const QString &path, const QString &why)
{
    throw DatabaseError(QStringLiteral("El índice %1 está dañado: %2. Regenere los índices de la tabla.")
                            .arg(baseName(path), why));
}

// --- opening -----------------------------------------------------------------------------

void MdxFileImpl::load(const QString &path, const FieldList &fields, File::Access access, File::Share share)
{
    m_path = path;
    m_fields = fields;
    m_access = access;
    m_share = share;
    m_file.open(path, access, share);
    m_file.setJournal(m_journal);
    parse();
}

void MdxFileImpl::parse()
{
    m_tags.clear();
    const std::int64_t size = m_file.size();
    if (size < kHeaderPages * kPageSize)
        fail(QStringLiteral("el archivo es demasiado corto (%1 bytes)").arg(size));
    const QByteArray h = m_file.read(0, kHeaderPages * kPageSize);
    if (get8(h, kHdrVersion) != 2)
        fail(QStringLiteral("la versión %1 no es la de un índice dBASE IV").arg(get8(h, kHdrVersion)));
    m_pagesPerBlock = get16(h, kHdrPagesPerBlock);
    m_blockBytes = get16(h, kHdrBlockBytes);
    if (m_pagesPerBlock < 1 || m_pagesPerBlock > kMaxPagesPerBlock || m_blockBytes != m_pagesPerBlock * kPageSize)
        fail(QStringLiteral("el tamaño de bloque (%1 páginas, %2 bytes) no es válido").arg(m_pagesPerBlock).arg(m_blockBytes));
    if (get8(h, kHdrEntrySize) != kTagEntrySize)
        fail(QStringLiteral("la tabla de etiquetas no tiene entradas de %1 bytes").arg(kTagEntrySize));
    const int used = get16(h, kHdrTagsUsed);
    if (used > kMaxTags)
        fail(QStringLiteral("dice tener %1 etiquetas").arg(used));
    const std::uint32_t pages = get32(h, kHdrPages);
    if (pages < std::uint32_t(kHeaderPages) || std::int64_t(pages) * kPageSize > size)
        fail(QStringLiteral("dice tener %1 páginas y el archivo mide %2 bytes").arg(pages).arg(size));
    m_languageDriver = get8(h, kHdrLanguageDriver);
    m_tableName = fromCp1252(QByteArrayView(h.constData() + kHdrTableName, 16)).section(QChar(0), 0, 0);

    for (int i = 0; i < used; ++i) {
        const int e = kTagTableOffset + i * kTagEntrySize;
        OpenTag tag;
        tag.headerPage = get32(h, e + kEntHeaderPage);
        const QString name = fromCp1252(QByteArrayView(h.constData() + e + kEntName, 11)).section(QChar(0), 0, 0).trimmed();
        const QString label = name.isEmpty() ? QString::number(i + 1) : name;
        if (name.isEmpty())
            fail(QStringLiteral("la etiqueta %1 no tiene nombre").arg(i + 1));
        if (tag.headerPage < std::uint32_t(kHeaderPages) || tag.headerPage >= pages ||
            std::int64_t(tag.headerPage) * kPageSize + kPageSize > size)
            fail(QStringLiteral("la cabecera de la etiqueta %1 está fuera del archivo").arg(label));
        const QByteArray th = m_file.read(std::int64_t(tag.headerPage) * kPageSize,
                                          std::min<std::int64_t>(m_blockBytes, size - std::int64_t(tag.headerPage) * kPageSize));
        tag.format = get8(th, kTagFormat);
        const char type = char(get8(th, kTagType));
        const int keyLength = get16(th, kTagKeyLength);
        tag.itemLength = get16(th, kTagItemLength);
        tag.maxKeys = get16(th, kTagMaxKeys);
        const QByteArray exprBytes = th.mid(kTagExpression, kTagExpressionEnd - kTagExpression);
        const qsizetype nul = exprBytes.indexOf('\0');
        if (nul <= 0)
            fail(QStringLiteral("la etiqueta %1 no tiene una expresión de clave").arg(label));
        if (type != 'C' && type != 'N' && type != 'D')
            fail(QStringLiteral("la etiqueta %1 tiene un tipo de clave desconocido").arg(label));
        if (keyLength < 1 || keyLength > 100 || tag.itemLength < keyLength + 4 ||
            tag.itemLength > m_blockBytes - 12 || tag.maxKeys < 1 ||
            tag.maxKeys * tag.itemLength > m_blockBytes - 12)
            fail(QStringLiteral("la etiqueta %1 tiene medidas de clave imposibles").arg(label));

        tag.info.spec.name = name;
        tag.info.spec.expression = fromCp1252(exprBytes.left(nul));
        tag.info.spec.descending = (tag.format & kFormatDescending) != 0;
        tag.info.spec.unique = (tag.format & kFormatUnique) != 0;
        tag.info.type = KeyType(type);
        tag.info.keyLength = keyLength;
        bool hasFor = get8(th, kTagHasFor) != 0;
        QString condition;
        if (hasFor && th.size() >= kTagForExpressionEnd) {
            const QByteArray forBytes = th.mid(kTagForExpression, kTagForExpressionEnd - kTagForExpression);
            condition = fromCp1252(forBytes.left(forBytes.indexOf('\0'))).trimmed();
        }
        if (hasFor && condition.isEmpty())
            tag.info.beyond = QStringLiteral("No se encuentra su condición FOR.");
        compileTag(tag, condition);
        m_tags.push_back(std::move(tag));
    }
}

// A tag whose expression uses what the engine cannot compute is kept for walking, with the
// reason; one that is no expression of this table, or whose key the header contradicts,
// means the index is not this table's or is damaged.
void MdxFileImpl::compileTag(OpenTag &tag, const QString &condition)
{
    const QString &name = tag.info.spec.name;
    tag.info.spec.forCondition = condition;
    if (!tag.info.beyond.isEmpty())
        return;
    try {
        tag.expression = KeyExpression::compile(tag.info.spec.expression, m_fields);
        if (!condition.isEmpty())
            tag.condition = KeyCondition::compile(condition, m_fields);
    } catch (const ExpressionBeyondEngine &e) {
        tag.expression = KeyExpression();
        tag.info.beyond = e.message();
        return;
    } catch (const DatabaseError &e) {
        throw DatabaseError(QStringLiteral("El índice %1 no se puede usar con esta tabla (etiqueta %2): %3")
                                .arg(baseName(m_path), name, e.message()));
    }
    if (tag.expression.type() != tag.info.type || tag.expression.length() != tag.info.keyLength)
        fail(QStringLiteral("la clave de la etiqueta %1 no corresponde a su expresión «%2»")
                 .arg(name, tag.info.spec.expression));
    tag.info.field = tag.expression.field();
}

QString MdxFileImpl::writeRefusal() const
{
    for (const OpenTag &tag : m_tags) {
        if (!tag.info.beyond.isEmpty())
            return QStringLiteral("La tabla %1 sólo se puede leer: la etiqueta %2 de su índice %3 tiene una expresión "
                                  "que este programa no sabe calcular («%4»), y escribir la dejaría desactualizada.")
                .arg(m_tableName.isEmpty() ? QFileInfo(m_path).completeBaseName() : m_tableName, tag.info.spec.name,
                     baseName(m_path), tag.info.spec.expression);
    }
    return {};
}

QStringList MdxFileImpl::unverifiedTags() const
{
    QStringList lines;
    for (const OpenTag &tag : m_tags) {
        if (!tag.info.beyond.isEmpty())
            lines << QStringLiteral("Etiqueta %1: no se puede verificar. %2").arg(tag.info.spec.name, tag.info.beyond);
    }
    return lines;
}

QByteArray MdxFileImpl::keyFor(int tagIndex, const QVariant &value) const
{
    const OpenTag &tag = checkedTag(tagIndex);
    // A tag beyond the engine has no compiled expression: a key for it is only padded.
    switch (tag.info.type) {
    case KeyType::Character: {
        QByteArray key = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : toCp1252(value.toString());
        if (tag.expression.upperCase())
            key = upperCp1252(key);
        key = key.left(tag.info.keyLength);
        return key + QByteArray(tag.info.keyLength - key.size(), ' ');
    }
    case KeyType::Numeric:
        if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
            return numeric_key::fromText(value.toByteArray());
        return numeric_key::fromDouble(value.toDouble());
    case KeyType::Date: {
        const QDate date = value.toDate();
        return date_key::fromJulianDay(date.isValid() ? double(date.toJulianDay()) : 0);
    }
    }
    return {};
}

} // namespace qal::dbase::mdx

namespace qal::dbase {

std::unique_ptr<MdxFile> MdxFile::open(const QString &path, const FieldList &fields, File::Access access,
                                       File::Share share)
{
    auto index = std::make_unique<mdx::MdxFileImpl>();
    index->load(path, fields, access, share);
    return index;
}

} // namespace qal::dbase
