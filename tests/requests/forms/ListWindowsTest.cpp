#include "RequestFormFixture.h"

#include "reports/TPrintGrid.h"
#include "requests/forms/TFConsOrg.h"
#include "requests/forms/TFConsPed.h"
#include "requests/forms/TFOrg.h"
#include "requests/forms/TFbped.h"
#include "ui/RecordSetModel.h"

#include "core/Cp1252.h"
#include "support/Controls.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupComboBox.h"
#include "ui/DbNavigator.h"
#include "ui/GridNavigator.h"

#include <QFile>
#include <QToolButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>

using qal::test::child;

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
    // Each row as number, surname and agency.
    QStringList rows()
    {
        QStringList shown;
        QAbstractItemModel *m = child<QTableView>(list, "DBGrid1")->model();
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
    EXPECT_EQ(child<QLabel>(list, "lbMostrar")->text(), "Mostrar Pedidos:");
    EXPECT_EQ(QStringList({child<QRadioButton>(list, "rbSinEnviar")->text(), child<QRadioButton>(list, "rbEnviados")->text(), child<QRadioButton>(list, "rbContestados")->text(),
                           child<QRadioButton>(list, "rbTodos")->text()}),
              QStringList({"&Sin Enviar", "&Enviados sin Contestar", "&Contestados", "&Todos"}));
    EXPECT_TRUE(child<QRadioButton>(list, "rbTodos")->isChecked());
    EXPECT_EQ(QStringList({child<QPushButton>(list, "btVer")->text(), child<QPushButton>(list, "btRefrescar")->text(), child<QPushButton>(list, "btImprimir")->text(), child<QPushButton>(list, "btSalir")->text()}),
              QStringList({"&Ver Pedido", "&Refrescar", "Imprimir", "&Salir"}));
    EXPECT_FALSE(child<ui::GridNavigator>(list, "DBNavigator1")->button(ui::GridNavigator::Button::Refresh)->isVisibleTo(list.get()));
    QStringList labels;
    for (int i = 0; i < child<QTableView>(list, "DBGrid1")->model()->columnCount(); ++i)
        labels << child<QTableView>(list, "DBGrid1")->model()->headerData(i, Qt::Horizontal).toString();
    EXPECT_EQ(labels, QStringList({"Código", "Fech.Ped.", "Exp. Nro.", "Apellido", "Nombre", "Fech.Con.", "Organismo"}));
    EXPECT_EQ(rows(), QStringList({"1|GOMEZ|JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1", "2|MUÑOZ|",
                                   "3|PEREZ|FISCALÍA DE INSTRUCCIÓN Nº 3",
                                   "4|SOSA|JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1"}));
    EXPECT_EQ(child<QTableView>(list, "DBGrid1")->model()->index(0, 1).data().toString(), ped().value("F_PED").toDate().toString("dd/MM/yyyy"));
    EXPECT_EQ(list->titulo(), "Informe de Pedidos");
}

TEST_F(RequestList, EachCriterionListsItsRequestsAndNamesThePrintedTitle)
{
    QTest::mouseClick(child<QRadioButton>(list, "rbSinEnviar"), Qt::LeftButton);
    EXPECT_EQ(rows(), QStringList({"1|GOMEZ|JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1", "2|MUÑOZ|"}));
    EXPECT_EQ(list->titulo(), "Informe de Pedidos sin Enviar");
    QTest::mouseClick(child<QRadioButton>(list, "rbEnviados"), Qt::LeftButton);
    EXPECT_EQ(rows(), QStringList({"3|PEREZ|FISCALÍA DE INSTRUCCIÓN Nº 3"}));
    EXPECT_EQ(list->titulo(), "Informe de Pedidos Enviados sin Contestar");
    QTest::mouseClick(child<QRadioButton>(list, "rbContestados"), Qt::LeftButton);
    EXPECT_EQ(rows(), QStringList({"4|SOSA|JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1"}));
    EXPECT_EQ(list->titulo(), "Informe de Pedidos Contestados");

    marks(1, true, true); // answered meanwhile: shown once the list is read again
    EXPECT_EQ(rows().size(), 1);
    QTest::mouseClick(child<QPushButton>(list, "btRefrescar"), Qt::LeftButton);
    EXPECT_EQ(rows().size(), 2);
    QTest::mouseClick(child<QRadioButton>(list, "rbTodos"), Qt::LeftButton);
    EXPECT_EQ(list->titulo(), "Informe de Pedidos");
    EXPECT_EQ(rows().size(), 4);
}

