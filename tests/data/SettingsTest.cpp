#include "data/ProgramFolderSetup.h"
#include "data/QalRegIni.h"
#include "data/SettingsCatalogue.h"
#include "data/Tdm.h"

#include "core/IniFile.h"
#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace qal;

TEST(SettingsCatalogue, FlagsAndNumbersFallBackAsEachKeyWants)
{
    // on unless switched off
    for (const char *key : {"m_impauto", "m_chkdatbol", "m_obli_doc"}) {
        EXPECT_TRUE(settingFlag(QLatin1String(key), QString())) << key;
        EXPECT_TRUE(settingFlag(QLatin1String(key), QStringLiteral("x"))) << key;
        EXPECT_FALSE(settingFlag(QLatin1String(key), QStringLiteral("N"))) << key;
    }
    // off unless switched on
    for (const char *key : {"m_segur", "m_impconfp", "m_nomi", "m_domic", "m_es_suc"}) {
        EXPECT_FALSE(settingFlag(QLatin1String(key), QString())) << key;
        EXPECT_FALSE(settingFlag(QLatin1String(key), QStringLiteral("s"))) << key << ": only a capital S";
        EXPECT_TRUE(settingFlag(QLatin1String(key), QStringLiteral("S"))) << key;
    }
    EXPECT_EQ(settingInteger(QStringLiteral("max_contes"), QStringLiteral("abc")), 1);
    EXPECT_EQ(settingInteger(QStringLiteral("dur_guarda"), QString()), 15);
    EXPECT_EQ(settingInteger(QStringLiteral("dias_fpago"), QStringLiteral(" 30 ")), 30);
    EXPECT_EQ(settingDef(QStringLiteral("proxy_user"))->maxLength, 30);
    EXPECT_EQ(settingDef(QStringLiteral("C_REG")), nullptr) << "keys keep their case";
}

TEST(SettingsCatalogue, ANewFolderHasARowForEveryKeyOnce)
{
    const auto rows = defaultSettings();
    QStringList keys;
    for (const auto &[key, value] : rows) {
        EXPECT_FALSE(keys.contains(key)) << key.toStdString();
        keys << key;
        EXPECT_LE(key.size(), 20) << "C_AMB holds 20 characters";
    }
    EXPECT_EQ(rows.size(), settingsCatalogue().size());
    for (const char *key : {"c_reg", "c_regp", "x_reg", "x_toreg", "x_toregp", "frec_recep", "max_contes",
                            "dur_guarda", "url_cert", "http_proxy", "http_port", "proxy_user", "proxy_pass", "m_segur",
                            "m_impconfp", "m_impauto", "m_nomi", "m_domic", "m_fecpago", "dias_fpago", "m_chkdatbol",
                            "m_obli_doc", "m_es_suc", "LiveScan", "pop3PwdE", "usaOutlook", "x_msgconfp"})
        EXPECT_TRUE(keys.contains(QLatin1String(key))) << key;
}

namespace {

struct ParameterTable : ::testing::Test
{
    void SetUp() override
    {
        before = ProgramFolder::path();
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        dm.dmCreate();
    }
    void TearDown() override { ProgramFolder::setPath(before); }

    test::TempFolder dir;
    test::ScriptedDialogs dialogs;
    Tdm dm;
    QString before;
};

} // namespace

TEST_F(ParameterTable, ReadsAbsentRowsAsEmptyAndWritesNewOnes)
{
    EXPECT_EQ(dm.LeerParametro(QStringLiteral("x_reg")), QStringLiteral("Regional Demostración"));
    EXPECT_EQ(dm.LeerParametro(QStringLiteral("no_existe")), QString());
    EXPECT_EQ(dm.LeerParametro(QStringLiteral("X_REG")), QString()) << "keys are exact";
    EXPECT_TRUE(dm.GrabarParametro(QStringLiteral("nueva"), QStringLiteral("valor")));
    EXPECT_EQ(dm.LeerParametro(QStringLiteral("nueva")), "valor");
    EXPECT_TRUE(dm.GrabarParametro(QStringLiteral("nueva"), QStringLiteral("otro")));
    EXPECT_EQ(dm.LeerParametro(QStringLiteral("nueva")), "otro");
    int rows = 0;
    for (dm.amb.first(); !dm.amb.eof(); dm.amb.next())
        rows += dm.amb.value(QStringLiteral("C_AMB")).toString() == QLatin1String("nueva");
    EXPECT_EQ(rows, 1) << "edited, not inserted twice";
}

