#include "data/ProgramFolderSetup.h"
#include "data/TableSchema.h"
#include "data/Tdm.h"
#include "dbase/DbfFile.h"
#include "dbase/Table.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

using namespace qal;

namespace {

// A ready program folder, made the program folder for the test's lifetime.
class ProgramFolderFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_before = ProgramFolder::path();
        createProgramFolder(dir.path(), legacy());
        ProgramFolder::setPath(dir.path());
    }
    void TearDown() override
    {
        ProgramFolder::setPath(m_before);
        Clock::reset();
    }
    virtual bool legacy() const { return false; }

    void setSetting(const QString &key, const QString &value)
    {
        dbase::Table amb("amb.dbf");
        amb.open();
        amb.setIndexField("C_AMB");
        ASSERT_TRUE(amb.findKey(key));
        amb.edit();
        amb.setValue("X_AMB", value);
        amb.post();
    }

    QByteArray bytes(const QString &name)
    {
        QFile f(ProgramFolder::resolve(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    test::TempFolder dir;
    test::ScriptedDialogs dialogs;

private:
    QString m_before;
};

class LegacyFolder : public ProgramFolderFixture
{
    bool legacy() const override { return true; }
};

} // namespace

TEST_F(LegacyFolder, AStartUpgradesEveryTableAndLosesNothing)
{
    {
        dbase::Table ped("PED.DBF");
        ped.open();
        ped.append();
        ped.setValue("C_PED", 7);
        ped.setValue("X_APE1", QStringLiteral("PEÑALOZA"));
        ped.setValue("N_CAUSA", "12345678");
        ped.post();
        dbase::Table sup("sup.dbf");
        sup.open();
        sup.append();
        sup.setValue("C_PED", 7);
        sup.setValue("C_REG", 123);
        sup.setValue("X_APE1", "ALIAS");
        sup.post();
    }
    Tdm dm;
    dm.dmCreate();
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(dm.InicioCompleto);
    for (const char *field : {"X_OAPE", "X_EMAIL", "C_EST", "M_MENOR", "M_EXCART51", "C_CARPED", "X_RECHAZO"})
        EXPECT_TRUE(dm.ped.hasField(field)) << field;
    for (const char *field : {"C_SEGUR", "C_PAGO_DOMIC", "F_PAGO", "VERIF_ID", "C_LOGIN", "X_OAPE"})
        EXPECT_TRUE(dm.pedp.hasField(field)) << field;
    EXPECT_TRUE(dm.org.hasField("X_EMAIL"));
    EXPECT_EQ(dm.ped.fieldWidth("N_CAUSA"), 15);
    EXPECT_EQ(dm.sup.fieldWidth("C_PED"), 8);
    EXPECT_EQ(dm.sup.fieldWidth("C_REG"), 4);
    ASSERT_TRUE(dm.ped.findKey(7));
    EXPECT_EQ(dm.ped.value("X_APE1").toString(), QStringLiteral("PEÑALOZA"));
    EXPECT_EQ(dm.ped.value("N_CAUSA").toString(), "12345678");
    EXPECT_EQ(dm.ped.value("M_MENOR"), QVariant(false)); // the upgrade sets the new marks false
    dm.sup.first();
    EXPECT_EQ(dm.sup.value("C_REG").toLongLong(), 123);
    EXPECT_EQ(dm.org.recordCount(), 3);
}

// The progress windows a start opened, with what each was told.
struct RecordedProgress : Progress
{
    struct Window
    {
        QString title, label;
        QList<int> steps;
        bool pedWasLegacy = false; // when the window first showed progress
    };
    RecordedProgress(QList<Window> &windows, int at) : m_windows(windows), m_at(at) {}
    void setProgress(int percent) override
    {
        Window &w = m_windows[m_at];
        if (w.steps.isEmpty()) {
            dbase::Table ped("PED.DBF");
            ped.open();
            w.pedWasLegacy = !ped.hasField("X_OAPE");
        }
        w.steps << percent;
    }
    QList<Window> &m_windows;
    int m_at;
};

ProgressFactory recordInto(QList<RecordedProgress::Window> &windows)
{
    return [&windows](const QString &title, const QString &label) -> std::unique_ptr<Progress> {
        windows.append({title, label, {}, false});
        return std::make_unique<RecordedProgress>(windows, int(windows.size() - 1));
    };
}

TEST_F(LegacyFolder, TheUpgradeShowsItsProgressFromBeforeTheFirstWrite)
{
    QList<RecordedProgress::Window> windows;
    Tdm dm;
    dm.openProgress = recordInto(windows);
    dm.ActualizarEsquema();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0].title, QStringLiteral("Actualización de Tablas"));
    EXPECT_EQ(windows[0].label, QStringLiteral("Actualizando la estructura de las tablas..."));
    EXPECT_TRUE(windows[0].pedWasLegacy);
    ASSERT_FALSE(windows[0].steps.isEmpty());
    EXPECT_EQ(windows[0].steps.front(), 0);
    EXPECT_EQ(windows[0].steps.back(), 100);
    EXPECT_TRUE(std::is_sorted(windows[0].steps.begin(), windows[0].steps.end()));
    EXPECT_TRUE(dialogs.texts().isEmpty());

    // upgraded once: the next start has nothing to show and writes nothing
    windows.clear();
    const QByteArray ped = bytes("PED.DBF");
    Tdm again;
    again.openProgress = recordInto(windows);
    again.ActualizarEsquema();
    EXPECT_TRUE(windows.isEmpty());
    EXPECT_EQ(bytes("PED.DBF"), ped);
}

