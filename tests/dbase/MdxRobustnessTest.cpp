#include "MdxExercise.h"
#include "MdxTestSupport.h"

#include "dbase/DatabaseError.h"
#include "dbase/MdxFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void put32(QByteArray &b, int at, quint32 v) { qToLittleEndian(v, b.data() + at); }
quint32 get32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }

// A two-tag index over NAME with enough keys for three levels (NAME is 10 bytes: 63 keys a node).
class DamagedMdx : public ::testing::Test
{
protected:
    DamagedMdx()
    {
        table.fields = test::exerciseFields();
        table.recordLength = 300;
        for (int i = 0; i < 5000; ++i) {
            QByteArray r(300, ' ');
            r.replace(table.fields[1].offset, 6, QByteArray::number(i * 7 % 5000).rightJustified(6, '0'));
            table.records.push_back(r);
        }
        path = dir.file("D.MDX");
        MdxFile::create(path, "D", 0, table.fields, {{"NAME", "NAME"}, {"NAMED", "NAME", true, false}}, 5000,
                        table.source());
        good = readAll(path);
    }
    // Opens and walks every tag; returns the first error text, empty when none.
    QString openAndWalk(const QByteArray &bytes)
    {
        writeAll(path, bytes);
        try {
            auto index = MdxFile::open(path, table.fields, File::Access::ReadOnly, File::Share::Shared);
            for (int t = 0; t < index->tagCount(); ++t) {
                auto c = index->cursor(t);
                for (bool ok = c->first(); ok; ok = c->next()) {
                }
                for (bool ok = c->last(); ok; ok = c->prior()) {
                }
            }
        } catch (const DatabaseError &e) {
            return e.message();
        }
        return {};
    }
    std::uint32_t rootOf(int tag) const { return get32(good, int(get32(good, 544 + 32 * tag)) * 512); }

    test::TempFolder dir;
    test::MemoryTable table;
    QString path;
    QByteArray good;
};

} // namespace

TEST_F(DamagedMdx, TruncatedOrGarbageHeadersAreRefusedInSpanish)
{
    EXPECT_EQ(openAndWalk(good), QString());
    EXPECT_EQ(openAndWalk(good.left(100)),
              QStringLiteral("El índice D.MDX está dañado: el archivo es demasiado corto (100 bytes). Regenere los índices de la tabla."));
    EXPECT_TRUE(openAndWalk(good.left(good.size() - 1024)).contains("está dañado: dice tener")); // pages beyond the end
    QByteArray b = good;
    b[0] = 3;
    EXPECT_TRUE(openAndWalk(b).contains("versión 3"));
    b = good;
    b[28] = char(200);
    EXPECT_TRUE(openAndWalk(b).contains("dice tener 200 etiquetas"));
    b = good;
    put32(b, 544, 0x7FFFFFFF); // tag header far beyond the end
    EXPECT_TRUE(openAndWalk(b).contains("fuera del archivo"));
    b = good;
    qToLittleEndian<quint16>(60000, b.data() + int(get32(good, 544)) * 512 + 12); // key length
    EXPECT_TRUE(openAndWalk(b).contains("medidas de clave imposibles"));
    b = good;
    b.replace(int(get32(good, 544)) * 512 + 24, 5, "FOO(\0", 5);
    EXPECT_TRUE(openAndWalk(b).contains("no se puede usar con esta tabla"));
    b = good;
    b.replace(int(get32(good, 544)) * 512 + 24, 3, "ID\0", 3); // N key under a C tag header
    EXPECT_TRUE(openAndWalk(b).contains("no corresponde a su expresión"));

    QRandomGenerator rng(99);
    for (int i = 0; i < 200; ++i) {
        QByteArray garbage(int(rng.bounded(6000)), '\0');
        for (char &c : garbage)
            c = char(rng.bounded(256));
        if (i % 2 == 0)
            garbage.replace(0, 544, good.left(544)); // a believable header over garbage
        openAndWalk(garbage); // refused or read: either way no crash and no hang
    }
}

