#include "dbase/TableDump.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <random>

using namespace qal;
using namespace qal::dbase;

namespace {

// The Perl dump less what describes Perl itself: its comment line, its own header line and
// the name of the memo reader it chose.
QString withoutReaderDetails(const QString &perlDump)
{
    QStringList kept;
    for (const QString &line : perlDump.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1String("HEADER xbase_")))
            continue;
        kept << QString(line).remove(QRegularExpression(QStringLiteral(" reader=\\S+")));
    }
    return kept.join(QLatin1Char('\n'));
}

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Runs the independent reader in the table's folder, so that file names print bare.
QString perlDump(const QString &folder, const QString &table)
{
    QProcess perl;
    perl.setWorkingDirectory(folder);
    perl.start(QStringLiteral("perl"), {QStringLiteral(QAL_SOURCE_DIR) + "/tests/tools/xbase-dump.pl", "--keys", table});
    perl.waitForFinished(60000);
    EXPECT_EQ(perl.exitCode(), 0) << perl.readAllStandardError().toStdString();
    return withoutReaderDetails(QString::fromUtf8(perl.readAllStandardOutput()));
}

QString ourDump(const QString &folder, const QString &table)
{
    const QString before = QDir::currentPath();
    QDir::setCurrent(folder);
    QString dump = dumpTable(table, DumpOptions {true, true, true});
    QDir::setCurrent(before);
    return withoutReaderDetails(dump);
}

void expectSameLines(const QString &expected, const QString &actual, const std::string &what)
{
    const QStringList e = expected.trimmed().split('\n');
    const QStringList a = actual.trimmed().split('\n');
    for (qsizetype i = 0; i < std::min(e.size(), a.size()); ++i)
        ASSERT_EQ(e[i].toStdString(), a[i].toStdString()) << what << " line " << i + 1;
    ASSERT_EQ(e.size(), a.size()) << what;
}

struct Fixture
{
    const char *folder;
    const char *table;
};

const Fixture kFixtures[] = {
    {"dbase5dos_testgen", "TESTGEN.DBF"},         {"legacyapp_facture", "FACTURE.DBF"},
    {"legacyapp_depense", "DEPENSE.DBF"},         {"dans_dbase3plus_cars_del", "cars.dbf"},
    {"dans_dbase3plus_memotest", "MEMOTEST.DBF"}, {"dans_dbase4_memotest", "MEMOTEST.DBF"},
    {"dans_dbase5_memotest", "MEMOTEST.DBF"},     {"synthetic_dbase5_lock", "MULTI.DBF"},
};

bool perlXBaseInstalled()
{
    QProcess perl;
    perl.start(QStringLiteral("perl"), {"-MXBase", "-MXBase::Index", "-e", "1"});
    return perl.waitForFinished(30000) && perl.exitStatus() == QProcess::NormalExit && perl.exitCode() == 0;
}

struct AdminRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

AdminRun qalAdmin(const QString &folder, const QStringList &args)
{
    QProcess admin;
    admin.setWorkingDirectory(folder);
    admin.start(QStringLiteral(QAL_BIN_DIR) + "/qal-admin", args);
    admin.waitForFinished(120000);
    return {admin.exitStatus() == QProcess::NormalExit ? admin.exitCode() : -1,
            QString::fromUtf8(admin.readAllStandardOutput()), QString::fromUtf8(admin.readAllStandardError())};
}

// Every table of the project's test data: (fixture folder, table file).
QList<QPair<QString, QString>> testDataTables()
{
    QList<QPair<QString, QString>> tables;
    const QDir root(test::TempFolder::fixture(QStringLiteral("dbase")));
    for (const QString &folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        for (const QString &file : QDir(root.filePath(folder)).entryList(QDir::Files, QDir::Name)) {
            if (file.endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive))
                tables.append({folder, file});
        }
    }
    return tables;
}

} // namespace

TEST(Compatibility, RealTablesReadExactlyAsTheIndependentReaderReadsThem)
{
    for (const Fixture &f : kFixtures) {
        test::TempFolder dir;
        ASSERT_TRUE(dir.copyFixture(QStringLiteral("dbase/") + f.folder));
        const QString expected = withoutReaderDetails(
            readText(test::TempFolder::fixture(QStringLiteral("dbase/expected/%1.txt").arg(f.folder))));
        expectSameLines(expected, ourDump(dir.path(), f.table), f.folder);
    }
}

// The operator's tool shows every table of the test data as the other reader shows it,
// byte for byte where the bytes are no text, and finds each of them sound.
TEST(Compatibility, AdminDumpOfEveryTestTableIsTheIndependentReadersDump)
{
    if (!perlXBaseInstalled())
        GTEST_SKIP() << "Perl XBase (paquete libdbd-xbase-perl) no está instalado: no hay con qué comparar.";
    const auto tables = testDataTables();
    ASSERT_GE(tables.size(), 8);
    for (const auto &[folder, table] : tables) {
        test::TempFolder dir;
        ASSERT_TRUE(dir.copyFixture(QStringLiteral("dbase/") + folder));
        const AdminRun dump = qalAdmin(dir.path(), {"dump", "--keys", table});
        ASSERT_EQ(dump.exitCode, 0) << dump.err.toStdString();
        expectSameLines(perlDump(dir.path(), table), withoutReaderDetails(dump.out), folder.toStdString());
        const AdminRun check = qalAdmin(dir.path(), {"check", table});
        EXPECT_EQ(check.exitCode, 0) << folder.toStdString() << ": " << check.err.toStdString();
        EXPECT_EQ(check.out.toStdString(), (table + QStringLiteral(": correcta\n")).toStdString()) << folder.toStdString();
    }
}