// A folder whose requests take many pieces to rewrite: the bar moves while ped is rewritten,
// and again while its index is written anew, never only between tables.
TEST_F(LegacyFolder, TheBarsMoveInsideALargeTable)
{
    {
        dbase::Table ped("PED.DBF");
        ped.open();
        for (int n = 1; n <= 6000; ++n) {
            ped.append();
            ped.setValue("C_PED", n);
            ped.setValue("X_APE1", QStringLiteral("APELLIDO%1").arg(n % 97));
            ped.post();
        }
    }
    const auto between = [](const QList<int> &steps) {
        return std::count_if(steps.begin(), steps.end(), [](int p) { return p > 0 && p < 100; });
    };
    QList<RecordedProgress::Window> windows;
    Tdm dm;
    dm.openProgress = recordInto(windows);
    dm.ActualizarEsquema();
    ASSERT_EQ(windows.size(), 1);
    const QList<int> &upgrade = windows[0].steps;
    EXPECT_TRUE(std::is_sorted(upgrade.begin(), upgrade.end()));
    EXPECT_EQ(upgrade.back(), 100);
    QStringList shownSteps;
    for (int p : upgrade)
        shownSteps << QString::number(p);
    // ped is almost all of the bytes: without its own progress the bar would jump 0, 99, 100
    EXPECT_GE(between(upgrade), 4) << "the upgrade's bar moved only between tables: " << shownSteps.join(',').toStdString();
    EXPECT_EQ(std::adjacent_find(upgrade.begin(), upgrade.end()), upgrade.end()) << "a percentage shown twice";

    windows.append({QStringLiteral("Ordenamiento de Archivos"), QString(), {}, false});
    RecordedProgress rebuild(windows, 1);
    ASSERT_TRUE(dm.Reindexar(&rebuild));
    const QList<int> &reindex = windows[1].steps;
    EXPECT_TRUE(std::is_sorted(reindex.begin(), reindex.end()));
    EXPECT_EQ(reindex.back(), 100);
    EXPECT_GT(between(reindex), int(dm.tables().size())) << "the rebuild's bar moved only between tables";
}

