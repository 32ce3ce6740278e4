// Every tag we write must walk in Perl XBase (the independent reader) exactly as we walk it.
#include "MdxTestSupport.h"

#include "dbase/MdxFile.h"
#include "dbase/NumericKey.h"
#include "support/TempFolder.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace qal;
using namespace qal::dbase;

namespace {

void expectPerlAgrees(const QString &path, const MdxFile &index, size_t minimum)
{
    for (int t = 0; t < index.tagCount(); ++t) {
        bool ok = false;
        const auto perl = test::perlWalk(path, index.tag(t).spec.name, &ok);
        ASSERT_TRUE(ok) << "Perl XBase could not walk " << index.tag(t).spec.name.toStdString();
        const auto ours = test::walk(index, t);
        if (!index.tag(t).spec.unique) {
            EXPECT_GE(ours.size(), minimum);
        }
        EXPECT_EQ(perl, ours) << index.tag(t).spec.name.toStdString();
    }
}

class MdxCompatibility : public ::testing::Test
{
protected:
    MdxCompatibility()
    {
        table.addField("X_APE1", 'C', 25);
        table.addField("C_PED", 'C', 12);
        table.addField("IMPORTE", 'N', 12, 2);
        table.addField("F_PED", 'D', 8);
        table.addField("C_ORG", 'N', 4);
        table.addField("OBS", 'C', 90);
    }
    QByteArray record(QRandomGenerator &rng, int i)
    {
        static const QList<QByteArray> surnames = {"PE\xD1" "A", "MU\xD1OZ", "NU\xD1" "EZ", "ORDO\xD1" "EZ", "GARC\xCD" "A",
                                                   "L\xD3PEZ", "G\xDC" "ELL", "ZAPATA", "a\xF1" "o", "Yba\xF1" "ez"};
        return table.make({surnames[int(rng.bounded(surnames.size()))] + ' ' + QByteArray::number(rng.bounded(100)),
                           QByteArray::number(i * 7919 % 100003).rightJustified(8, '0'),
                           QByteArray::number((int(rng.bounded(2000000)) - 1000000) / 100.0, 'f', 2),
                           rng.bounded(20) == 0 ? QByteArray()
                                                : QDate(1950, 1, 1).addDays(rng.bounded(27000)).toString("yyyyMMdd").toLatin1(),
                           QByteArray::number(rng.bounded(40)), QByteArray::number(rng.bounded(1000)).rightJustified(90, '-')});
    }

    test::MemoryTable table;
    test::TempFolder dir;
    const QList<TagSpec> tags = {{"X_APE1", "UPPER(X_APE1)"},
                                 {"C_PED", "C_PED", false, true},
                                 {"IMPORTE", "IMPORTE"},
                                 {"IMPORTED", "IMPORTE", true, false},
                                 {"F_PED", "F_PED"},
                                 {"F_PEDD", "F_PED", true, false},
                                 {"ORG", "DTOS(F_PED)+STR(C_ORG,4)"},
                                 {"OBS", "OBS"},
                                 {"ORGU", "C_ORG", false, true}};
};

} // namespace

TEST_F(MdxCompatibility, PerlWalksCreatedAndMaintainedIndexes)
{
    QRandomGenerator rng(2024);
    for (int i = 1; i <= 3000; ++i)
        table.records.push_back(record(rng, i));
    const QString path = dir.file("PED.MDX");
    MdxFile::create(path, "PED", 0x1B, table.fields, tags, 3000, table.source());
    {
        auto index = MdxFile::open(path, table.fields, File::Access::ReadOnly, File::Share::Shared);
        expectPerlAgrees(path, *index, 40); // OBS: 9 keys a node, so four levels
    }
    // Then through inserts, edits and removals (splits, new roots, emptied leaves).
    auto index = MdxFile::open(path, table.fields, File::Access::ReadWrite, File::Share::Exclusive);
    for (int i = 3001; i <= 4500; ++i) {
        table.records.push_back(record(rng, i));
        index->insertRecord(std::uint32_t(i), table.records.back());
    }
    for (int i = 0; i < 1000; ++i) {
        const size_t at = rng.bounded(quint32(table.records.size()));
        const QByteArray before = table.records[at];
        table.records[at] = record(rng, int(at) + 1);
        index->updateRecord(std::uint32_t(at + 1), before, table.records[at]);
    }
    for (size_t at = 0; at < 2500; ++at)
        index->removeRecord(std::uint32_t(at + 1), table.records[at]);
    expectPerlAgrees(path, *index, 30);
}

