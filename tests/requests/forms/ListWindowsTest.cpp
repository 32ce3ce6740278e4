#include "RequestFormFixture.h"

#include "reports/TPrintGrid.h"
#include "requests/forms/TFConsOrg.h"
#include "requests/forms/TFConsPed.h"
#include "requests/forms/TFOrg.h"
#include "requests/forms/TFbped.h"
#include "ui/RecordSetModel.h"
#include "ui_TFConsOrg.h"
#include "ui_TFConsPed.h"
#include "ui_TFOrg.h"
#include "ui_TFbped.h"

#include "core/Cp1252.h"

#include <QFile>
#include <QToolButton>

using namespace qal;
using B = ui::DbNavigator::Button;

namespace {

struct RequestList : test::RequestFormFixture
{
    void SetUp() override
    {
        test::RequestFormFixture::SetUp();
        storeRequest(); // 1: not sent
        storeRequest({{"X_APE1", "MUÑOZ"}, {"C_ORG", 3}, {"C_PROV", 6}}); // 2: its agency goes
        storeRequest({{"X_APE1", "PEREZ"}, {"C_ORG", 2}, {"C_PROV", 21}}); // 3: sent
        marks(3, true, false);
        storeRequest({{"X_APE1", "SOSA"}}); // 4: answered
        marks(4, true, true);
        dbase::Table org("org.DBF");
        org.open();
        ASSERT_TRUE(org.locate("C_ORG", 3));
        org.deleteRecord();
        list = std::make_unique<TFConsPed>(*dm);
        list->mostrarPedidoOficial = [this] { officialShown << ped().value("C_PED").toInt(); };
        list->show();
    }
    void TearDown() override
    {
        list.reset();
        test::RequestFormFixture::TearDown();
    }
    void marks(int cPed, bool sent, bool answered)
    {
        dbase::Table t("PED.DBF");
        t.open();
        ASSERT_TRUE(t.locate("C_PED", cPed));
        t.edit();
        t.setValue("M_ENVIADO", sent);
        t.setValue("M_CONTESTA", answered);
        t.post();
    }
    Ui::TFConsPed &l() { return *list->ui(); }
    // Each row as number, surname and agency.
    QStringList rows()
    {
        QStringList shown;
        QAbstractItemModel *m = l().DBGrid1->model();
        for (int r = 0; r < m->rowCount(); ++r)
            shown << QStringList({m->index(r, 0).data().toString(), m->index(r, 3).data().toString(),
                                  m->index(r, 6).data().toString()})
                         .join(u'|');
        return shown;
    }

    std::unique_ptr<TFConsPed> list;
    QList<int> officialShown;
};

} // namespace

TEST_F(RequestList, ShowsEveryRequestFirstAndARequestWithoutItsAgencyStaysListed)
{
    EXPECT_EQ(list->windowTitle(), "QAL - Consulta de Pedidos");
    EXPECT_GE(list->minimumWidth(), 620);
    EXPECT_GE(list->minimumHeight(), 400);
    EXPECT_EQ(l().lbMostrar->text(), "Mostrar Pedidos:");
    EXPECT_EQ(QStringList({l().rbSinEnviar->text(), l().rbEnviados->text(), l().rbContestados->text(),
                           l().rbTodos->text()}),
              QStringList({"&Sin Enviar", "&Enviados sin Contestar", "&Contestados", "&Todos"}));
    EXPECT_TRUE(l().rbTodos->isChecked());
    EXPECT_EQ(QStringList({l().btVer->text(), l().btRefrescar->text(), l().btImprimir->text(), l().btSalir->text()}),
              QStringList({"&Ver Pedido", "&Refrescar", "Imprimir", "&Salir"}));
    EXPECT_FALSE(l().DBNavigator1->button(ui::GridNavigator::Button::Refresh)->isVisibleTo(list.get()));
    QStringList labels;
    for (int i = 0; i < l().DBGrid1->model()->columnCount(); ++i)
        labels << l().DBGrid1->model()->headerData(i, Qt::Horizontal).toString();
    EXPECT_EQ(labels, QStringList({"Código", "Fech.Ped.", "Exp. Nro.", "Apellido", "Nombre", "Fech.Con.", "Organismo"}));
    EXPECT_EQ(rows(), QStringList({"1|GOMEZ|JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1", "2|MUÑOZ|",
                                   "3|PEREZ|FISCALÍA DE INSTRUCCIÓN Nº 3",
                                   "4|SOSA|JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1"}));
    EXPECT_EQ(l().DBGrid1->model()->index(0, 1).data().toString(), ped().value("F_PED").toDate().toString("dd/MM/yyyy"));
    EXPECT_EQ(list->titulo(), "Informe de Pedidos");
}