// The tables are rewritten side by side: one that cannot be written (the name of its new
// file is taken) fails alone and is left as it was, byte for byte; the others are upgraded.
TEST_F(LegacyFolder, ATableThatCannotBeRewrittenLeavesTheOthersUpgraded)
{
    const QByteArray pedp = bytes("pedp.dbf");
    ASSERT_TRUE(QDir().mkpath(ProgramFolder::resolve("pedp.dbf") + ".qtmp"));
    Tdm dm;
    // pedp's first step has no message of its own: its failure ends the upgrade
    EXPECT_THROW(dm.ActualizarEsquema(), std::exception);
    EXPECT_EQ(bytes("pedp.dbf"), pedp);
    dbase::Table ped("PED.DBF");
    ped.open();
    for (const char *field : {"X_OAPE", "X_EMAIL", "C_EST", "M_MENOR", "M_EXCART51", "C_CARPED", "X_RECHAZO"})
        EXPECT_TRUE(ped.hasField(field)) << field;
    EXPECT_EQ(ped.fieldWidth("N_CAUSA"), 15);
    dbase::Table org("org.dbf");
    org.open();
    EXPECT_TRUE(org.hasField("X_EMAIL"));
}

// The start's windows, one after the other: what the start had done to ped when each opened.
TEST_F(LegacyFolder, TheRebuildWindowIsOnScreenFromThePackOn)
{
    {
        dbase::Table ped("PED.DBF");
        ped.open();
        for (int n = 1; n <= 3; ++n) {
            ped.append();
            ped.setValue("C_PED", n);
            ped.post();
        }
        ped.first();
        ped.deleteRecord(); // the start's pack removes it
    }
    QStringList titles;
    QList<std::uint32_t> pedRecords; // physical records of ped when each window opened
    Tdm dm;
    dm.openProgress = [&](const QString &title, const QString &) -> std::unique_ptr<Progress> {
        dbase::Table ped("PED.DBF");
        ped.open();
        titles << title;
        pedRecords << ped.physicalRecordCount();
        return nullptr;
    };
    dm.dmCreate();
    EXPECT_TRUE(dm.InicioCompleto);
    EXPECT_EQ(titles, QStringList({"Actualización de Tablas", "Ordenamiento de Archivos"}));
    EXPECT_EQ(pedRecords, QList<std::uint32_t>({3, 3})) << "the rebuild's window opens before the pack";
    EXPECT_EQ(dm.ped.physicalRecordCount(), 2u);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('|').toStdString();
}

TEST_F(LegacyFolder, TheNewFieldsFollowTheOldOnesInTheOrderOfTheSteps)
{
    QStringList legacy;
    for (const dbase::FieldDescriptor &f : tableDefinition("ped").descriptors(true))
        legacy << f.name;
    {
        dbase::Table ped("PED.DBF");
        ped.open();
        ped.append();
        ped.setValue("C_PED", 9);
        ped.setValue("N_CAUSA", "A-1");
        ped.setValue("X_OBS", QStringLiteral("ÚLTIMO CAMPO VIEJO"));
        ped.post();
    }
    Tdm dm;
    dm.ActualizarEsquema();
    dbase::DbfFile dbf;
    dbf.open(dir.file("PED.DBF"), dbase::File::Access::ReadOnly, dbase::File::Share::None);
    QStringList names, added;
    for (const dbase::FieldDescriptor &f : dbf.fields()) {
        names << f.name;
        if (!legacy.contains(f.name))
            added << QStringLiteral("%1 %2%3").arg(f.name).arg(QLatin1Char(f.type)).arg(f.length);
    }
    EXPECT_EQ(names.mid(0, legacy.size()), legacy);
    EXPECT_EQ(added, QStringList({"X_OAPE C15", "X_EMAIL C100", "C_PREFIJO C20", "C_SUFIJO C20", "C_VERSION C10",
                                  "X_RECHAZO C225", "M_MENOR L1", "M_TOMA_KTV L1", "M_ESPECIAL L1", "C_CLASDER C5",
                                  "C_CLASIZQ C5", "M_EXCART51 L1", "C_EST C1", "C_TDEL N4", "C_CARPED C1"}));
    EXPECT_EQ(dbf.fields()[dbase::fieldIndex(dbf.fields(), "N_CAUSA")].length, 15);
    dbf.close();

    dbase::Table ped("PED.DBF");
    ped.open();
    ped.setIndexField("C_PED");
    ASSERT_TRUE(ped.findKey(9));
    EXPECT_EQ(ped.value("N_CAUSA").toString(), "A-1");
    EXPECT_EQ(ped.value("X_OBS").toString(), QStringLiteral("ÚLTIMO CAMPO VIEJO"));
    for (const char *mark : {"M_MENOR", "M_TOMA_KTV", "M_ESPECIAL", "M_EXCART51"})
        EXPECT_EQ(ped.value(mark), QVariant(false)) << mark;
    EXPECT_TRUE(ped.isNull("X_OAPE"));
    EXPECT_TRUE(ped.isNull("C_TDEL"));
    EXPECT_TRUE(ped.checkIndex().isEmpty());
}