TEST_F(MdxCompatibility, PerlReadsOurHeaderAndTagTable)
{
    QRandomGenerator rng(1);
    for (int i = 1; i <= 10; ++i)
        table.records.push_back(record(rng, i));
    const QString path = dir.file("PED.MDX");
    MdxFile::create(path, "ped", 0x1B, table.fields, tags, 10, table.source());
    const QString dbf = dir.file("PED.DBF");
    // A DBF header is enough for xbase-dump to list the index.
    QByteArray header(32, '\0');
    header[0] = 0x03;
    header[8] = char((32 + 32 * table.fields.size() + 1) & 0xFF);
    header[9] = char((32 + 32 * table.fields.size() + 1) >> 8);
    header[10] = char(table.recordLength & 0xFF);
    header[11] = char(table.recordLength >> 8);
    header[28] = 1;
    for (const FieldDescriptor &f : table.fields) {
        QByteArray d(32, '\0');
        d.replace(0, f.name.size(), f.name.toLatin1());
        d[11] = f.type;
        d[16] = char(f.length);
        d[17] = char(f.decimals);
        header += d;
    }
    header += '\r';
    QFile f(dbf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(header);
    f.close();
    QProcess dump;
    dump.start("perl", {QStringLiteral(QAL_SOURCE_DIR "/tests/tools/xbase-dump.pl"), "--no-records", dbf});
    ASSERT_TRUE(dump.waitForFinished(60000));
    const QString out = QString::fromLatin1(dump.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("MDX file=%1 version=2 dbf_name=PED block_size=2 block_size_adder=1024 "
                                            "production=1 tags_used=9 pages=").arg(dir.file("PED.MDX"))))
        << out.toStdString();
    EXPECT_TRUE(out.contains("TAG X_APE1 type=C keylen=25 itemlen=32 expr=\"UPPER(X_APE1)\" key_format=0x00 unique=0 descending=0"));
    EXPECT_TRUE(out.contains("TAG C_PED type=C keylen=12 itemlen=16 expr=\"C_PED\" key_format=0x50 unique=1 descending=0"));
    EXPECT_TRUE(out.contains("TAG IMPORTED type=N keylen=12 itemlen=16 expr=\"IMPORTE\" key_format=0x18 unique=0 descending=1"));
    EXPECT_TRUE(out.contains("TAG F_PED type=D keylen=8 itemlen=12 expr=\"F_PED\" key_format=0x10"));
    EXPECT_FALSE(out.contains("ERROR")) << out.toStdString();
}

namespace {

// Tags of dBASE expressions, FOR conditions, descending and unique, over records whose keys
// the test works out by hand, so that Perl's walk of the file is checked against dBASE's
// rules and not against the engine's own evaluator. (Perl XBase walks trees but computes no
// expression: the keys it returns are the file's.)
class ExpressionTags : public ::testing::Test
{
protected:
    struct Row
    {
        QByteArray last, first, cust, po, state;
        QDate date;
        int amount = 0;
        bool active = false;
    };
    using Entry = std::pair<QByteArray, std::uint32_t>;
    using Entries = std::vector<Entry>;

    ExpressionTags()
    {
        table.addField("LASTNAME", 'C', 12);
        table.addField("FIRSTNAME", 'C', 10);
        table.addField("CUST_ID", 'C', 6);
        table.addField("DATE_TRANS", 'D', 8);
        table.addField("PO_NUMBER", 'C', 5);
        table.addField("AMOUNT", 'N', 10, 2);
        table.addField("STATE", 'C', 1);
        table.addField("ACTIVE", 'L', 1);
    }

