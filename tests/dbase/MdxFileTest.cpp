#include "MdxTestSupport.h"

#include "dbase/DatabaseError.h"
#include "dbase/Journal.h"
#include "dbase/MdxFile.h"
#include "dbase/NumericKey.h"
#include "support/TempFolder.h"

#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace qal;
using namespace qal::dbase;
using Entries = std::vector<std::pair<QByteArray, std::uint32_t>>;

namespace {

struct ExpectedTag
{
    QString line;
    std::vector<std::uint32_t> order;
};

// The TAG lines and record orders of an xbase-dump file.
std::vector<ExpectedTag> expectedTags(const QString &dumpName)
{
    QFile f(test::TempFolder::fixture("dbase/expected/" + dumpName));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    std::vector<ExpectedTag> tags;
    for (const QByteArray &raw : f.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw);
        if (line.startsWith("TAG "))
            tags.push_back({line, {}});
        else if (line.startsWith("  ORDER ") && !tags.empty())
            for (const QString &n : line.mid(8).split(' ', Qt::SkipEmptyParts))
                tags.back().order.push_back(n.toUInt());
    }
    return tags;
}

QString tagLine(const MdxFile &index, int t, int root)
{
    const TagInfo &tag = index.tag(t);
    return QStringLiteral("TAG %1 type=%2 keylen=%3 itemlen=%4 expr=\"%5\" key_format=0x%6 unique=%7 descending=%8 root=%9 keys=%10")
        .arg(tag.spec.name, QChar::fromLatin1(char(tag.type)))
        .arg(tag.keyLength)
        .arg(4 + (tag.keyLength + 3) / 4 * 4)
        .arg(tag.spec.expression)
        .arg(tag.field >= 0 ? "10" : "00") // these files are all plain-field format
        .arg(tag.spec.unique ? 1 : 0)
        .arg(tag.spec.descending ? 1 : 0)
        .arg(root)
        .arg(test::walk(index, t).size());
}

struct Fixture
{
    const char *folder;
    const char *table;
};
const Fixture kFixtures[] = {{"dbase5dos_testgen", "TESTGEN"}, {"legacyapp_facture", "FACTURE"}, {"legacyapp_depense", "DEPENSE"}};

} // namespace

TEST(MdxFile, ReadsRealFilesAsTheIndependentReaderDoes)
{
    for (const Fixture &fx : kFixtures) {
        test::TempFolder dir;
        ASSERT_TRUE(dir.copyFixture(QStringLiteral("dbase/%1").arg(fx.folder)));
        const QString dbf = dir.file(QStringLiteral("%1.DBF").arg(fx.table));
        const FieldList fields = test::readDbfFields(dbf);
        auto index = MdxFile::open(dir.file(QStringLiteral("%1.MDX").arg(fx.table)), fields, File::Access::ReadOnly,
                                   File::Share::Shared);
        const std::vector<ExpectedTag> expected = expectedTags(QStringLiteral("%1.txt").arg(fx.folder));
        ASSERT_EQ(index->tagCount(), int(expected.size())) << fx.table;
        for (int t = 0; t < index->tagCount(); ++t) {
            const QString root = QRegularExpression("root=(\\d+)").match(expected[size_t(t)].line).captured(1);
            QString line = expected[size_t(t)].line;
            if (index->tag(t).field < 0) // key_format is what the file says, not derived from the expression
                line.replace("key_format=0x10", "key_format=0x00");
            EXPECT_EQ(tagLine(*index, t, root.toInt()), line);
            std::vector<std::uint32_t> order;
            for (const auto &entry : test::walk(*index, t))
                order.push_back(entry.second);
            EXPECT_EQ(order, expected[size_t(t)].order) << fx.table;
        }
        const std::vector<QByteArray> records = test::readDbfRecords(dbf);
        const auto source = [&](std::uint32_t recno, QByteArray &r) {
            r = records.at(recno - 1);
            return true;
        };
        EXPECT_EQ(index->check(std::uint32_t(records.size()), source), QStringList()) << fx.table;
        EXPECT_EQ(index->tagIndex("ind_fact"), QString(fx.table) == "FACTURE" ? 2 : -1);
    }
}