TEST_F(RequestList, EachCriterionListsItsRequestsAndNamesThePrintedTitle)
{
    QTest::mouseClick(l().rbSinEnviar, Qt::LeftButton);
    EXPECT_EQ(rows(), QStringList({"1|GOMEZ|JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1", "2|MUÑOZ|"}));
    EXPECT_EQ(list->titulo(), "Informe de Pedidos sin Enviar");
    QTest::mouseClick(l().rbEnviados, Qt::LeftButton);
    EXPECT_EQ(rows(), QStringList({"3|PEREZ|FISCALÍA DE INSTRUCCIÓN Nº 3"}));
    EXPECT_EQ(list->titulo(), "Informe de Pedidos Enviados sin Contestar");
    QTest::mouseClick(l().rbContestados, Qt::LeftButton);
    EXPECT_EQ(rows(), QStringList({"4|SOSA|JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1"}));
    EXPECT_EQ(list->titulo(), "Informe de Pedidos Contestados");

    marks(1, true, true); // answered meanwhile: shown once the list is read again
    EXPECT_EQ(rows().size(), 1);
    QTest::mouseClick(l().btRefrescar, Qt::LeftButton);
    EXPECT_EQ(rows().size(), 2);
    QTest::mouseClick(l().rbTodos, Qt::LeftButton);
    EXPECT_EQ(list->titulo(), "Informe de Pedidos");
    EXPECT_EQ(rows().size(), 4);
}

TEST_F(RequestList, ARowOpensItsRequestAndTheListPrintsToATextFile)
{
    l().DBGrid1->setCurrentIndex(l().DBGrid1->model()->index(2, 0));
    QTest::mouseClick(l().btVer, Qt::LeftButton);
    EXPECT_EQ(officialShown, QList<int>({3}));
    EXPECT_EQ(ped().value("C_PED").toInt(), 3);

    ASSERT_TRUE(dm->GrabarParametro("x_reg", "Córdoba"));
    QTest::mouseClick(l().rbEnviados, Qt::LeftButton);
    const QString file = dir.file("lista.txt");
    DialogPrinter toFile;
    toFile.textFile = true;
    dialogs.answerPrinter(toFile);
    dialogs.answerFile(file);
    QTest::mouseClick(l().btImprimir, Qt::LeftButton);
    ASSERT_EQ(dialogs.printDialogs().size(), 1);
    EXPECT_EQ(dialogs.printDialogs()[0].fromPage, 1);
    EXPECT_EQ(dialogs.printDialogs()[0].toPage, 1000);
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QStringList lines = fromCp1252(text.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "QAL - Regional Córdoba - Informe de Pedidos Enviados sin Contestar");
    EXPECT_EQ(lines[1], "Código\tFech.Ped.\tExp. Nro.\tApellido\tNombre\tFech.Con.\tOrganismo\t");
    EXPECT_TRUE(lines[2].startsWith("3\t")) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith("\tPEREZ\tJUAN\t\tFISCALÍA DE INSTRUCCIÓN Nº 3\t")) << lines[2].toStdString();

    // the same file again: asked before it is overwritten
    dialogs.answerPrinter(toFile);
    dialogs.answerFile(file);
    dialogs.answer(DialogButton::No);
    QTest::mouseClick(l().btImprimir, Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), file + " Already Exists. Do You Want To Overwrite This File?");
}