    Row randomRow(QRandomGenerator &rng) const
    {
        static const QList<QByteArray> last = {"SMITH", "smith", "DE LA CRUZ", "O'NEIL", "LEE", "ABERNATHY-JONES"};
        static const QList<QByteArray> first = {"ANN", "BOB", " CARL", "", "DIANA", "ED"};
        Row r;
        r.last = last[int(rng.bounded(last.size()))].left(12);
        r.first = first[int(rng.bounded(first.size()))];
        r.cust = "C-" + QByteArray::number(rng.bounded(40)).rightJustified(4, '0');
        r.po = rng.bounded(4) == 0 ? QByteArray(" ") + QByteArray::number(rng.bounded(999)) : QByteArray::number(rng.bounded(99999));
        r.state = QByteArray(1, "ABC"[rng.bounded(3)]);
        r.date = rng.bounded(10) == 0 ? QDate() : QDate(1995, 1, 1).addDays(rng.bounded(12000));
        r.amount = int(rng.bounded(2000000)) - 1000000;
        r.active = rng.bounded(2) == 0;
        return r;
    }

    QByteArray recordOf(const Row &r) const
    {
        return table.make({r.last, r.first, r.cust, r.date.isValid() ? r.date.toString("yyyyMMdd").toLatin1() : QByteArray(),
                           r.po, QByteArray::number(r.amount / 100.0, 'f', 2), r.state, r.active ? "T" : "F"});
    }

    static QByteArray pad(const QByteArray &s, int n) { return s.left(n).leftJustified(n, ' '); }
    static QByteArray rtrim(const QByteArray &s)
    {
        QByteArray t = s;
        while (t.endsWith(' '))
            t.chop(1);
        return t;
    }
    static QByteArray ltrim(const QByteArray &s)
    {
        qsizetype i = 0;
        while (i < s.size() && s[i] == ' ')
            ++i;
        return s.mid(i);
    }

    // The key each tag gives a row by dBASE's rules, worked out here by hand.
    QByteArray expectedKey(const QString &tag, const Row &r, std::uint32_t recno) const
    {
        const QByteArray last = pad(r.last, 12), first = pad(r.first, 10), po = pad(r.po, 5);
        const QByteArray dtoc = r.date.isValid() ? r.date.toString("MM/dd/yy").toLatin1() : QByteArray("  /  /  ");
        if (tag == u"NAMES")
            return pad(rtrim(last) + first, 22);
        if (tag == u"CUSTPO")
            return pad(r.cust, 6) + dtoc + po;
        if (tag == u"UPCODE")
            return last.left(3).toUpper() + pad(r.cust, 6).mid(2);
        if (tag == u"AMOUNTS")
            return QByteArray::number(r.amount / 100.0, 'f', 2).rightJustified(10, ' ') + po.right(2);
        if (tag == u"JOINED") // LOWER(LASTNAME)-FIRSTNAME: the blanks go to the end
            return rtrim(last.toLower()) + first + QByteArray(last.size() - rtrim(last).size(), ' ');
        if (tag == u"OPEN")
            return last;
        if (tag == u"CALC")
            return numeric_key::fromDouble(pad(r.cust, 6).mid(2).toInt() * 3.0 - recno);
        if (tag == u"WHEN") {
            const QDate d = r.date.isValid() ? QDate(1900 + r.date.year() % 100, r.date.month(), r.date.day()) : QDate();
            return date_key::fromJulianDay(d.isValid() ? double(d.toJulianDay() + (r.active ? 1 : 0)) : 0);
        }
        if (tag == u"SEQ")
            return QByteArray::number(recno).rightJustified(6, ' ') + "  **";
        return pad(ltrim(po) + rtrim(first), 15); // LTR
    }

    bool inTag(const QString &tag, const Row &r) const { return tag != u"OPEN" || (r.state == "A" && r.active); }