TEST(MdxFile, TagsFindTheirFieldsAndBuildCallerKeys)
{
    test::TempFolder dir;
    ASSERT_TRUE(dir.copyFixture("dbase/legacyapp_facture"));
    auto index = MdxFile::open(dir.file("FACTURE.MDX"), test::readDbfFields(dir.file("FACTURE.DBF")),
                               File::Access::ReadOnly, File::Share::Shared);
    EXPECT_EQ(index->tagForField("date_fact"), 0);
    EXPECT_EQ(index->tagForField("CODE_CLIEN"), 1);
    EXPECT_EQ(index->tagForField("TERME"), -1);
    EXPECT_EQ(index->keyFor(0, QDate(2000, 1, 1)), date_key::fromJulianDay(2451545));
    EXPECT_EQ(index->keyFor(2, 350), numeric_key::fromText("350"));
    EXPECT_EQ(index->keyFor(3, QStringLiteral("2017")), QByteArray("2017              "));
    EXPECT_LT(index->compare(2, index->keyFor(2, -5), index->keyFor(2, 3)), 0);
}

class MdxTree : public ::testing::Test
{
protected:
    MdxTree()
    {
        table.addField("NOMBRE", 'C', 30);
        table.addField("LARGO", 'C', 100);
        table.addField("IMPORTE", 'N', 10, 2);
        table.addField("FECHA", 'D', 8);
        table.addField("NUM", 'N', 6);
        tags = {{"NOMBRE", "NOMBRE"},
                {"NOMBRED", "UPPER(NOMBRE)", true, false},
                {"LARGO", "LARGO"},
                {"IMPORTE", "IMPORTE"},
                {"FECHA", "FECHA", true, false},
                {"DIA", "DTOS(FECHA)+STR(NUM,6)"},
                {"NUM", "NUM", false, true}};
    }

    QByteArray randomRecord(QRandomGenerator &rng, bool deleted = false)
    {
        static const QList<QByteArray> names = {"PE\xD1" "A", "MU\xD1OZ", "GARC\xCD" "A", "\xC1LVAREZ", "ZAPATA", "ibarra", "ORTIZ"};
        const QByteArray name = names[int(rng.bounded(names.size()))] + " " + QByteArray::number(rng.bounded(50));
        const QByteArray longText = QByteArray::number(rng.bounded(300)).rightJustified(5, '0') + QByteArray(60, 'x');
        const QByteArray amount = QByteArray::number((int(rng.bounded(200000)) - 100000) / 100.0, 'f', 2);
        const QByteArray date = rng.bounded(10) == 0 ? QByteArray()
                                                      : QDate(1990, 1, 1).addDays(rng.bounded(12000)).toString("yyyyMMdd").toLatin1();
        const QByteArray num = QByteArray::number(rng.bounded(500));
        return table.make({name, longText, amount, date, num}, deleted);
    }

    // What each tag must hold for the records now in the table.
    Entries model(const MdxFile &index, int t, const std::vector<bool> &present) const
    {
        Entries entries;
        for (size_t i = 0; i < table.records.size(); ++i) {
            if (present[i])
                entries.emplace_back(index.keyOf(t, table.records[i], std::uint32_t(i + 1)), std::uint32_t(i + 1));
        }
        std::stable_sort(entries.begin(), entries.end(), [&](const auto &a, const auto &b) {
            const int c = index.compare(t, a.first, b.first);
            return c != 0 ? c < 0 : a.second < b.second;
        });
        return entries;
    }

    test::MemoryTable table;
    QList<TagSpec> tags;
    test::TempFolder dir;
};

