#include "dbase/ChunkWriter.h"
#include "dbase/DatabaseError.h"
#include "dbase/File.h"

#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace qal::dbase;

TEST(ChunkWriter, WritesEveryPieceWhereItGoesWhileTheCallerReusesItsBuffer)
{
    qal::test::TempFolder dir;
    const QString path = dir.file(QStringLiteral("new.dbf"));
    QByteArray expected;
    {
        File out;
        out.create(path);
        ChunkWriter writer(out);
        QByteArray buffer;
        std::int64_t at = 0;
        for (int piece = 0; piece < 40; ++piece) {
            buffer.truncate(0);
            buffer.append(QByteArray(1000 + piece * 37, char('a' + piece % 26)));
            writer.write(at, buffer);
            expected += buffer;
            at += buffer.size();
            buffer.fill('#'); // what was handed over is not this
        }
        writer.finish();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), expected);
}

TEST(ChunkWriter, AFailedWriteIsThrownToTheCaller)
{
    qal::test::TempFolder dir;
    const QString path = dir.file(QStringLiteral("table.dbf"));
    {
        File created;
        created.create(path);
    }
    File readOnly;
    readOnly.open(path, File::Access::ReadOnly, File::Share::Shared);
    ChunkWriter writer(readOnly);
    writer.write(0, QByteArray(100, 'x'));
    EXPECT_THROW(
        {
            for (int i = 1; i < 10; ++i)
                writer.write(100 * i, QByteArray(100, 'x'));
            writer.finish();
        },
        DatabaseError);
    EXPECT_EQ(QFile(path).size(), 0);
}
