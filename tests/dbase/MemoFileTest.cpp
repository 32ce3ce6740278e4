#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/MemoFile.h"

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;

namespace {

QByteArray u32(std::uint32_t v)
{
    return QByteArray(reinterpret_cast<const char *>(&v), 4);
}

class MemoFileTest : public ::testing::Test
{
protected:
    void open(MemoFile::Kind kind, int blockSize = 512)
    {
        MemoFile::create(dir.file("t.dbt"), kind, QStringLiteral("ped"), blockSize);
        memo.open(dir.file("t.dbt"), kind, File::Access::ReadWrite, File::Share::Exclusive);
    }
    QByteArray bytes() { return test::readAll(dir.file("t.dbt")); }

    test::TempFolder dir;
    MemoFile memo;
};

} // namespace

TEST_F(MemoFileTest, DBase4LayoutIsLengthPrefixedAndBinarySafe)
{
    open(MemoFile::Kind::DBase4);
    const QByteArray header = bytes();
    EXPECT_EQ(header.size(), 512);
    EXPECT_EQ(header.left(4), u32(1));
    EXPECT_EQ(header.mid(8, 8), QByteArray("PED\0\0\0\0\0", 8));
    EXPECT_EQ(header.mid(18, 4), QByteArray("\x02\x01\x00\x02", 4));

    const QByteArray blob = QByteArray("\0\x1A\x1A\xFF", 4).repeated(200);
    EXPECT_EQ(memo.write(blob, 0), 1u);
    EXPECT_EQ(memo.write("second", 0), 3u);
    const QByteArray b = bytes();
    EXPECT_EQ(b.size(), 4 * 512);
    EXPECT_EQ(b.mid(512, 8), QByteArray("\xFF\xFF\x08\x00", 4) + u32(808));
    EXPECT_EQ(b.left(4), u32(4)); // header: first block past the end
    EXPECT_EQ(memo.read(1), blob);
    EXPECT_EQ(memo.read(3), QByteArray("second"));
    EXPECT_EQ(memo.write("", 3), 0u); // empty is no block
}

TEST_F(MemoFileTest, FreedRunsAreReusedThroughTheFreeList)
{
    open(MemoFile::Kind::DBase4);
    const std::uint32_t a = memo.write(QByteArray(1200, 'a'), 0); // 3 blocks at 1
    const std::uint32_t b = memo.write(QByteArray(10, 'b'), 0);   // block 4
    ASSERT_EQ(a, 1u);
    ASSERT_EQ(b, 4u);
    // growing b past its block frees it and appends
    const std::uint32_t b2 = memo.write(QByteArray(600, 'B'), b);
    EXPECT_EQ(b2, 5u);
    EXPECT_EQ(bytes().left(4), u32(4)); // the free run at 4
    EXPECT_EQ(bytes().mid(4 * 512, 8), u32(7) + u32(1)); // (next: the end, one block)
    // a small memo takes the freed block
    EXPECT_EQ(memo.write("c", 0), 4u);
    EXPECT_EQ(bytes().left(4), u32(7));
    // freeing the first run and asking for one block splits it
    memo.release(a);
    EXPECT_EQ(memo.write("d", 0), 1u);
    EXPECT_EQ(bytes().left(4), u32(2));
    EXPECT_EQ(bytes().mid(2 * 512, 8), u32(7) + u32(2));
    EXPECT_EQ(memo.read(5), QByteArray(600, 'B'));
    EXPECT_EQ(memo.read(4), QByteArray("c"));
    EXPECT_EQ(memo.read(1), QByteArray("d"));
}

TEST_F(MemoFileTest, DBase3MemosEndWithTwoEndMarks)
{
    open(MemoFile::Kind::DBase3);
    EXPECT_EQ(memo.write("uno", 0), 1u);
    EXPECT_EQ(memo.write(QByteArray(600, 'x'), 0), 2u);
    EXPECT_EQ(memo.write("dos", 1), 1u); // fits where it was
    EXPECT_EQ(memo.write(QByteArray(700, 'y'), 1), 4u); // does not: appended, never reused
    EXPECT_EQ(bytes().left(4), u32(6));
    EXPECT_EQ(memo.read(2), QByteArray(600, 'x'));
    EXPECT_EQ(memo.read(4), QByteArray(700, 'y'));
    EXPECT_EQ(bytes().mid(512, 5), QByteArray("dos\x1A\x1A"));
}

TEST_F(MemoFileTest, ADamagedFreeListIsLeftAlone)
{
    open(MemoFile::Kind::DBase4);
    memo.write(QByteArray(10, 'a'), 0);
    memo.write(QByteArray(10, 'b'), 0);
    memo.close();
    // the header claims block 1 is free, but it holds a memo
    QByteArray b = bytes();
    b.replace(0, 4, u32(1));
    test::writeAll(dir.file("t.dbt"), b);
    memo.open(dir.file("t.dbt"), MemoFile::Kind::DBase4, File::Access::ReadWrite, File::Share::Exclusive);
    EXPECT_EQ(memo.write("c", 0), 3u);
    EXPECT_EQ(memo.read(1), QByteArray(10, 'a'));
    // a free list that loops is followed a bounded number of times
    b = bytes();
    b.replace(0, 4, u32(3));
    b.replace(3 * 512, 8, u32(3) + u32(1));
    test::writeAll(dir.file("t.dbt"), b);
    EXPECT_EQ(memo.write(QByteArray(2000, 'd'), 0), 4u);
}
