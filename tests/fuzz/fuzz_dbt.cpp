// A .DBT read through a fixed table whose records point at blocks 1..16, as dBASE III and
// as dBASE IV memo files, and written to: every failure must be a DatabaseError.

#include "dbase/DatabaseError.h"
#include "dbase/MemoFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FUZZ.DBT"));
    using qal::dbase::MemoFile;
    for (MemoFile::Kind kind : {MemoFile::Kind::DBase3, MemoFile::Kind::DBase4}) {
        {
            QFile f(path);
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write(reinterpret_cast<const char *>(data), qint64(size));
        }
        try {
            MemoFile memo;
            memo.open(path, kind, qal::dbase::File::Access::ReadWrite, qal::dbase::File::Share::Exclusive);
            for (std::uint32_t block = 1; block <= 16; ++block) {
                try {
                    (void)memo.read(block);
                } catch (const qal::dbase::DatabaseError &) {
                }
            }
            // writes walk the free list the file claims
            const std::uint32_t b = memo.write(QByteArray(700, 'x'), 2);
            memo.release(b);
            (void)memo.write(QByteArray(100, 'y'), 0);
            (void)memo.write(QByteArray(100, 'z'), 1);
        } catch (const qal::dbase::DatabaseError &) {
        }
    }
    return 0;
}
