// The demo folder as the program meets it: every request it holds passes the record rules, and
// the demo central office knows the bank slip of every personal request, with its data.
#include "exchange/soap/CentralSim.h"
#include "exchange/soap/ServicioBoleta.h"

#include "data/Tdm.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include "core/IniFile.h"
#include "core/ProgramFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::test;

namespace {

struct DemoFolder : ::testing::Test
{
    void SetUp() override
    {
        QProcess admin;
        admin.start(QStringLiteral(QAL_BIN_DIR) + "/qal-admin", {"init", "--demo", dir.path()});
        ASSERT_TRUE(admin.waitForFinished(120000));
        ASSERT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();
        before = ProgramFolder::path();
        ProgramFolder::setPath(dir.path());
        dm = std::make_unique<Tdm>();
        dm->dmCreate();
        ASSERT_TRUE(dm->InicioCompleto);
        // saved from the personal form: the slip's procedure type is checked too
        dm->formularioPedidoPersonalVisible = [] { return true; };
    }
    void TearDown() override
    {
        dm.reset();
        ProgramFolder::setPath(before);
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    }
    // Saves the current record again as a post by the operator does.
    static void resave(Tdm &dm, dbase::Table &t)
    {
        t.edit();
        dm.grabacionAutorizada = true;
        t.post();
    }

    TempFolder dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tdm> dm;
    QString before;
};

} // namespace

TEST_F(DemoFolder, EveryRequestPassesTheRecordRules)
{
    dm->mChkDatBol = false; // the slips against the central office: the next test
    for (dbase::Table *t : {&dm->ped, &dm->pedp}) {
        int count = 0;
        for (t->first(); !t->eof(); t->next(), ++count) {
            const QString which = t->fileName() + QLatin1Char(' ') + t->value("C_PED").toString();
            ASSERT_NO_THROW(resave(*dm, *t)) << which.toStdString() << ": " << dialogs.texts().join(" | ").toStdString();
            EXPECT_TRUE(dialogs.texts().isEmpty()) << which.toStdString() << ": " << dialogs.texts().join(" | ").toStdString();
            if (t == &dm->pedp) {
                EXPECT_TRUE(dm->ComprobarPedidoPersonal()) << which.toStdString();
                EXPECT_TRUE(dialogs.texts().isEmpty()) << which.toStdString() << ": " << dialogs.texts().join(" | ").toStdString();
            }
            dialogs.clear();
        }
        EXPECT_GE(count, 3) << t->fileName().toStdString();
    }
}

TEST_F(DemoFolder, TheCentralOfficeKnowsEverySlipWithTheRequestsData)
{
    CentralSim sim {{QStringLiteral("--states"), dir.file(QStringLiteral("central/estados.json"))}};
    ASSERT_TRUE(sim.running());
    soap::ServicioBoleta slips(*dm, [&sim] { return sim.settings(); });
    dbase::Table &p = dm->pedp;
    int withSlip = 0;
    for (p.first(); !p.eof(); p.next()) {
        const QString boleta = p.value("C_PAGO").toString().trimmed();
        SCOPED_TRACE(boleta.toStdString());
        ASSERT_EQ(boleta.size(), 11) << "every demo personal request has its slip";
        ++withSlip;
        QString error, differences;
        ASSERT_EQ(slips.ObtenerDatosBoleta(boleta, p.value("N_DOC").toLongLong(), error), 1) << error.toStdString();
        EXPECT_TRUE(slips.CompararDatosBoleta(boleta, p.value("X_APE1").toString(), p.value("F_NAC").toDate(),
                                              p.value("N_DOC"), p.value("X_NOM1").toString(), differences))
            << differences.toStdString();
        // the names the comparison window shows for the slip's codes are the request's
        EXPECT_EQ(dm->nombreEnBoleta("x_sexo"), p.value("X_SEXO").toString().trimmed());
        EXPECT_EQ(dm->nombreEnBoleta("x_nac"), p.value("x_nac").toString().trimmed());
        EXPECT_EQ(dm->nombreEnBoleta("x_tdoc"), p.value("x_tdoc").toString().trimmed());
        EXPECT_FALSE(dm->nombreEnBoleta("x_tdoc").isEmpty());
        // another person's document with the same slip is no procedure of this office
        EXPECT_EQ(slips.ObtenerDatosBoleta(boleta, 11111111, error), 0);
    }
    EXPECT_GE(withSlip, 3);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
}