namespace {

struct QuickSearch : test::RequestFormFixture
{
    void SetUp() override
    {
        test::RequestFormFixture::SetUp();
        storeRequest({{"N_CAUSA", "4512/26"}});
        storeRequest({{"X_APE1", "MUÑOZ"}, {"N_CAUSA", "77/B"}});
        ASSERT_TRUE(ped().findKey(1));
        search.setTabla(&ped(), true);
        search.show();
    }
    Ui::TFbped &s() { return *search.ui(); }
    TFbped search;
};

} // namespace

TEST_F(QuickSearch, FindsByNumberCauseOrSurnameAndLeavesTheTableThere)
{
    EXPECT_EQ(search.windowTitle(), "Buscar Pedido");
    EXPECT_EQ(s().rgCriterio->title(), " Criterio de Búsqueda ");
    EXPECT_EQ(QStringList({s().rbCodigo->text(), s().rbCausa->text(), s().rbApellido->text()}),
              QStringList({"Código de Pedido", "Número de Causa", "Apellido"}));
    EXPECT_EQ(QStringList({s().btBuscar->text(), s().btCerrar->text()}), QStringList({"&Buscar", "&Cerrar"}));
    EXPECT_TRUE(s().seCodigo->isEnabled());
    EXPECT_FALSE(s().edCausa->isEnabled());
    EXPECT_FALSE(s().edApellido->isEnabled());

    s().seCodigo->setValue(2);
    QTest::mouseClick(s().btBuscar, Qt::LeftButton);
    EXPECT_EQ(ped().value("C_PED").toInt(), 2);
    EXPECT_FALSE(search.isVisible());
    EXPECT_EQ(search.result(), QDialog::Accepted);

    search.show();
    s().rbCausa->setChecked(true);
    EXPECT_TRUE(s().edCausa->isEnabled());
    EXPECT_FALSE(s().seCodigo->isEnabled());
    test::typeText(s().edCausa, QStringLiteral("4512/26"));
    QTest::mouseClick(s().btBuscar, Qt::LeftButton);
    EXPECT_EQ(ped().value("C_PED").toInt(), 1);

    search.show();
    s().rbApellido->setChecked(true);
    s().edApellido->setText("muñoz");
    QTest::mouseClick(s().btBuscar, Qt::LeftButton);
    EXPECT_EQ(ped().value("C_PED").toInt(), 2);

    search.show();
    s().edApellido->setText("MUÑ"); // the whole surname, not its beginning
    QTest::mouseClick(s().btBuscar, Qt::LeftButton);
    EXPECT_TRUE(search.isVisible());
    EXPECT_EQ(ped().value("C_PED").toInt(), 2);
    EXPECT_EQ(dialogs.texts(), QStringList({"Lo siento, no se ha encontrado el pedido"}));
}

TEST_F(QuickSearch, TheCauseNumberIsNeverFoundAmongPersonalRequests)
{
    search.setTabla(&dm->pedp, false);
    s().rbCausa->setChecked(true);
    s().edCausa->setText("4512/26");
    QTest::mouseClick(s().btBuscar, Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(), QStringList({"Lo siento, no se ha encontrado el pedido"}));
}

namespace {
struct Agencies : test::RequestFormFixture
{
};
} // namespace

