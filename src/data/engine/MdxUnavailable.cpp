// Used only while this tree has no production-index implementation: a table whose header
// says it has an index cannot be opened, and no index can be made.

#include "DatabaseError.h"
#include "MdxFile.h"

#include <QFileInfo>

namespace qal::db {

std::unique_ptr<MdxFile> MdxFile::open(const QString &path, const FieldList &, File::Access, File::Share)
{
    throw DatabaseError(QStringLiteral("No se puede leer el índice %1.").arg(QFileInfo(path).fileName()));
}

void MdxFile::create(const QString &path, const QString &, std::uint8_t, const FieldList &, const QList<TagSpec> &,
                     std::uint32_t, const RecordSource &)
{
    throw DatabaseError(QStringLiteral("No se puede crear el índice %1.").arg(QFileInfo(path).fileName()));
}

} // namespace qal::db