TEST_F(MdxTree, CreatedIndexWalksSeeksAndFindsInEveryDirection)
{
    QRandomGenerator rng(7);
    for (int i = 0; i < 1500; ++i)
        table.records.push_back(randomRecord(rng));
    const QString path = dir.file("T.MDX");
    MdxFile::create(path, "T", 0x1B, table.fields, tags, std::uint32_t(table.records.size()), table.source());
    auto index = MdxFile::open(path, table.fields, File::Access::ReadOnly, File::Share::Shared);
    EXPECT_EQ(index->check(std::uint32_t(table.records.size()), table.source()), QStringList());
    EXPECT_FALSE(QFile::exists(path + ".qtmp"));
    const std::vector<bool> all(table.records.size(), true);
    for (int t = 0; t < index->tagCount(); ++t) {
        Entries expected = model(*index, t, all);
        if (tags[t].unique) {
            expected.erase(std::unique(expected.begin(), expected.end(),
                                       [](const auto &a, const auto &b) { return a.first == b.first; }),
                           expected.end());
        }
        EXPECT_EQ(test::walk(*index, t), expected) << tags[t].name.toStdString();

        // Backwards
        auto c = index->cursor(t);
        Entries backwards;
        for (bool ok = c->last(); ok; ok = c->prior())
            backwards.emplace_back(c->key(), c->recno());
        std::reverse(backwards.begin(), backwards.end());
        EXPECT_EQ(backwards, expected);
        // The ends stay put
        ASSERT_TRUE(c->last());
        EXPECT_FALSE(c->next());
        EXPECT_EQ(c->recno(), expected.back().second);

        // Seek and find every 37th entry
        for (size_t i = 0; i < expected.size(); i += 37) {
            ASSERT_TRUE(c->seek(expected[i].first));
            const auto first = std::find_if(expected.begin(), expected.end(),
                                            [&](const auto &e) { return e.first == expected[i].first; });
            EXPECT_EQ(c->recno(), first->second);
            ASSERT_TRUE(c->find(expected[i].first, expected[i].second));
            EXPECT_EQ(c->recno(), expected[i].second);
            EXPECT_TRUE(i + 1 >= expected.size() || (c->next() && c->recno() == expected[i + 1].second));
        }
        EXPECT_FALSE(c->find(expected.front().first, 999999));
    }
    // Partial character keys, and a seek past the last key
    auto c = index->cursor(index->tagIndex("nombre"));
    ASSERT_TRUE(c->seek("MU\xD1"));
    EXPECT_TRUE(c->key().startsWith("MU\xD1OZ"));
    EXPECT_FALSE(c->seek("\xFF"));
    auto n = index->cursor(index->tagIndex("IMPORTE"));
    ASSERT_TRUE(n->seek(index->keyFor(index->tagIndex("IMPORTE"), 0.0)));
    EXPECT_GE(numeric_key::toDouble(n->key()), 0.0);
    ASSERT_TRUE(n->prior());
    EXPECT_LT(numeric_key::toDouble(n->key()), 0.0);
}

