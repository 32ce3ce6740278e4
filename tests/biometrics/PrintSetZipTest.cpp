#include "biometrics/PrintSetZip.h"
#include "core/ProgramFolder.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

using namespace qal;

namespace {

QByteArray fingerBytes(int seed, int size = 20000)
{
    // compressible but not trivial, like WSQ data with its headers
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator random {quint32(seed)};
    for (int i = 0; i < size; ++i)
        data[i] = char(random.bounded(i % 7 == 0 ? 256 : 16));
    return data;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

qint64 deflatedSize(const QByteArray &data, int level)
{
    z_stream s {};
    deflateInit2(&s, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&s, uLong(data.size()))), Qt::Uninitialized);
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef *>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    const qint64 n = qint64(s.total_out);
    deflateEnd(&s);
    return n;
}

struct EntryInfo
{
    QString name;
    quint16 method;
    qint64 compressed;
};

QList<EntryInfo> entriesOf(const QString &archive)
{
    QList<EntryInfo> list;
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &error);
    if (!z)
        return list;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, zip_uint64_t(i), 0, &st);
        list.append({QString::fromUtf8(st.name), st.comp_method, qint64(st.comp_size)});
    }
    zip_discard(z);
    return list;
}

// An archive written entry by entry as given, hostile names included.
bool writeRawZip(const QString &path, const QList<std::pair<QByteArray, QByteArray>> &entries)
{
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    for (const auto &[name, data] : entries) {
        zip_source_t *src = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        if (zip_file_add(z, name.constData(), src, ZIP_FL_ENC_RAW) < 0) {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

class PrintSetZipTest : public ::testing::Test
{
protected:
    void SetUp() override { ProgramFolder::setPath(folder.path()); }
    QStringList filesIn(const QString &path) const
    {
        return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    }
    test::TempFolder folder;
    QString message;
};

} // namespace

TEST_F(PrintSetZipTest, PacksBareNamesAtTheRootInOrderWithDeflateLevelSix)
{
    QDir(folder.path()).mkdir(QStringLiteral("sub"));
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(writeFile(folder.file(QStringLiteral("dedo%1.wsq").arg(n)), fingerBytes(n)));
    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("sub/dedo10.wsq")), fingerBytes(10)));

    QStringList list {QStringLiteral("dedo2.wsq"), QStringLiteral("  dedo3.wsq "), QStringLiteral("dedo1.wsq"),
                      folder.file(QStringLiteral("sub/dedo10.wsq"))};
    ASSERT_TRUE(ZipFiles(list, QStringLiteral("dedos.zip"), message)) << message.toStdString();
    EXPECT_EQ(list[1], QStringLiteral("dedo3.wsq")); // trimmed in the caller's list

    const QList<EntryInfo> entries = entriesOf(folder.file(QStringLiteral("dedos.zip")));
    ASSERT_EQ(entries.size(), 4);
    const QStringList expected {QStringLiteral("dedo2.wsq"), QStringLiteral("dedo3.wsq"), QStringLiteral("dedo1.wsq"),
                                QStringLiteral("dedo10.wsq")};
    const int seeds[] = {2, 3, 1, 10};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(entries[i].name, expected[i]);
        EXPECT_EQ(entries[i].method, ZIP_CM_DEFLATE);
        EXPECT_EQ(entries[i].compressed, deflatedSize(fingerBytes(seeds[i]), 6)) << i;
    }
    EXPECT_NE(deflatedSize(fingerBytes(1), 6), deflatedSize(fingerBytes(1), 1)); // the check can tell

    // a second save replaces the archive
    QStringList one {QStringLiteral("dedo1.wsq")};
    ASSERT_TRUE(ZipFiles(one, QStringLiteral("dedos.zip"), message));
    EXPECT_EQ(entriesOf(folder.file(QStringLiteral("dedos.zip"))).size(), 1);
}

TEST_F(PrintSetZipTest, MissingFileWritesNoArchiveAndNamesTheFile)
{
    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("dedo1.wsq")), fingerBytes(1)));
    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("dedos.zip")), "old"));
    QStringList list {QStringLiteral("dedo1.wsq"), QStringLiteral(" dedo2.wsq")};
    EXPECT_FALSE(ZipFiles(list, QStringLiteral("dedos.zip"), message));
    EXPECT_EQ(message, QStringLiteral("ERROR: No existe archivo origen dedo2.wsq"));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("dedos.zip"))));

    // duplicate bare names cannot both sit at the root
    QDir(folder.path()).mkdir(QStringLiteral("b"));
    ASSERT_TRUE(writeFile(folder.file(QStringLiteral("b/dedo1.wsq")), fingerBytes(2)));
    QStringList twice {QStringLiteral("dedo1.wsq"), QStringLiteral("b/dedo1.wsq")};
    EXPECT_FALSE(ZipFiles(twice, QStringLiteral("dedos.zip"), message));
    EXPECT_EQ(message, QStringLiteral("ERROR: No se pudieron comprimir los archivos"));
}