TEST_F(ParameterTable, AFailedWriteReturnsFalseAndKeepsTheOldValue)
{
    EXPECT_FALSE(dm.GrabarParametro(QStringLiteral("x_reg"), QString(300, QLatin1Char('x')))) << "wider than X_AMB";
    EXPECT_EQ(dm.LeerParametro(QStringLiteral("x_reg")), QStringLiteral("Regional Demostración"));
    EXPECT_EQ(dm.amb.state(), dbase::Table::State::Browse);
    EXPECT_FALSE(dm.GrabarParametro(QString(25, QLatin1Char('k')), QStringLiteral("v"))) << "key wider than C_AMB";
    dm.amb.beforePost = [](dbase::Table &) { throw dbase::DatabaseError(QStringLiteral("disco lleno")); };
    EXPECT_FALSE(dm.GrabarParametro(QStringLiteral("x_reg"), QStringLiteral("Otra")));
    dm.amb.beforePost = nullptr;
    EXPECT_EQ(dm.LeerParametro(QStringLiteral("x_reg")), QStringLiteral("Regional Demostración"));
    dm.amb.close();
    EXPECT_FALSE(dm.GrabarParametro(QStringLiteral("x_reg"), QStringLiteral("Otra")));
    EXPECT_TRUE(dialogs.texts().isEmpty()) << "the write never reports by itself";
}

TEST_F(ParameterTable, AZeroReceptionFrequencyDoesNotRunReceptionsBackToBack)
{
    ASSERT_TRUE(dm.GrabarParametro(QStringLiteral("frec_recep"), QStringLiteral("0")));
    Tdm again;
    again.dmCreate();
    EXPECT_EQ(again.Timer.interval(), 60000);
}

TEST(QalRegIni, DefaultsWhenTheFileOrKeysAreMissing)
{
    test::TempFolder dir;
    const QString before = ProgramFolder::path();
    ProgramFolder::setPath(dir.path());
    EXPECT_TRUE(qalregini::usaOutlookSecMan());
    EXPECT_EQ(qalregini::urlServicio(), "http://127.0.0.1/QALService/QALMessageService.asmx");
    EXPECT_EQ(qalregini::espacioNombres(), "http://tempuri.org/");
    EXPECT_EQ(qalregini::tiempoEsperaSegundos(), 30);

    IniFile ini(dir.file(QStringLiteral("qalreg.ini")));
    ini.writeString(QStringLiteral("QALService"), QStringLiteral("Servidor"), QStringLiteral("http://central:81/"));
    ini.writeString(QStringLiteral("QALService"), QStringLiteral("Namespace"), QStringLiteral("http://qal.gob/ws"));
    ini.writeString(QStringLiteral("QALService"), QStringLiteral("TimeOut"), QStringLiteral("0"));
    EXPECT_EQ(qalregini::urlServicio(), "http://central:81/QALService/QALMessageService.asmx")
        << "the message service on the configured server";
    EXPECT_EQ(qalregini::espacioNombres(), "http://qal.gob/ws/");
    EXPECT_EQ(qalregini::tiempoEsperaSegundos(), 30) << "a time-out below one second is not one";

    ini.writeString(QStringLiteral("config"), QStringLiteral("usaoutlooksecman"), QStringLiteral("0"));
    ini.writeString(QStringLiteral("QALService"), QStringLiteral("URL"), QStringLiteral("http://central:8080/ws"));
    EXPECT_FALSE(qalregini::usaOutlookSecMan()) << "any case of file, section and key";
    EXPECT_EQ(qalregini::urlServicio(), "http://central:8080/ws");
    ini.writeString(QStringLiteral("Config"), QStringLiteral("UsaOutlookSecMan"), QStringLiteral("true"));
    EXPECT_TRUE(qalregini::usaOutlookSecMan()) << "not a number: the default";
    ProgramFolder::setPath(before);
}