TEST_F(MdxTree, StaysInStepThroughInsertsUpdatesAndRemovals)
{
    QRandomGenerator rng(11);
    for (int i = 0; i < 50; ++i)
        table.records.push_back(randomRecord(rng));
    const QString path = dir.file("T.MDX");
    MdxFile::create(path, "T", 0, table.fields, tags, std::uint32_t(table.records.size()), table.source());
    auto index = MdxFile::open(path, table.fields, File::Access::ReadWrite, File::Share::Exclusive);
    std::vector<bool> present(table.records.size(), true);

    auto verify = [&](const char *when) {
        for (int t = 0; t < index->tagCount(); ++t) {
            if (tags[t].unique)
                continue; // checked below against check()
            ASSERT_EQ(test::walk(*index, t), model(*index, t, present)) << when << " " << tags[t].name.toStdString();
        }
    };
    for (int round = 0; round < 3000; ++round) {
        const int op = int(rng.bounded(10));
        if (op < 6 || table.records.size() < 20) { // append
            table.records.push_back(randomRecord(rng));
            present.push_back(true);
            index->insertRecord(std::uint32_t(table.records.size()), table.records.back());
        } else if (op < 8) { // edit
            const size_t i = rng.bounded(quint32(table.records.size()));
            if (!present[i])
                continue;
            const QByteArray before = table.records[i];
            table.records[i] = randomRecord(rng);
            index->updateRecord(std::uint32_t(i + 1), before, table.records[i]);
        } else { // remove
            const size_t i = rng.bounded(quint32(table.records.size()));
            if (!present[i])
                continue;
            index->removeRecord(std::uint32_t(i + 1), table.records[i]);
            present[i] = false;
        }
        if (round % 500 == 0)
            verify("during");
    }
    verify("after inserts");
    // Now empty most of it, so leaves and interior nodes go away and the root shrinks.
    for (size_t i = 0; i < table.records.size(); ++i) {
        if (present[i] && i % 40 != 0) {
            index->removeRecord(std::uint32_t(i + 1), table.records[i]);
            present[i] = false;
        }
    }
    verify("after removals");

    // check() agrees once removed records are blanked in the table it reads.
    test::MemoryTable live = table;
    for (size_t i = 0; i < live.records.size(); ++i) {
        if (!present[i])
            live.records[i] = "";
    }
    const auto source = [&](std::uint32_t recno, QByteArray &r) {
        r = live.records.at(recno - 1);
        return present[recno - 1];
    };
    QStringList problems = index->check(std::uint32_t(live.records.size()), source);
    problems.removeIf([](const QString &p) { return p.startsWith("No se puede leer"); });
    for (const QString &p : problems) // unique tag: removed owners leave their key unindexed, as in dBASE
        EXPECT_TRUE(p.startsWith("Etiqueta NUM: falta la clave")) << p.toStdString();

    // Free blocks are reused before the file grows.
    const qint64 size = QFile(path).size();
    for (int i = 0; i < 200; ++i) {
        table.records.push_back(randomRecord(rng));
        present.push_back(true);
        index->insertRecord(std::uint32_t(table.records.size()), table.records.back());
    }
    EXPECT_EQ(QFile(path).size(), size);
    verify("after reuse");
}

// Byte 246 of each tag header says whether the tag holds a key; dBASE reads it before the tree.
TEST_F(MdxTree, TagHeadersSayWhetherTheTagHoldsAKey)
{
    const QString path = dir.file("T.MDX");
    MdxFile::create(path, "T", 0, table.fields, tags, 0, table.source());
    const auto hasKeys = [&] {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray file = f.readAll();
        std::vector<int> flags;
        for (int t = 0; t < tags.size(); ++t) {
            // tag table entry t (32 bytes from byte 544) begins with its header page
            const int entry = 544 + 32 * t;
            const std::uint32_t page = qFromLittleEndian<std::uint32_t>(file.constData() + entry);
            flags.push_back(file.at(qsizetype(page) * 512 + 246));
        }
        return flags;
    };
    EXPECT_EQ(hasKeys(), std::vector<int>(size_t(tags.size()), 0));
    auto index = MdxFile::open(path, table.fields, File::Access::ReadWrite, File::Share::Exclusive);
    QRandomGenerator rng(3);
    table.records.push_back(randomRecord(rng));
    index->insertRecord(1, table.records.back());
    EXPECT_EQ(hasKeys(), std::vector<int>(size_t(tags.size()), 1));
    index->removeRecord(1, table.records.back());
    EXPECT_EQ(hasKeys(), std::vector<int>(size_t(tags.size()), 0));
    // through splits and back
    for (std::uint32_t i = 1; i <= 300; ++i) {
        table.records.push_back(randomRecord(rng));
        index->insertRecord(i + 1, table.records.back());
    }
    EXPECT_EQ(hasKeys(), std::vector<int>(size_t(tags.size()), 1));
    for (std::uint32_t i = 1; i <= 300; ++i)
        index->removeRecord(i + 1, table.records[i]);
    EXPECT_EQ(hasKeys(), std::vector<int>(size_t(tags.size()), 0));
}

