#include "OpenDiagnosis.h"

#include "DatabaseError.h"
#include "DbfFile.h"
#include "MdxFile.h"
#include "MemoFile.h"

#include "core/ProgramFolder.h"

#include <QFileInfo>

namespace qal::dbase {

namespace {

QString sibling(const QString &dbfPath, const QString &extension)
{
    const QFileInfo info(dbfPath);
    return ProgramFolder::resolveIn(info.absolutePath(), info.completeBaseName() + QLatin1Char('.') + extension);
}

OpenDiagnosis failed(OpenDiagnosis::Part part, const QString &message, const QString &indexPath = {})
{
    return {part, message, indexPath};
}

} // namespace

OpenDiagnosis diagnoseOpen(const QString &fileName)
{
    const QString path = ProgramFolder::resolve(fileName);
    if (!QFileInfo::exists(path))
        return failed(OpenDiagnosis::Part::Table, QStringLiteral("No existe la tabla %1.").arg(fileName));
    DbfFile dbf;
    try {
        dbf.open(path, File::Access::ReadOnly, File::Share::Shared);
    } catch (const DatabaseError &e) {
        return failed(OpenDiagnosis::Part::Table, e.message());
    }
    if (dbf.isDamaged())
        return failed(OpenDiagnosis::Part::Table, dbf.damage());
    if (dbf.hasMemoFields()) {
        const QString memoPath = sibling(path, QStringLiteral("dbt"));
        try {
            if (!QFileInfo::exists(memoPath))
                throw DatabaseError(QStringLiteral("No existe el archivo de memos %1.").arg(QFileInfo(memoPath).fileName()));
            MemoFile memo;
            memo.open(memoPath, dbf.dbase4Memo() ? MemoFile::Kind::DBase4 : MemoFile::Kind::DBase3,
                      File::Access::ReadOnly, File::Share::None); // the table's lock stands for its files
        } catch (const DatabaseError &e) {
            return failed(OpenDiagnosis::Part::Memo, e.message());
        }
    }
    if (!dbf.productionIndex())
        return {};
    const QString mdxPath = sibling(path, QStringLiteral("mdx"));
    try {
        if (!QFileInfo::exists(mdxPath))
            throw DatabaseError(QStringLiteral("No existe el índice %1 de la tabla %2.")
                                    .arg(QFileInfo(mdxPath).fileName(), QFileInfo(path).fileName()));
        MdxFile::open(mdxPath, dbf.fields(), File::Access::ReadOnly, File::Share::None);
    } catch (const DatabaseError &e) {
        return failed(OpenDiagnosis::Part::Index, e.message(), mdxPath);
    }
    OpenDiagnosis sound;
    sound.indexPath = mdxPath;
    return sound;
}

} // namespace qal::dbase