TEST_F(ProgramFolderFixture, AnUpToDateFolderIsNotRestructured)
{
    const QByteArray ped = bytes("PED.DBF");
    const QByteArray pedp = bytes("Pedp.DBF");
    Tdm dm;
    dm.ActualizarEsquema();
    EXPECT_EQ(bytes("PED.DBF"), ped);
    EXPECT_EQ(bytes("Pedp.DBF"), pedp);
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(ProgramFolderFixture, OnlyTheOldWidthIsWidened)
{
    CambiarAncho(dir.path(), "PED.DBF", "N_CAUSA", 10, 15);
    ASSERT_EQ(AnchoCampo(dir.path(), "ped.dbf", "N_CAUSA"), 10);
    Tdm dm;
    dm.ActualizarEsquema();
    EXPECT_EQ(AnchoCampo(dir.path(), "ped.dbf", "N_CAUSA"), 10);
}

TEST_F(ProgramFolderFixture, ACorruptIndexIsRestoredFromItsBackupSilently)
{
    {
        QFile mdx(ProgramFolder::resolve("PED.MDX"));
        ASSERT_TRUE(mdx.open(QIODevice::ReadWrite));
        mdx.seek(544);
        mdx.write(QByteArray(64, '\xEE'));
    }
    Tdm dm;
    dm.RepararIndices();
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('|').toStdString();
    dbase::Table ped("PED.DBF");
    EXPECT_NO_THROW(ped.open());
}

TEST_F(ProgramFolderFixture, AnIndexWithoutBackupIsWrittenFromTheProgramsTags)
{
    QFile::remove(ProgramFolder::resolve("org_bak.mdx"));
    QFile mdx(ProgramFolder::resolve("org.MDX"));
    ASSERT_TRUE(mdx.open(QIODevice::WriteOnly | QIODevice::Truncate));
    mdx.write("garbage");
    mdx.close();
    Tdm dm;
    dm.RepararIndices();
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(bytes("org_orig.MDX"), QByteArray("garbage"));
    dbase::Table org("org.DBF");
    org.open();
    EXPECT_TRUE(org.checkIndex().isEmpty());
    org.setIndexField("C_ORG");
    EXPECT_TRUE(org.findKey(1));
}

TEST_F(ProgramFolderFixture, AMissingTableEndsStartUpWithItsMessage)
{
    QFile::remove(ProgramFolder::resolve("nac.DBF"));
    Tdm dm;
    bool terminated = false;
    dm.terminate = [&] { terminated = true; };
    dm.dmCreate();
    EXPECT_TRUE(terminated);
    EXPECT_FALSE(dm.InicioCompleto);
    ASSERT_FALSE(dialogs.texts().isEmpty());
    EXPECT_TRUE(dialogs.texts().back().startsWith(
        QStringLiteral("No existe la tabla: nac .Comuniquese con el soporte  técnico de QAL Central.\r")))
        << dialogs.texts().back().toStdString();
    EXPECT_FALSE(dm.ped.isOpen());
}

// A request whose card blob points past the end of the memo file cannot be copied by the
// pack; the rest of the start-up does not need it.
TEST_F(ProgramFolderFixture, APackFailureIsReportedAndStartUpGoesOn)
{
    {
        dbase::Table ped("PED.DBF");
        ped.open();
        ped.append();
        ped.setValue("C_PED", 1);
        ped.post();
        ped.append(); // a deleted record gives the pack something to do
        ped.setValue("C_PED", 2);
        ped.post();
        ped.deleteRecord();
    }
    {
        dbase::DbfFile raw;
        raw.open(ProgramFolder::resolve("PED.DBF"), dbase::File::Access::ReadWrite, dbase::File::Share::None);
        QByteArray record = raw.readRecord(1);
        const auto &field = raw.fields()[dbase::fieldIndex(raw.fields(), "B_HUELLA")];
        record.replace(field.offset, field.length, QByteArray("      9999"));
        raw.writeRecord(1, record);
    }
    Tdm dm;
    dm.dmCreate();
    ASSERT_EQ(dialogs.texts().size(), 1) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(dialogs.texts().front(), "No se pudo empaquetar la tabla \"ped\"");
    EXPECT_TRUE(dm.InicioCompleto);
    EXPECT_TRUE(dm.ped.isOpen());
    EXPECT_TRUE(dm.ped.findKey(1));
}

TEST_F(ProgramFolderFixture, SettingsAreReadAndNormalisedAtStart)
{
    setSetting("m_fecpago", "x");
    setSetting("dias_fpago", "-3");
    setSetting("m_domic", "");
    setSetting("m_impauto", "");
    Tdm dm;
    dm.dmCreate();
    EXPECT_TRUE(dm.InicioCompleto);
    EXPECT_EQ(dm.Timer.interval(), 300000); // frec_recep 5
    EXPECT_EQ(dm.LeerParametro("m_fecpago"), "S");
    EXPECT_EQ(dm.LeerParametro("dias_fpago"), "365");
    EXPECT_EQ(dm.LeerParametro("m_domic"), "N");
    EXPECT_TRUE(dm.mImpAuto);
    EXPECT_FALSE(dm.mDomic);
    EXPECT_FALSE(dm.hayLiveScan);
}

TEST_F(ProgramFolderFixture, ANonIntegerReceptionIntervalSkipsTheRestOfStartUp)
{
    setSetting("frec_recep", "cinco");
    setSetting("m_domic", "?");
    Tdm dm;
    dm.dmCreate();
    EXPECT_FALSE(dm.InicioCompleto);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_EQ(dialogs.shown().front().title, "Error");
    EXPECT_EQ(dm.LeerParametro("m_domic"), "?"); // the normalisations after it did not run
}

TEST_F(ProgramFolderFixture, TheOldPop3PasswordIsMigrated)
{
    {
        dbase::Table amb("amb.dbf");
        amb.open();
        amb.append();
        amb.setValue("C_AMB", "pop3Pass");
        amb.setValue("X_AMB", "secreto");
        amb.post();
    }
    Tdm dm;
    dm.dmCreate();
    EXPECT_EQ(dm.LeerParametro("pop3Pass"), QString());
    const QString stored = dm.LeerParametro("pop3PwdE");
    EXPECT_EQ(toCp1252(stored), QByteArray("\x8C\x9A\x9C\x8D\x9A\x8B\x90")); // "secreto", each byte complemented
}

TEST_F(ProgramFolderFixture, ReceptionDoesNothingWhileARequestIsEdited)
{
    Tdm dm;
    dm.dmCreate();
    int fetched = 0;
    dm.fetchMail = [&] {
        EXPECT_FALSE(dm.RecepcionLibre);
        ++fetched;
    };
    dm.RecibirCorreo();
    EXPECT_EQ(fetched, 1);
    dm.ped.append();
    dm.RecibirCorreo();
    EXPECT_EQ(fetched, 1);
    dm.ped.cancel();
    dm.RecepcionLibre = false;
    dm.RecibirCorreo();
    EXPECT_EQ(fetched, 1);
    dm.RecepcionLibre = true;
    dm.fetchMail = [] { throw std::runtime_error("buzón caído"); };
    EXPECT_THROW(dm.RecibirCorreo(), std::runtime_error);
    EXPECT_TRUE(dm.RecepcionLibre);
    dm.TimerTick(true);
    EXPECT_FALSE(dm.Timer.isActive());
}

TEST_F(ProgramFolderFixture, SequenceNumbersCountUpAndAMissingCounterIsReported)
{
    Tdm dm;
    dm.dmCreate();
    EXPECT_EQ(dm.NumeroSecuencia("ped"), 1);
    EXPECT_EQ(dm.NumeroSecuencia("ped"), 2);
    EXPECT_EQ(dm.NumeroSecuencia("org"), 4);
    EXPECT_THROW(dm.NumeroSecuencia("nada"), dbase::Abort);
    EXPECT_EQ(dialogs.lastText(), "No se puedo obtener el número de secuencia del objeto \"nada\"");
}

TEST_F(ProgramFolderFixture, ThePurgeRemovesOnlyOldAnswersAndTheirFiles)
{
    Clock::setFixed(QDateTime(QDate(2026, 3, 31), QTime(12, 0)));
    setSetting("dur_guarda", "");
    const QDate old = QDate(2026, 3, 10);   // 21 days before
    const QDate recent = QDate(2026, 3, 20); // 11 days before
    {
        dbase::Table ped("PED.DBF");
        ped.open();
        const auto add = [&](int n, bool answered, const QDate &fcon) {
            ped.append();
            ped.setValue("C_PED", n);
            ped.setValue("C_REG", 12);
            ped.setValue("M_CONTESTA", answered);
            if (fcon.isValid())
                ped.setValue("F_CON", fcon);
            ped.post();
        };
        add(1, true, old);     // purged
        add(2, true, recent);  // kept: too recent
        add(3, false, old);    // kept: not answered
        add(4, true, QDate()); // kept: no answer date
        dbase::Table pedp("Pedp.DBF");
        pedp.open();
        const auto addp = [&](int n, const char *state, const QDate &fcon) {
            pedp.append();
            pedp.setValue("C_PED", n);
            pedp.setValue("C_REG", 12);
            pedp.setValue("C_EST", state);
            pedp.setValue("F_CON", fcon);
            pedp.post();
        };
        addp(1, "C", old); // purged
        addp(2, "R", old); // rejected: never
        addp(3, "T", old); // in process: never
        addp(4, "C", recent);
    }
    for (const char *name : {"h1.12", "z1.12", "c1.12", "h2.12", "hp1.12", "zp1.12", "cp1.12", "dp1.12", "dp2.12"}) {
        QFile f(ProgramFolder::resolve(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    Tdm dm;
    dm.dmCreate();
    dm.PurgarContestaciones(nullptr);

    dbase::Table ped("PED.DBF");
    ped.open();
    ped.setIndexField("C_PED");
    EXPECT_FALSE(ped.findKey(1));
    for (int n : {2, 3, 4})
        EXPECT_TRUE(ped.findKey(n)) << n;
    EXPECT_EQ(ped.physicalRecordCount(), 3u) << "packed";
    dbase::Table pedp("Pedp.DBF");
    pedp.open();
    pedp.setIndexField("C_PED");
    EXPECT_FALSE(pedp.findKey(1));
    for (int n : {2, 3, 4})
        EXPECT_TRUE(pedp.findKey(n)) << n;
    for (const char *gone : {"h1.12", "z1.12", "c1.12", "hp1.12", "zp1.12", "cp1.12", "dp1.12"})
        EXPECT_FALSE(QFile::exists(ProgramFolder::resolve(gone))) << gone;
    for (const char *kept : {"h2.12", "dp2.12"})
        EXPECT_TRUE(QFile::exists(ProgramFolder::resolve(kept))) << kept;
}

TEST_F(ProgramFolderFixture, TheDemoRequestsStartAndTheNextIsNumberedAfterThem)
{
    addSampleRequests(dir.path());
    Tdm dm;
    dm.dmCreate();
    ASSERT_TRUE(dm.InicioCompleto);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(dm.ped.recordCount(), 3);
    ASSERT_TRUE(dm.ped.findKey(1));
    EXPECT_EQ(dm.sup.recordCount(), 1) << "the alias follows its request";
    ASSERT_TRUE(dm.ped.findKey(3));
    EXPECT_EQ(dm.ped.value("C_EST").toString(), "R");
    EXPECT_EQ(dm.sup.recordCount(), 0);
    EXPECT_TRUE(dm.ped.checkIndex().isEmpty());
    EXPECT_EQ(dm.NumeroSecuencia(QStringLiteral("ped")), 4);
}