TEST_F(MdxTree, UniqueTagKeepsTheFirstRecordOfEachKey)
{
    tags = {{"NUM", "NUM", false, true}};
    for (const char *num : {"5", "3", "5", "7", "3"})
        table.records.push_back(table.make({"", "", "", "", num}));
    const QString path = dir.file("U.MDX");
    MdxFile::create(path, "U", 0, table.fields, tags, 5, table.source());
    auto index = MdxFile::open(path, table.fields, File::Access::ReadWrite, File::Share::Exclusive);
    auto recnos = [&] {
        std::vector<std::uint32_t> r;
        for (const auto &e : test::walk(*index, 0))
            r.push_back(e.second);
        return r;
    };
    EXPECT_EQ(recnos(), (std::vector<std::uint32_t>{2, 1, 4}));
    table.records.push_back(table.make({"", "", "", "", "7"}));
    index->insertRecord(6, table.records.back());
    EXPECT_EQ(recnos(), (std::vector<std::uint32_t>{2, 1, 4}));
    index->removeRecord(3, table.records[2]); // not the holder of 5: nothing changes
    EXPECT_EQ(recnos(), (std::vector<std::uint32_t>{2, 1, 4}));
    index->removeRecord(1, table.records[0]);
    EXPECT_EQ(recnos(), (std::vector<std::uint32_t>{2, 4}));
}

TEST_F(MdxTree, RebuildDropsDeletedRecordsOnlyWhenAsked)
{
    QRandomGenerator rng(3);
    for (int i = 0; i < 300; ++i)
        table.records.push_back(randomRecord(rng, i % 3 == 0));
    const QString path = dir.file("R.MDX");
    MdxFile::create(path, "R", 0, table.fields, tags, 10, table.source());
    auto index = MdxFile::open(path, table.fields, File::Access::ReadWrite, File::Share::Exclusive);
    index->rebuild(300, table.source(), false);
    EXPECT_EQ(test::walk(*index, 0).size(), 300u);
    EXPECT_EQ(index->check(300, table.source()), QStringList());
    index->rebuild(300, table.source(), true);
    const Entries live = test::walk(*index, 0);
    EXPECT_EQ(live.size(), 200u);
    EXPECT_TRUE(std::none_of(live.begin(), live.end(), [](const auto &e) { return (e.second - 1) % 3 == 0; }));
    EXPECT_THROW(index->rebuild(301, table.source(), false), DatabaseError);
    EXPECT_EQ(test::walk(*index, 0).size(), 200u); // a failed rebuild leaves the index as it was
}

TEST_F(MdxTree, WritesGoThroughTheJournal)
{
    QRandomGenerator rng(5);
    for (int i = 0; i < 400; ++i)
        table.records.push_back(randomRecord(rng));
    const QString path = dir.file("J.MDX");
    MdxFile::create(path, "J", 0, table.fields, tags, 400, table.source());
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    {
        Journal journal(Journal::pathFor(dir.file("J.DBF")));
        auto index = MdxFile::open(path, table.fields, File::Access::ReadWrite, File::Share::Exclusive);
        index->setJournal(&journal);
        for (int i = 0; i < 300; ++i) {
            table.records.push_back(randomRecord(rng));
            index->insertRecord(std::uint32_t(table.records.size()), table.records.back());
        }
        index->removeRecord(1, table.records[0]);
        index->close();
    } // never committed
    ASSERT_TRUE(Journal::rollBack(Journal::pathFor(dir.file("J.DBF"))));
    QFile restored(path);
    ASSERT_TRUE(restored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(restored.readAll() == before);
}

TEST_F(MdxTree, RefusesBadTagsAtCreation)
{
    const auto none = [](std::uint32_t, QByteArray &) { return false; };
    const QString path = dir.file("B.MDX");
    EXPECT_THROW(MdxFile::create(path, "B", 0, table.fields, {{"X", "NOEXISTE"}}, 0, none), DatabaseError);
    EXPECT_THROW(MdxFile::create(path, "B", 0, table.fields, {{"X", "FOO(NOMBRE)"}}, 0, none), DatabaseError);
    EXPECT_THROW(MdxFile::create(path, "B", 0, table.fields, {{"DEMASIADOLARGO", "NOMBRE"}}, 0, none), DatabaseError);
    EXPECT_THROW(MdxFile::create(path, "B", 0, table.fields, {{"A", "NOMBRE"}, {"a", "NUM"}}, 0, none), DatabaseError);
    EXPECT_THROW(MdxFile::create(path, "B", 0, table.fields, {{"A", "NOMBRE"}}, 1, none), DatabaseError);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(path + ".qtmp"));
}
