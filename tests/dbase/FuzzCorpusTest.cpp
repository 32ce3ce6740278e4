// Every input the fuzzers kept (and every crash they ever found) read again in the test
// build, with its sanitizers: each gives values or a DatabaseError, nothing else.

#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/MemoFile.h"
#include "dbase/Table.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;

namespace {

QStringList inputs(const QString &target)
{
    QStringList out;
    for (const QString &folder : {QStringLiteral("corpus/") + target, QStringLiteral("crashes")}) {
        const QDir dir(QStringLiteral(QAL_SOURCE_DIR "/tests/fuzz/") + folder);
        for (const QString &name : dir.entryList(QDir::Files)) {
            if (folder != QLatin1String("crashes") || name.startsWith(target))
                out << dir.filePath(name);
        }
    }
    return out;
}

} // namespace

TEST(FuzzCorpus, TablesReadOrFailCleanly)
{
    test::ProgramFolderScope folder;
    const QStringList files = inputs(QStringLiteral("fuzz_dbf"));
    ASSERT_FALSE(files.isEmpty());
    for (const QString &input : files) {
        QFile::remove(folder.dir.file("FUZZ.DBT"));
        QFile::copy(input, folder.dir.file("FUZZ.DBF"));
        QFile(folder.dir.file("FUZZ.DBF")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        MemoFile::create(folder.dir.file("FUZZ.DBT"), MemoFile::Kind::DBase4, QStringLiteral("FUZZ"));
        try {
            Table t(QStringLiteral("FUZZ.DBF"));
            t.open();
            for (t.first(); !t.eof(); t.next()) {
                for (const FieldDescriptor &f : t.fields())
                    (void)t.value(f.name);
            }
        } catch (const DatabaseError &e) {
            EXPECT_FALSE(e.message().isEmpty()) << input.toStdString();
        }
        QFile::remove(folder.dir.file("FUZZ.DBF"));
    }
}

TEST(FuzzCorpus, MemoFilesReadOrFailCleanly)
{
    test::TempFolder dir;
    const QStringList files = inputs(QStringLiteral("fuzz_dbt"));
    ASSERT_FALSE(files.isEmpty());
    for (const QString &input : files) {
        for (MemoFile::Kind kind : {MemoFile::Kind::DBase3, MemoFile::Kind::DBase4}) {
            QFile::remove(dir.file("FUZZ.DBT"));
            QFile::copy(input, dir.file("FUZZ.DBT"));
            QFile(dir.file("FUZZ.DBT")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            try {
                MemoFile memo;
                memo.open(dir.file("FUZZ.DBT"), kind, File::Access::ReadWrite, File::Share::Exclusive);
                for (std::uint32_t block = 1; block <= 16; ++block) {
                    try {
                        (void)memo.read(block);
                    } catch (const DatabaseError &) {
                    }
                }
                memo.release(memo.write(QByteArray(700, 'x'), 2));
                (void)memo.write(QByteArray(100, 'z'), 1);
            } catch (const DatabaseError &e) {
                EXPECT_FALSE(e.message().isEmpty()) << input.toStdString();
            }
        }
    }
}