// Every real table, edited, appended to, deleted from and packed by the engine, still reads
// the same in the other reader, whose walk of every tag gives the engine's order.
TEST(Compatibility, RealTablesWrittenByTheEngineStillReadInTheOtherReader)
{
    for (const Fixture &f : kFixtures) {
        test::TempFolder dir;
        ASSERT_TRUE(dir.copyFixture(QStringLiteral("dbase/") + f.folder));
        ProgramFolder::setPath(dir.path());
        {
            Table t(f.table);
            t.open(Table::Mode::Exclusive);
            const FieldDescriptor first = t.fields().front();
            for (int i = 0; i < 3; ++i) {
                t.append();
                if (first.type == 'C')
                    t.setValue(first.name, QStringLiteral("AÑADIDO %1").arg(i).left(first.length));
                else if (first.type == 'N')
                    t.setValue(first.name, qlonglong(900 + i));
                t.post();
            }
            t.first();
            if (!t.eof()) {
                t.edit();
                if (first.type == 'C')
                    t.setValue(first.name, QStringLiteral("EDITADO").left(first.length));
                else if (first.type == 'N')
                    t.setValue(first.name, qlonglong(7));
                t.post();
                t.next();
                if (!t.eof())
                    t.deleteRecord();
            }
            const std::string before = ourDump(dir.path(), f.table).toStdString();
            t.pack();
            t.close();
            EXPECT_NE(before, ourDump(dir.path(), f.table).toStdString()) << f.folder;
        }
        expectSameLines(perlDump(dir.path(), f.table), ourDump(dir.path(), f.table), f.folder);
    }
}

// Tables of every field type written by the engine, with Spanish text, blobs, nulls, deleted
// records and a production index of character, numeric and date tags (ascending, descending,
// unique, expressions, a FOR condition) deep enough for several tree levels.
TEST(Compatibility, TablesTheEngineWritesReadTheSameInTheOtherReader)
{
    test::TempFolder dir;
    ProgramFolder::setPath(dir.path());
    Table::create("TODOS.DBF",
                  {{"C_PED", 'N', 8, 0, 0}, {"X_APE1", 'C', 15, 0, 0}, {"N_MONTO", 'N', 12, 2, 0},
                   {"N_TASA", 'F', 10, 4, 0}, {"F_PED", 'D', 8, 0, 0}, {"M_ENVIADO", 'L', 1, 0, 0},
                   {"X_OBS", 'M', 10, 0, 0}, {"B_HUELLA", 'B', 10, 0, 0}},
                  {{"C_PED", "C_PED", false, true}, {"X_APE1", "X_APE1", false, false},
                   {"F_PED", "F_PED", true, false}, {"N_MONTO", "N_MONTO", true, false},
                   {"APEFEC", "X_APE1+DTOS(F_PED)", false, false},
                   {"APETRIM", "TRIM(X_APE1)-'/'+DTOC(F_PED)", true, false},
                   {"ENVIADOS", "C_PED", false, false, "M_ENVIADO .AND. N_MONTO > 0"}});
    Table t("TODOS.DBF");
    t.open(Table::Mode::Exclusive);
    const QStringList names {QStringLiteral("PEÑA"), QStringLiteral("MUÑOZ"), QStringLiteral("ÁLVAREZ"),
                             "GOMEZ", QStringLiteral("NÚÑEZ"), "", QStringLiteral("D'ÁNGELO")};
    std::mt19937 rng(7);
    for (int i = 1; i <= 1500; ++i) {
        t.append();
        t.setValue("C_PED", qlonglong(i % 700 == 0 ? 5 : i)); // duplicates in a unique tag
        if (i % 11 != 0)
            t.setValue("X_APE1", names[i % names.size()] + QString::number(rng() % 50));
        if (i % 13 != 0)
            t.setValue("N_MONTO", double(int(rng() % 2000000) - 1000000) / 100.0);
        t.setValue("N_TASA", 0.0001 * (rng() % 10000));
        if (i % 17 != 0)
            t.setValue("F_PED", QDate(1990, 1, 1).addDays(qint64(rng() % 12000)));
        if (i % 5 != 0)
            t.setValue("M_ENVIADO", i % 2 == 0);
        if (i % 3 == 0)
            t.setValue("X_OBS", QStringLiteral("Observación %1: señor Ñandú\r\notra línea").arg(i));
        if (i % 7 == 0) {
            QByteArray blob;
            for (int b = 0; b < 700 + i; ++b)
                blob.append(char(rng() & 0xFF));
            t.setValue("B_HUELLA", blob);
        }
        t.post();
    }
    QSet<std::uint32_t> deleted;
    while (deleted.size() < 60) {
        const std::uint32_t recno = 1 + rng() % 1500;
        if (deleted.contains(recno))
            continue;
        t.gotoBookmark(recno);
        t.deleteRecord();
        deleted.insert(recno);
    }
    t.close();
    expectSameLines(perlDump(dir.path(), "TODOS.DBF"), ourDump(dir.path(), "TODOS.DBF"), "TODOS");
}
