#include "TableRecovery.h"

#include "dbase/DatabaseError.h"
#include "dbase/DbfFile.h"
#include "dbase/OpenDiagnosis.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>

namespace qal {

QString keepCopy(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1;; ++n) {
        const QString name = info.completeBaseName() + QStringLiteral("_orig")
                             + (n == 1 ? QString() : QString::number(n)) + suffix;
        const QString copy = info.absolutePath() + QLatin1Char('/') + name;
        if (QFileInfo::exists(copy))
            continue;
        if (!QFile::copy(path, copy))
            throw dbase::DatabaseError(QStringLiteral("No se pudo copiar %1 antes de repararlo.").arg(info.fileName()));
        return name;
    }
}

QStringList rebuildIndex(const QString &fileName, const QList<dbase::TagSpec> &tags)
{
    QStringList copies;
    const QString path = ProgramFolder::resolve(fileName);
    const dbase::OpenDiagnosis diagnosis = dbase::diagnoseOpen(fileName);
    if (diagnosis.part == dbase::OpenDiagnosis::Part::Table || diagnosis.part == dbase::OpenDiagnosis::Part::Memo)
        throw dbase::DatabaseError(diagnosis.message);
    if (!diagnosis.indexPath.isEmpty() && QFileInfo::exists(diagnosis.indexPath)) {
        copies << keepCopy(diagnosis.indexPath);
        QFile::remove(diagnosis.indexPath);
    }
    {
        // Without its index file the table opens only once its header stops naming one.
        dbase::DbfFile dbf;
        dbf.open(path, dbase::File::Access::ReadWrite, dbase::File::Share::Exclusive);
        if (dbf.productionIndex())
            dbf.setProductionIndex(false);
        dbf.close();
    }
    dbase::Table table(fileName);
    table.open(dbase::Table::Mode::Exclusive);
    if (!tags.isEmpty())
        table.createIndex(tags);
    table.close();
    return copies;
}

QStringList repairTable(const QString &fileName)
{
    const QString path = ProgramFolder::resolve(fileName);
    dbase::DbfFile dbf;
    dbf.open(path, dbase::File::Access::ReadWrite, dbase::File::Share::Exclusive);
    if (!dbf.isDamaged())
        return {};
    const QString damage = dbf.damage();
    const std::uint32_t present = dbf.recordsInFile();
    // A field list without its terminator cannot be told from shifted records: no automatic
    // repair guesses the missing fields.
    if (dbf.fields().isEmpty() || damage.contains(QStringLiteral("lista de campos")))
        throw dbase::DatabaseError(damage + QStringLiteral(" No se puede reparar automáticamente."));
    // The count is taken from the file only when the file is whole records (and the end mark).
    const std::int64_t tail = dbf.file().size() - dbf.headerLength() - std::int64_t(present) * dbf.recordLength();
    if (tail > 1)
        throw dbase::DatabaseError(damage + QStringLiteral(" El archivo termina con un registro incompleto; no se "
                                                           "puede reparar automáticamente."));
    dbf.close();
    const QString copy = keepCopy(path);
    dbf.open(path, dbase::File::Access::ReadWrite, dbase::File::Share::Exclusive);
    dbf.repairCount(present);
    dbf.close();
    return {damage,
            QStringLiteral("Copia del archivo original: %1").arg(copy),
            QStringLiteral("Cantidad de registros corregida a %1.").arg(present)};
}

} // namespace qal
