#include "dbase/DbfFile.h"
#include "dbase/FieldValue.h"
#include "dbase/MdxFile.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <random>

using namespace qal;
using namespace qal::dbase;

namespace {

struct Row
{
    bool deleted = false;
    QString name;
    bool operator==(const Row &o) const { return deleted == o.deleted && name == o.name; }
};
using State = std::map<std::uint32_t, Row>;

// The table as the files hold it, read without the cursor.
State readState(const QString &path)
{
    DbfFile dbf;
    dbf.open(path, File::Access::ReadOnly, File::Share::None);
    const FieldDescriptor name = dbf.fields()[fieldIndex(dbf.fields(), "NAME")];
    State s;
    for (std::uint32_t r = 1; r <= dbf.recordCount(); ++r) {
        const QByteArray rec = dbf.readRecord(r);
        s[r] = Row {rec[0] == DbfFile::kDeleted,
                    fieldvalue::decode(name, QByteArrayView(rec).sliced(name.offset, name.length)).toString()};
    }
    return s;
}

// Applies the writes the writer said had returned.
void replay(State &s, const QString &logPath)
{
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray &raw : f.readAll().split('\n')) {
        const QList<QByteArray> w = raw.split(' ');
        if (w.size() < 2)
            continue; // a torn last line: that write is not counted as returned
        const std::uint32_t recno = w[1].toUInt();
        if (w[0] == "A" && w.size() == 3)
            s[recno] = Row {false, QString::fromUtf8(w[2])};
        else if (w[0] == "E" && w.size() == 3)
            s[recno].name = QString::fromUtf8(w[2]);
        else if (w[0] == "D")
            s[recno].deleted = true;
    }
}

// Records whose state differs between what the log promises and the files.
int differences(const State &expected, const State &actual)
{
    int n = 0;
    for (const auto &[recno, row] : expected) {
        const auto it = actual.find(recno);
        if (it == actual.end() || !(it->second == row))
            ++n;
    }
    for (const auto &[recno, row] : actual) {
        if (!expected.count(recno))
            ++n;
    }
    return n;
}

} // namespace

// A writer process is killed at random moments, 200 times. After each kill the table must
// open, every index tag must hold exactly the records' keys, every memo must read, and every
// write the writer saw return must be there. Only the one write in flight (done, but killed
// before it could say so) may be there without a log line.
TEST(CrashSafety, KilledWritersNeverLoseOrCorruptCommittedRecords)
{
    test::TempFolder dir;
    ProgramFolder::setPath(dir.path());
    const QString table = dir.file("CRASH.DBF");
    Table::create(table,
                  {{"ID", 'N', 8, 0, 0}, {"NAME", 'C', 20, 0, 0}, {"AMOUNT", 'N', 10, 2, 0},
                   {"BORN", 'D', 8, 0, 0}, {"OK", 'L', 1, 0, 0}, {"NOTES", 'M', 10, 0, 0}},
                  {{"ID", "ID", false, false}, {"NAME", "NAME", false, false}, {"BORN", "BORN", true, false}});

    std::mt19937 rng(20261208);
    State known = readState(table);
    int kills = 0;
    for (int round = 0; round < 200; ++round) {
        QFile::remove(dir.file("crash.log"));
        QProcess writer;
        writer.start(QStringLiteral(QAL_BIN_DIR) + "/crash_writer", {dir.path(), QString::number(rng())});
        ASSERT_TRUE(writer.waitForStarted());
        QThread::msleep(60 + rng() % 140);
        ASSERT_EQ(writer.state(), QProcess::Running) << writer.readAllStandardError().toStdString();
        ::kill(pid_t(writer.processId()), SIGKILL);
        writer.waitForFinished();
        ++kills;

        Table t("CRASH.DBF");
        ASSERT_NO_THROW(t.open(Table::Mode::Exclusive)) << "round " << round;
        EXPECT_FALSE(QFile::exists(dir.file("CRASH.qjl"))) << "the journal is rolled back at open";
        DbfFile raw;
        raw.open(table, File::Access::ReadOnly, File::Share::None);
        const QStringList problems = t.productionIndex()->check(
            raw.recordCount(), [&](std::uint32_t recno, QByteArray &record) {
                record = raw.readRecord(recno);
                return true;
            });
        ASSERT_TRUE(problems.isEmpty()) << "round " << round << ": " << problems.join('\n').toStdString();
        int walked = 0;
        for (t.first(); !t.eof(); t.next()) {
            const QString notes = t.value("NOTES").toString();
            ASSERT_TRUE(notes.count(QLatin1Char('n')) == notes.size() || notes.count(QLatin1Char('e')) == notes.size());
            ++walked;
        }
        t.close();
        raw.close();

        State expected = known;
        replay(expected, dir.file("crash.log"));
        const State actual = readState(table);
        ASSERT_LE(differences(expected, actual), 1) << "round " << round;
        int live = 0;
        for (const auto &[recno, row] : actual)
            live += row.deleted ? 0 : 1;
        ASSERT_EQ(walked, live);
        known = actual;
    }
    EXPECT_EQ(kills, 200);
    EXPECT_GT(known.size(), 200u) << "the writer got real work done between kills";
}