    // The tag's entries in dBASE's order: by key (descending ones reversed), equal keys by
    // record number; a unique tag keeps the first record of each key.
    Entries expectedEntries(const TagInfo &tag) const
    {
        Entries entries;
        for (std::uint32_t recno = 1; recno <= rows.size(); ++recno) {
            if (inTag(tag.spec.name, rows[recno - 1]))
                entries.emplace_back(expectedKey(tag.spec.name, rows[recno - 1], recno), recno);
        }
        auto order = [&](const QByteArray &a, const QByteArray &b) {
            int c = tag.type == KeyType::Numeric ? numeric_key::compare(a, b)
                  : tag.type == KeyType::Date    ? date_key::compare(a, b)
                                                 : std::memcmp(a.constData(), b.constData(), size_t(a.size()));
            c = c < 0 ? -1 : (c > 0 ? 1 : 0);
            return tag.spec.descending ? -c : c;
        };
        std::stable_sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) { return order(a.first, b.first) < 0; });
        if (tag.spec.unique)
            entries.erase(std::unique(entries.begin(), entries.end(),
                                      [&](const Entry &a, const Entry &b) { return order(a.first, b.first) == 0; }),
                          entries.end());
        return entries;
    }

    // After edits a unique tag holds the record that took each key first, which the rows
    // no longer tell; it is then only compared with Perl's walk.
    void expectDbaseOrderInPerl(const QString &path, const MdxFile &index, bool edited)
    {
        for (int t = 0; t < index.tagCount(); ++t) {
            const TagInfo &tag = index.tag(t);
            bool ok = false;
            const auto perl = test::perlWalk(path, tag.spec.name, &ok);
            ASSERT_TRUE(ok) << "Perl XBase could not walk " << tag.spec.name.toStdString();
            EXPECT_EQ(perl, test::walk(index, t)) << tag.spec.name.toStdString();
            if (!(edited && tag.spec.unique)) {
                EXPECT_EQ(perl, expectedEntries(tag)) << tag.spec.name.toStdString();
            }
        }
    }

    test::MemoryTable table;
    std::vector<Row> rows;
    test::TempFolder dir;
    const QList<TagSpec> tags = {
        {"NAMES", "TRIM(LASTNAME)+FIRSTNAME"},
        {"CUSTPO", "cust_id+DTOC(date_trans)+po_number"},
        {"UPCODE", "UPPER(LEFT(LASTNAME,3))+SUBSTR(CUST_ID,3)"},
        {"AMOUNTS", "STR(AMOUNT,10,2)+RIGHT(PO_NUMBER,2)", true, false},
        {"JOINED", "LOWER(LASTNAME)-FIRSTNAME", false, true},
        {"OPEN", "LASTNAME", false, false, "STATE = 'A' .AND. ACTIVE"},
        {"CALC", "VAL(SUBSTR(CUST_ID,3))*3-RECNO()"},
        {"WHEN", "CTOD(DTOC(DATE_TRANS))+IIF(ACTIVE,1,0)", true, false},
        {"SEQ", "STR(RECNO(),6)+SPACE(2)+REPLICATE('*',2)"},
        {"LTR", "LTRIM(PO_NUMBER)+TRIM(FIRSTNAME)"},
    };
};

} // namespace

TEST_F(ExpressionTags, PerlWalksEveryTagInTheOrderOfDbasesKeys)
{
    QRandomGenerator rng(13);
    for (int i = 0; i < 700; ++i) {
        rows.push_back(randomRow(rng));
        table.records.push_back(recordOf(rows.back()));
    }
    const QString path = dir.file("ORDERS.MDX");
    MdxFile::create(path, "ORDERS", 0x1B, table.fields, tags, std::uint32_t(rows.size()), table.source());
    {
        auto index = MdxFile::open(path, table.fields, File::Access::ReadOnly, File::Share::Shared);
        ASSERT_EQ(index->tag(5).spec.forCondition, QStringLiteral("STATE = 'A' .AND. ACTIVE"));
        expectDbaseOrderInPerl(path, *index, false);
    }
    // Records moving into and out of the FOR condition, keys changing, records removed.
    auto index = MdxFile::open(path, table.fields, File::Access::ReadWrite, File::Share::Exclusive);
    for (int i = 0; i < 400; ++i) {
        const std::uint32_t recno = 1 + rng.bounded(quint32(rows.size()));
        const QByteArray before = table.records[recno - 1];
        Row changed = rng.bounded(2) == 0 ? randomRow(rng) : rows[recno - 1];
        changed.active = !changed.active;
        rows[recno - 1] = changed;
        table.records[recno - 1] = recordOf(changed);
        index->updateRecord(recno, before, table.records[recno - 1]);
    }
    for (int i = 0; i < 50; ++i) {
        rows.push_back(randomRow(rng));
        table.records.push_back(recordOf(rows.back()));
        index->insertRecord(std::uint32_t(rows.size()), table.records.back());
    }
    EXPECT_EQ(index->check(std::uint32_t(rows.size()), table.source()), QStringList());
    expectDbaseOrderInPerl(path, *index, true);
}