TEST_F(RequestList, ARowOpensItsRequestAndTheListPrintsToATextFile)
{
    child<QTableView>(list, "DBGrid1")->setCurrentIndex(child<QTableView>(list, "DBGrid1")->model()->index(2, 0));
    QTest::mouseClick(child<QPushButton>(list, "btVer"), Qt::LeftButton);
    EXPECT_EQ(officialShown, QList<int>({3}));
    EXPECT_EQ(ped().value("C_PED").toInt(), 3);

    ASSERT_TRUE(dm->GrabarParametro("x_reg", "Córdoba"));
    QTest::mouseClick(child<QRadioButton>(list, "rbEnviados"), Qt::LeftButton);
    const QString file = dir.file("lista.txt");
    DialogPrinter toFile;
    toFile.textFile = true;
    dialogs.answerPrinter(toFile);
    dialogs.answerFile(file);
    QTest::mouseClick(child<QPushButton>(list, "btImprimir"), Qt::LeftButton);
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
    QTest::mouseClick(child<QPushButton>(list, "btImprimir"), Qt::LeftButton);
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
    TFbped search;
};

} // namespace

TEST_F(QuickSearch, FindsByNumberCauseOrSurnameAndLeavesTheTableThere)
{
    EXPECT_EQ(search.windowTitle(), "Buscar Pedido");
    EXPECT_EQ(child<QGroupBox>(search, "rgCriterio")->title(), " Criterio de Búsqueda ");
    EXPECT_EQ(QStringList({child<QRadioButton>(search, "rbCodigo")->text(), child<QRadioButton>(search, "rbCausa")->text(), child<QRadioButton>(search, "rbApellido")->text()}),
              QStringList({"Código de Pedido", "Número de Causa", "Apellido"}));
    EXPECT_EQ(QStringList({child<QPushButton>(search, "btBuscar")->text(), child<QPushButton>(search, "btCerrar")->text()}), QStringList({"&Buscar", "&Cerrar"}));
    EXPECT_TRUE(child<QSpinBox>(search, "seCodigo")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(search, "edCausa")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(search, "edApellido")->isEnabled());

    child<QSpinBox>(search, "seCodigo")->setValue(2);
    QTest::mouseClick(child<QPushButton>(search, "btBuscar"), Qt::LeftButton);
    EXPECT_EQ(ped().value("C_PED").toInt(), 2);
    EXPECT_FALSE(search.isVisible());
    EXPECT_EQ(search.result(), QDialog::Accepted);

    search.show();
    child<QRadioButton>(search, "rbCausa")->setChecked(true);
    EXPECT_TRUE(child<QLineEdit>(search, "edCausa")->isEnabled());
    EXPECT_FALSE(child<QSpinBox>(search, "seCodigo")->isEnabled());
    test::typeText(child<QLineEdit>(search, "edCausa"), QStringLiteral("4512/26"));
    QTest::mouseClick(child<QPushButton>(search, "btBuscar"), Qt::LeftButton);
    EXPECT_EQ(ped().value("C_PED").toInt(), 1);

    search.show();
    child<QRadioButton>(search, "rbApellido")->setChecked(true);
    child<QLineEdit>(search, "edApellido")->setText("muñoz");
    QTest::mouseClick(child<QPushButton>(search, "btBuscar"), Qt::LeftButton);
    EXPECT_EQ(ped().value("C_PED").toInt(), 2);

    search.show();
    child<QLineEdit>(search, "edApellido")->setText("MUÑ"); // the whole surname, not its beginning
    QTest::mouseClick(child<QPushButton>(search, "btBuscar"), Qt::LeftButton);
    EXPECT_TRUE(search.isVisible());
    EXPECT_EQ(ped().value("C_PED").toInt(), 2);
    EXPECT_EQ(dialogs.texts(), QStringList({"Lo siento, no se ha encontrado el pedido"}));
}

