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

void checkRecords(const DbfFile &dbf, MemoFile *memo, const ProblemReport &problem)
{
    for (std::uint32_t r = 1; r <= dbf.recordCount(); ++r) {
        QByteArray record;
        try {
            record = dbf.readRecord(r);
        } catch (const DatabaseError &e) {
            problem(QStringLiteral("Registro %1: %2").arg(r).arg(e.message()));
            return; // the rest of the file is past the same damage
        }
        if (record[0] != DbfFile::kLive && record[0] != DbfFile::kDeleted)
            problem(QStringLiteral("Registro %1: marca de borrado inválida (0x%2)")
                        .arg(r)
                        .arg(static_cast<unsigned char>(record[0]), 2, 16, QLatin1Char('0')));
        for (const FieldDescriptor &f : dbf.fields()) {
            const QByteArrayView bytes(record.constData() + f.offset, f.length);
            try {
                if (fieldvalue::isMemo(f)) {
                    const std::uint32_t block = MemoFile::parsePointer(bytes, dbf.path());
                    if (block != 0 && !memo)
                        problem(QStringLiteral("Registro %1, campo %2: no hay archivo de memos").arg(r).arg(f.name));
                    else if (block != 0)
                        memo->read(block);
                } else {
                    fieldvalue::decode(f, bytes);
                }
            } catch (const DatabaseError &e) {
                problem(QStringLiteral("Registro %1, campo %2: %3").arg(r).arg(f.name, e.message()));
            }
        }
    }
}

} // namespace

QStringList checkTable(const QString &dbfPath)
{
    QStringList problems;
    qint64 unlisted = 0;
    checkTable(dbfPath, [&](const QString &problem) {
        if (problems.size() < kMaxListedProblems)
            problems << problem;
        else
            ++unlisted;
    });
    if (unlisted > 0)
        problems << QStringLiteral("... y %1 problemas más.").arg(unlisted);
    return problems;
}

void checkTable(const QString &dbfPath, const ProblemReport &problem)
{
    DbfFile dbf;
    try {
        dbf.open(dbfPath, File::Access::ReadOnly, File::Share::None);
    } catch (const DatabaseError &e) {
        problem(e.message());
        return;
    }
    // A count past the end was cut to the records present; the damage says what the header claims.
    if (dbf.isDamaged())
        problem(dbf.damage());

    std::unique_ptr<MemoFile> memo;
    if (dbf.hasMemoFields()) {
        try {
            memo = std::make_unique<MemoFile>();
            memo->open(sibling(dbfPath, QStringLiteral(".dbt")),
                       dbf.dbase4Memo() ? MemoFile::Kind::DBase4 : MemoFile::Kind::DBase3,
                       File::Access::ReadOnly, File::Share::None);
        } catch (const DatabaseError &e) {
            problem(e.message());
            memo.reset();
        }
    }
    checkRecords(dbf, memo.get(), problem);

    if (dbf.productionIndex()) {
        try {
            auto mdx = MdxFile::open(sibling(dbfPath, QStringLiteral(".mdx")), dbf.fields(), File::Access::ReadOnly,
                                     File::Share::None);
            const QStringList indexProblems = mdx->check(dbf.recordCount(), [&](std::uint32_t recno, QByteArray &record) {
                try {
                    record = dbf.readRecord(recno);
                    return true;
                } catch (const DatabaseError &) {
                    return false;
                }
            });
            for (const QString &p : indexProblems)
                problem(p);
            for (const QString &p : mdx->unverifiedTags())
                problem(p);
        } catch (const DatabaseError &e) {
            problem(e.message());
        }
    }
}

} // namespace qal::dbase