TEST_F(PrintSetZipTest, UnpacksWhatWasPacked)
{
    QStringList list;
    for (int n = 1; n <= 10; ++n) {
        const QString name = QStringLiteral("dedo%1.wsq").arg(n);
        ASSERT_TRUE(writeFile(folder.file(name), fingerBytes(n, 1000 * n)));
        list << name;
    }
    ASSERT_TRUE(ZipFiles(list, QStringLiteral("dedos.zip"), message));
    QDir(folder.path()).mkdir(QStringLiteral("out"));
    ASSERT_TRUE(UnzipFile(QStringLiteral(" dedos.zip "), QStringLiteral("out "), message)) << message.toStdString();
    EXPECT_TRUE(message.isEmpty());
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(readFile(folder.file(QStringLiteral("out/dedo%1.wsq").arg(n))), fingerBytes(n, 1000 * n)) << n;
    EXPECT_EQ(filesIn(folder.file(QStringLiteral("out"))).size(), 10);

    // relative folders inside the archive are kept
    ASSERT_TRUE(writeRawZip(folder.file(QStringLiteral("sub.zip")), {{"a/b/dedo1.wsq", "x"}}));
    ASSERT_TRUE(UnzipFile(QStringLiteral("sub.zip"), QStringLiteral("out"), message));
    EXPECT_EQ(readFile(folder.file(QStringLiteral("out/a/b/dedo1.wsq"))), QByteArray("x"));
}

TEST_F(PrintSetZipTest, UnpackingRefusesNamesThatLeaveTheFolder)
{
    QDir(folder.path()).mkpath(QStringLiteral("out/in"));
    const QList<QByteArray> hostile {"../evil.wsq", "/tmp/evil.wsq", "in/../../evil.wsq", "..\\evil.wsq",
                                     "C:evil.wsq", "\\evil.wsq", "in/./x", "in//x", "dir/"};
    for (const QByteArray &name : hostile) {
        ASSERT_TRUE(writeRawZip(folder.file(QStringLiteral("h.zip")), {{"dedo1.wsq", "good"}, {name, "bad"}}));
        EXPECT_FALSE(UnzipFile(QStringLiteral("h.zip"), QStringLiteral("out/in"), message)) << name.toStdString();
        EXPECT_EQ(message, QStringLiteral("ERROR: No se pudo descomprimir archivo"));
        // nothing at all is extracted, the good entry included
        EXPECT_TRUE(filesIn(folder.file(QStringLiteral("out/in"))).isEmpty()) << name.toStdString();
        EXPECT_EQ(filesIn(folder.file(QStringLiteral("out"))), QStringList {QStringLiteral("in")});
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/evil.wsq")));
}

// Found by fuzzing: Qt reads a path that starts with ':' as a resource path, so such entry
// names were written relative to the current folder instead of the destination.
TEST_F(PrintSetZipTest, NamesThatLookLikeQtResourcesStayInTheFolder)
{
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    QDir(folder.path()).mkdir(QStringLiteral("out"));
    ASSERT_TRUE(writeRawZip(folder.file(QStringLiteral("r.zip")), {{":a.", "1"}, {":&/:x", "2"}}));
    const bool ok = UnzipFile(QStringLiteral("r.zip"), QStringLiteral("out"), message);
    QDir::setCurrent(before);
    EXPECT_TRUE(ok) << message.toStdString();
    EXPECT_EQ(filesIn(folder.path()), (QStringList {QStringLiteral("out"), QStringLiteral("r.zip")}));
    EXPECT_EQ(readFile(folder.file(QStringLiteral("out/:a."))), QByteArray("1"));
    EXPECT_EQ(readFile(folder.file(QStringLiteral("out/:&/:x"))), QByteArray("2"));
}

TEST_F(PrintSetZipTest, UnpackingReportsMissingAndDamagedArchives)
{
    QDir(folder.path()).mkdir(QStringLiteral("out"));
    EXPECT_FALSE(UnzipFile(QStringLiteral("none.zip"), QStringLiteral("out"), message));
    EXPECT_EQ(message, QStringLiteral("ERROR: No existe archivo origen none.zip"));
    ASSERT_TRUE(writeRawZip(folder.file(QStringLiteral("a.zip")), {{"dedo1.wsq", fingerBytes(1)}}));
    EXPECT_FALSE(UnzipFile(QStringLiteral("a.zip"), QStringLiteral("nowhere"), message));
    EXPECT_EQ(message, QStringLiteral("ERROR: No existe directorio destino nowhere"));

    const QByteArray good = readFile(folder.file(QStringLiteral("a.zip")));
    // cut short, and with a flipped byte inside the compressed data (checksum mismatch)
    QByteArray flipped = good;
    flipped[60] = char(flipped[60] ^ 0x55);
    for (const QByteArray &bad : {good.left(good.size() / 2), flipped, QByteArray("PK\x05\x06", 4), QByteArray()}) {
        ASSERT_TRUE(writeFile(folder.file(QStringLiteral("bad.zip")), bad));
        EXPECT_FALSE(UnzipFile(QStringLiteral("bad.zip"), QStringLiteral("out"), message));
        EXPECT_EQ(message, QStringLiteral("ERROR: No se pudo descomprimir archivo"));
        EXPECT_TRUE(filesIn(folder.file(QStringLiteral("out"))).isEmpty()) << filesIn(folder.file(QStringLiteral("out"))).join(u' ').toStdString();
    }
}

TEST_F(PrintSetZipTest, UnpackingStopsAtEntriesLargerThanAPrintSetCanHold)
{
    QDir(folder.path()).mkdir(QStringLiteral("out"));
    const QByteArray zeros(int(MaxUnzippedEntryBytes) + 1, '\0');
    ASSERT_TRUE(writeRawZip(folder.file(QStringLiteral("bomb.zip")), {{"dedo1.wsq", zeros}}));
    EXPECT_LT(QFileInfo(folder.file(QStringLiteral("bomb.zip"))).size(), 1 << 20);
    EXPECT_FALSE(UnzipFile(QStringLiteral("bomb.zip"), QStringLiteral("out"), message));
    EXPECT_TRUE(filesIn(folder.file(QStringLiteral("out"))).isEmpty());
}
