#include "TableCheck.h"

#include "DatabaseError.h"
#include "DbfFile.h"
#include "FieldValue.h"
#include "MdxFile.h"
#include "MemoFile.h"

#include "core/ProgramFolder.h"

#include <QFileInfo>

namespace qal::dbase {
namespace {

QString sibling(const QString &dbfPath, const QString &extension)
{
    const QFileInfo info(dbfPath);
    return ProgramFolder::resolveIn(info.absolutePath(), info.completeBaseName() + extension);
}

void checkRecords(const DbfFile &dbf, MemoFile *memo, QStringList &problems)
{
    for (std::uint32_t r = 1; r <= dbf.recordCount(); ++r) {
        QByteArray record;
        try {
            record = dbf.readRecord(r);
        } catch (const DatabaseError &e) {
            problems << QStringLiteral("Registro %1: %2").arg(r).arg(e.message());
            return; // the rest of the file is past the same damage
        }
        if (record[0] != DbfFile::kLive && record[0] != DbfFile::kDeleted)
            problems << QStringLiteral("Registro %1: marca de borrado inválida (0x%2)")
                            .arg(r)
                            .arg(static_cast<unsigned char>(record[0]), 2, 16, QLatin1Char('0'));
        for (const FieldDescriptor &f : dbf.fields()) {
            const QByteArrayView bytes(record.constData() + f.offset, f.length);
            try {
                if (fieldvalue::isMemo(f)) {
                    const std::uint32_t block = MemoFile::parsePointer(bytes, dbf.path());
                    if (block != 0 && !memo)
                        problems << QStringLiteral("Registro %1, campo %2: no hay archivo de memos").arg(r).arg(f.name);
                    else if (block != 0)
                        memo->read(block);
                } else {
                    fieldvalue::decode(f, bytes);
                }
            } catch (const DatabaseError &e) {
                problems << QStringLiteral("Registro %1, campo %2: %3").arg(r).arg(f.name, e.message());
            }
        }
    }
}

} // namespace

QStringList checkTable(const QString &dbfPath)
{
    QStringList problems;
    DbfFile dbf;
    try {
        dbf.open(dbfPath, File::Access::ReadOnly, File::Share::None);
    } catch (const DatabaseError &e) {
        return {e.message()};
    }
    const qint64 expectedSize = qint64(dbf.headerLength()) + qint64(dbf.recordCount()) * dbf.recordLength();
    if (dbf.file().size() < expectedSize)
        problems << QStringLiteral("El archivo tiene %1 bytes; la cabecera declara %2 registros que necesitan %3.")
                        .arg(dbf.file().size())
                        .arg(dbf.recordCount())
                        .arg(expectedSize);

    std::unique_ptr<MemoFile> memo;
    if (dbf.hasMemoFields()) {
        try {
            memo = std::make_unique<MemoFile>();
            memo->open(sibling(dbfPath, QStringLiteral(".dbt")),
                       dbf.dbase4Memo() ? MemoFile::Kind::DBase4 : MemoFile::Kind::DBase3,
                       File::Access::ReadOnly, File::Share::None);
        } catch (const DatabaseError &e) {
            problems << e.message();
            memo.reset();
        }
    }
    checkRecords(dbf, memo.get(), problems);

    if (dbf.productionIndex()) {
        try {
            auto mdx = MdxFile::open(sibling(dbfPath, QStringLiteral(".mdx")), dbf.fields(), File::Access::ReadOnly,
                                     File::Share::None);
            problems << mdx->check(dbf.recordCount(), [&](std::uint32_t recno, QByteArray &record) {
                try {
                    record = dbf.readRecord(recno);
                    return true;
                } catch (const DatabaseError &) {
                    return false;
                }
            });
        } catch (const DatabaseError &e) {
            problems << e.message();
        }
    }
    return problems;
}

} // namespace qal::dbase