TEST_F(QuickSearch, TheCauseNumberIsNeverFoundAmongPersonalRequests)
{
    search.setTabla(&dm->pedp, false);
    child<QRadioButton>(search, "rbCausa")->setChecked(true);
    child<QLineEdit>(search, "edCausa")->setText("4512/26");
    QTest::mouseClick(child<QPushButton>(search, "btBuscar"), Qt::LeftButton);
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
    EXPECT_EQ(agencies.windowTitle(), "QAL - Consulta de Organismos");
    QStringList labels;
    for (int i = 0; i < child<ui::DbGrid>(agencies, "DBGrid1")->model()->columnCount(); ++i) {
        if (!child<ui::DbGrid>(agencies, "DBGrid1")->isColumnHidden(i))
            labels << child<ui::DbGrid>(agencies, "DBGrid1")->model()->headerData(i, Qt::Horizontal).toString();
    }
    EXPECT_EQ(labels, QStringList({"Código", "Organismo", "Domicilio", "Localidad", "CP", "Provincia", "X_EMAIL"}));
    EXPECT_EQ(child<ui::DbGrid>(agencies, "DBGrid1")->model()->rowCount(), 3);
    QStringList shownButtons;
    for (QToolButton *b : child<ui::DbNavigator>(agencies, "DBNavigator1")->findChildren<QToolButton *>()) {
        if (b->isVisibleTo(&agencies))
            shownButtons << b->toolTip();
    }
    EXPECT_EQ(shownButtons, QStringList({"Primer registro", "Registro anterior", "Registro siguiente",
                                         "Último registro", "Refrescar"}));
    EXPECT_EQ(QStringList({child<QPushButton>(agencies, "btVer")->text(), child<QPushButton>(agencies, "btSalir")->text()}), QStringList({"&Ver Organismo", "&Salir"}));
    EXPECT_FALSE(child<ui::DbGrid>(agencies, "DBGrid1")->model()->index(0, 5).data().toString().isEmpty()) << "the province's name";

    dm->org.last();
    QTest::mouseClick(child<QPushButton>(agencies, "btVer"), Qt::LeftButton);
    TFOrg *editor = agencies.editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->isModal());
    EXPECT_EQ(editor->windowTitle(), "QAL - Administración de Organismos");
    EXPECT_GE(editor->minimumWidth(), 545);
    EXPECT_GE(editor->minimumHeight(), 260);
    EXPECT_EQ(QStringList({child<QLabel>(editor, "lbCodigo")->text(), child<QLabel>(editor, "lbOrganismo")->text(), child<QLabel>(editor, "lbDomicilio")->text(), child<QLabel>(editor, "lbLocalidad")->text(),
                           child<QLabel>(editor, "lbProvincia")->text(), child<QLabel>(editor, "lbCodPos")->text(), child<QLabel>(editor, "lbEmail")->text()}),
              QStringList({"Código:", "Organismo:", "Domicilio:", "Localidad:", "Provincia:", "Código Postal:", "E-Mail"}));
    EXPECT_EQ(child<ui::DbEdit>(editor, "c_org")->text(), "3") << "the agency chosen in the list";

    QTest::mouseClick(child<ui::DbNavigator>(editor, "DBNavigator1")->button(B::Insert), Qt::LeftButton);
    type(child<ui::DbEdit>(editor, "x_org"), QStringLiteral("juzgado de paz"));
    type(child<ui::DbEdit>(editor, "x_dom"), QStringLiteral("san martín 10"));
    type(child<ui::DbEdit>(editor, "x_loc"), QStringLiteral("luján"));
    choose(child<ui::DbLookupComboBox>(editor, "x_prov"), dm->prov.lookup("C_PROV", 6, "X_PROV").toString());
    type(child<ui::DbEdit>(editor, "c_codpos"), QStringLiteral("6700"));
    type(child<ui::DbEdit>(editor, "x_email"), QStringLiteral("paz@jus.gov.ar"));
    QTest::mouseClick(child<ui::DbNavigator>(editor, "DBNavigator1")->button(B::Post), Qt::LeftButton);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(dm->org.state(), dbase::Table::State::Browse);
    EXPECT_EQ(dm->org.value("C_ORG").toInt(), 4) << "numbered on its first save";
    EXPECT_EQ(dm->org.value("X_ORG").toString(), "JUZGADO DE PAZ");
    EXPECT_EQ(dm->org.value("X_EMAIL").toString(), "paz@jus.gov.ar");
    EXPECT_FALSE(dm->grabacionAutorizada);
    QCoreApplication::processEvents();
    EXPECT_EQ(child<ui::DbGrid>(agencies, "DBGrid1")->model()->rowCount(), 4);

    QTest::mouseClick(child<ui::DbNavigator>(editor, "DBNavigator1")->button(B::Edit), Qt::LeftButton);
    type(child<ui::DbEdit>(editor, "x_loc"), QStringLiteral("mercedes"));
    EXPECT_EQ(dm->org.value("X_LOC").toString(), "MERCEDES");
    QTest::mouseClick(child<ui::DbNavigator>(editor, "DBNavigator1")->button(B::Cancel), Qt::LeftButton);
    EXPECT_EQ(dm->org.value("X_LOC").toString(), "LUJÁN");
}

TEST_F(QuickSearch, TheOfficialFormsSearchButtonOpensItOnTheOfficialRequests)
{
    std::function<void(TFbped &)> whileShown = [](TFbped &d) {
        child<QSpinBox>(d, "seCodigo")->setValue(2);
        QTest::mouseClick(child<QPushButton>(d, "btBuscar"), Qt::LeftButton);
    };
    driveModalWindows(whileShown);
    ASSERT_TRUE(child<QPushButton>(form, "btBuscar")->isEnabled());
    QTest::mouseClick(child<QPushButton>(form, "btBuscar"), Qt::LeftButton);
    EXPECT_EQ(ped().value("C_PED").toInt(), 2);
    EXPECT_EQ(child<ui::DbEdit>(form, "x_ape1")->text(), "MUÑOZ");
}