TEST_F(Agencies, AreListedAndEditedInTheirEditor)
{
    TFConsOrg agencies(*dm);
    agencies.show();
    Ui::TFConsOrg &a = *agencies.ui();
    EXPECT_EQ(agencies.windowTitle(), "QAL - Consulta de Organismos");
    QStringList labels;
    for (int i = 0; i < a.DBGrid1->model()->columnCount(); ++i) {
        if (!a.DBGrid1->isColumnHidden(i))
            labels << a.DBGrid1->model()->headerData(i, Qt::Horizontal).toString();
    }
    EXPECT_EQ(labels, QStringList({"Código", "Organismo", "Domicilio", "Localidad", "CP", "Provincia", "X_EMAIL"}));
    EXPECT_EQ(a.DBGrid1->model()->rowCount(), 3);
    QStringList shownButtons;
    for (QToolButton *b : a.DBNavigator1->findChildren<QToolButton *>()) {
        if (b->isVisibleTo(&agencies))
            shownButtons << b->toolTip();
    }
    EXPECT_EQ(shownButtons, QStringList({"Primer registro", "Registro anterior", "Registro siguiente",
                                         "Último registro", "Refrescar"}));
    EXPECT_EQ(QStringList({a.btVer->text(), a.btSalir->text()}), QStringList({"&Ver Organismo", "&Salir"}));
    EXPECT_FALSE(a.DBGrid1->model()->index(0, 5).data().toString().isEmpty()) << "the province's name";

    dm->org.last();
    QTest::mouseClick(a.btVer, Qt::LeftButton);
    TFOrg *editor = agencies.editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->isModal());
    Ui::TFOrg &e = *editor->ui();
    EXPECT_EQ(editor->windowTitle(), "QAL - Administración de Organismos");
    EXPECT_GE(editor->minimumWidth(), 545);
    EXPECT_GE(editor->minimumHeight(), 260);
    EXPECT_EQ(QStringList({e.lbCodigo->text(), e.lbOrganismo->text(), e.lbDomicilio->text(), e.lbLocalidad->text(),
                           e.lbProvincia->text(), e.lbCodPos->text(), e.lbEmail->text()}),
              QStringList({"Código:", "Organismo:", "Domicilio:", "Localidad:", "Provincia:", "Código Postal:", "E-Mail"}));
    EXPECT_EQ(e.c_org->text(), "3") << "the agency chosen in the list";

    QTest::mouseClick(e.DBNavigator1->button(B::Insert), Qt::LeftButton);
    type(e.x_org, QStringLiteral("juzgado de paz"));
    type(e.x_dom, QStringLiteral("san martín 10"));
    type(e.x_loc, QStringLiteral("luján"));
    choose(e.x_prov, dm->prov.lookup("C_PROV", 6, "X_PROV").toString());
    type(e.c_codpos, QStringLiteral("6700"));
    type(e.x_email, QStringLiteral("paz@jus.gov.ar"));
    QTest::mouseClick(e.DBNavigator1->button(B::Post), Qt::LeftButton);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(dm->org.state(), dbase::Table::State::Browse);
    EXPECT_EQ(dm->org.value("C_ORG").toInt(), 4) << "numbered on its first save";
    EXPECT_EQ(dm->org.value("X_ORG").toString(), "JUZGADO DE PAZ");
    EXPECT_EQ(dm->org.value("X_EMAIL").toString(), "paz@jus.gov.ar");
    EXPECT_FALSE(dm->grabacionAutorizada);
    QCoreApplication::processEvents();
    EXPECT_EQ(a.DBGrid1->model()->rowCount(), 4);

    QTest::mouseClick(e.DBNavigator1->button(B::Edit), Qt::LeftButton);
    type(e.x_loc, QStringLiteral("mercedes"));
    EXPECT_EQ(dm->org.value("X_LOC").toString(), "MERCEDES");
    QTest::mouseClick(e.DBNavigator1->button(B::Cancel), Qt::LeftButton);
    EXPECT_EQ(dm->org.value("X_LOC").toString(), "LUJÁN");
}

TEST_F(QuickSearch, TheOfficialFormsSearchButtonOpensItOnTheOfficialRequests)
{
    std::function<void(TFbped &)> whileShown = [](TFbped &d) {
        d.ui()->seCodigo->setValue(2);
        QTest::mouseClick(d.ui()->btBuscar, Qt::LeftButton);
    };
    driveModalWindows(whileShown);
    ASSERT_TRUE(ui().btBuscar->isEnabled());
    QTest::mouseClick(ui().btBuscar, Qt::LeftButton);
    EXPECT_EQ(ped().value("C_PED").toInt(), 2);
    EXPECT_EQ(ui().x_ape1->text(), "MUÑOZ");
}
