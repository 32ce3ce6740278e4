// The monthly report: the month asked for, the address handed to the browser, refused
// months and years, a missing address and a browser that cannot be started; the period
// dialog; and the request forms' "Estado &Velcor".
#include "reports/central/CentralPagesFixture.h"

#include "reports/central/ConsultaWeb.h"
#include "reports/forms/Navegador.h"
#include "reports/forms/TFInfMensual.h"
#include "reports/forms/TFPeriodo.h"
#include "requests/forms/TFPedP.h"
#include "requests/forms/TFped.h"
#include "support/Controls.h"

#include "core/Clock.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

using namespace qal;
using namespace qal::test;

namespace {

class MonthlyReport : public CentralPagesFixture
{
protected:
    void SetUp() override
    {
        CentralPagesFixture::SetUp();
        Clock::setFixed(QDateTime(QDate(2026, 11, 20), QTime(10, 30)));
        m_previo = InstalarNavegador([this](const QUrl &url) {
            abiertas << url.toString();
            return navegadorDisponible;
        });
    }
    void TearDown() override
    {
        InstalarNavegador(m_previo);
        Clock::reset();
        CentralPagesFixture::TearDown();
    }

    QStringList abiertas;
    bool navegadorDisponible = true;

private:
    AbridorNavegador m_previo;
};

} // namespace

TEST_F(MonthlyReport, LastMonthsReportOpensInTheBrowser)
{
    setStates({{"personales", QJsonArray {QJsonObject {{"regional", 5}, {"pedido", 7}, {"estado", "C"},
                                                       {"expediente", 88}, {"fecha", "03/10/2026"}}}}});
    TFInfMensual form(*dm);
    form.show();
    EXPECT_EQ(form.edMes()->text(), "10");
    EXPECT_EQ(form.edAnio()->text(), "2026");
    click(child<QPushButton>(form, "btAceptar"));
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(abiertas, QStringList {base() + "PlanillaInfMensual/Default.aspx?c_regqal=5&month=10&year=2026"});
    EXPECT_EQ(form.result(), QDialog::Accepted);

    // the simulator serves that page
    central::ConsultaWeb web(*dm);
    const auto page = web.Obtener(QStringLiteral("PlanillaInfMensual/Default.aspx?c_regqal=5&month=10&year=2026"));
    ASSERT_TRUE(page.ok) << page.error.toStdString();
    EXPECT_TRUE(page.contenido.contains("<td>7</td>"));

    // in January, last month is December of the year before
    Clock::setFixed(QDateTime(QDate(2027, 1, 5), QTime(9, 0)));
    TFInfMensual january(*dm);
    january.show();
    EXPECT_EQ(january.edMes()->text(), "12");
    EXPECT_EQ(january.edAnio()->text(), "2026");
}

TEST_F(MonthlyReport, Month13AndYear1999KeepTheFormOpenWithTheirError)
{
    TFInfMensual form(*dm);
    form.show();
    form.edMes()->setText("13");
    click(child<QPushButton>(form, "btAceptar"));
    EXPECT_EQ(dialogs.texts(), QStringList {"ERROR: Número de mes incorrecto"});
    EXPECT_TRUE(form.isVisible());
    form.edMes()->setText("0");
    click(child<QPushButton>(form, "btAceptar"));
    form.edMes()->setText("12");
    form.edAnio()->setText("1999");
    click(child<QPushButton>(form, "btAceptar"));
    EXPECT_EQ(dialogs.texts(), (QStringList {"ERROR: Número de mes incorrecto", "ERROR: Número de mes incorrecto",
                                             "ERROR: Número de año incorrecto"}));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(abiertas.isEmpty());
    dialogs.clear();
}

TEST_F(MonthlyReport, NoAddressAndNoBrowserAreReported)
{
    setUrls({{1, "   "}});
    TFInfMensual form(*dm);
    form.show();
    click(child<QPushButton>(form, "btAceptar"));
    EXPECT_EQ(dialogs.texts(),
              QStringList {"ERROR: No se pudo obtener el listado mensual. Verifique la configuración de la URL"});
    EXPECT_TRUE(abiertas.isEmpty());
    dialogs.clear();

    setUrls({{2, base()}, {1, "  "}});
    navegadorDisponible = false;
    TFInfMensual again(*dm);
    again.show();
    click(child<QPushButton>(again, "btAceptar"));
    EXPECT_EQ(abiertas.size(), 1);
    EXPECT_EQ(dialogs.texts(), QStringList {"ERROR: No se pudo abrir el navegador con la dirección " + abiertas[0]});
    dialogs.clear();
}

TEST_F(MonthlyReport, ThePeriodIsThisMonthAndMayNotRunBackwards)
{
    TFPeriodo period;
    period.show();
    EXPECT_EQ(period.desde(), QDate(2026, 11, 1));
    EXPECT_EQ(period.hasta(), QDate(2026, 11, 30));
    period.edHasta()->setDate(QDate(2026, 10, 31));
    click(child<QPushButton>(period, "btAceptar"));
    EXPECT_EQ(dialogs.texts(), QStringList {"La fecha desde debe ser menor o igual a la fecha hasta"});
    EXPECT_TRUE(period.isVisible());
    dialogs.clear();
    period.edHasta()->setDate(QDate(2026, 11, 1));
    click(child<QPushButton>(period, "btAceptar"));
    EXPECT_EQ(period.result(), QDialog::Accepted);
}

TEST_F(MonthlyReport, BothRequestFormsAskForTheStateOfTheirFile)
{
    QStringList asked;
    const ConsultaExpediente consulta = [&](QChar letra, qlonglong expediente, qlonglong pedido, qlonglong region) {
        asked << QStringLiteral("%1%2 %3 %4").arg(letra).arg(expediente).arg(pedido).arg(region);
    };
    const qlonglong official = request(false, "T");
    dm->ped.edit();
    dm->ped.setValue("N_EXPE", 456);
    dm->grabacionAutorizada = true;
    dm->ped.post();
    TFped fped(*dm);
    EXPECT_FALSE(fped.findChild<QPushButton *>("btEstVelcor")->isEnabled()) << "nothing to ask without the query";
    fped.setConsultaExpediente(consulta);
    EXPECT_TRUE(fped.findChild<QPushButton *>("btEstVelcor")->isEnabled());
    click(child<QPushButton>(fped, "btEstVelcor"));

    const qlonglong personal = request(true, "T");
    TFPedP fpedp(*dm);
    fpedp.setConsultaExpediente(consulta);
    click(child<QPushButton>(fpedp, "btEstVelcor")); // no file number yet
    EXPECT_EQ(dialogs.texts(), QStringList {"Sin número de expte. no se puede consultar el estado"});
    dialogs.clear();
    dm->pedp.edit();
    dm->pedp.setValue("N_EXPE", 88);
    dm->grabacionAutorizada = true;
    dm->pedp.post();
    click(child<QPushButton>(fpedp, "btEstVelcor"));
    EXPECT_EQ(asked, (QStringList {QStringLiteral("U456 %1 3").arg(official), QStringLiteral("W88 %1 5").arg(personal)}));
}