TEST_F(DamagedMdx, LoopsAndBrokenLinksInNodesEndInAnErrorNotAHang)
{
    const std::uint32_t root = rootOf(0);
    QByteArray b = good;
    put32(b, int(root) * 512 + 8, root); // the root's first child is the root itself
    EXPECT_TRUE(openAndWalk(b).contains("ciclo")) << openAndWalk(b).toStdString();

    // A leaf that claims more keys than a node can hold
    b = good;
    const std::uint32_t child = get32(good, int(root) * 512 + 8);
    put32(b, int(child) * 512, 0xFFFFFFF0);
    EXPECT_TRUE(openAndWalk(b).contains("dice tener"));

    // Two children pointing at the same leaves: the leaf chain gives it away
    b = good;
    const std::uint32_t second = get32(good, int(root) * 512 + 8 + 16);
    put32(b, int(root) * 512 + 8 + 16, child);
    EXPECT_TRUE(openAndWalk(b).contains("está dañado")) << openAndWalk(b).toStdString();
    (void)second;
}

TEST_F(DamagedMdx, CheckListsWhatIsWrong)
{
    auto problemsOf = [&](const QByteArray &bytes) {
        writeAll(path, bytes);
        auto index = MdxFile::open(path, table.fields, File::Access::ReadOnly, File::Share::Shared);
        return index->check(5000, table.source());
    };
    EXPECT_EQ(problemsOf(good), QStringList());
    EXPECT_EQ(problemsOf(good).size(), 0);
    // One key changed in place: out of order, and not the record's key
    QByteArray b = good;
    const std::uint32_t root = rootOf(0);
    std::uint32_t page = root;
    while (get32(b, int(page) * 512 + 8 + get32(b, int(page) * 512) * 16) != 0) // descend to the first leaf
        page = get32(b, int(page) * 512 + 8);
    b.replace(int(page) * 512 + 8 + 4 + 16 * 5, 6, "999999");
    const QStringList problems = problemsOf(b);
    EXPECT_TRUE(problems.contains(QStringLiteral("Etiqueta NAME: falta la entrada del registro %1.")
                                      .arg(get32(b, int(page) * 512 + 8 + 16 * 5))))
        << problems.join('\n').toStdString();
    EXPECT_TRUE(problems.join('\n').contains("fuera de orden"));
    // Records the index does not know about
    writeAll(path, good);
    auto index = MdxFile::open(path, table.fields, File::Access::ReadOnly, File::Share::Shared);
    table.records.push_back(table.records.front());
    EXPECT_TRUE(index->check(5001, table.source()).contains("Etiqueta NAME: falta la entrada del registro 5001."));
    // A header that disagrees with the file size
    b = good;
    put32(b, 32, get32(good, 32) - 2);
    EXPECT_TRUE(problemsOf(b).join('\n').contains("La cabecera dice"));
}

TEST(MdxFuzzFindings, EveryReproducerIsRefusedOrReadSafely)
{
    test::TempFolder dir;
    const QDir crashes(QStringLiteral(QAL_TEST_DATA "/mdx-fuzz"));
    int replayed = 0;
    for (const QString &name : crashes.entryList(QDir::Files)) {
        test::exerciseMdx(dir.file("F.MDX"), readAll(crashes.filePath(name)));
        ++replayed;
    }
    // The real files the corpus grew from open and walk.
    for (const char *real : {"dbase/dbase5dos_testgen/TESTGEN.MDX", "dbase/legacyapp_facture/FACTURE.MDX",
                             "dbase/legacyapp_depense/DEPENSE.MDX"})
        EXPECT_TRUE(test::exerciseMdx(dir.file("F.MDX"), readAll(test::TempFolder::fixture(real)))) << real;
    SUCCEED() << replayed << " reproducers";
}
