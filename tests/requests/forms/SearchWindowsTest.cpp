#include "RequestFormFixture.h"

#include "requests/forms/TFConsulta.h"
#include "ui/RecordSetModel.h"
#include "support/Controls.h"
#include "ui/DbEdit.h"
#include "ui/GridNavigator.h"

#include <QHeaderView>
#include <QTabBar>
#include <QToolButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QWidget>

using qal::test::child;

using namespace qal;
using B = ui::DbNavigator::Button;

namespace {

// Writes a record straight into a table file, as another program or an old version may
// have left it: no rule of the data module runs.
void storeRaw(const QString &file, const QVariantMap &values)
{
    dbase::Table t(file);
    t.open();
    t.append();
    for (auto it = values.begin(); it != values.end(); ++it)
        t.setValue(it.key(), it.value());
    t.post();
}

struct Searches : test::RequestFormFixture
{
    void SetUp() override
    {
        test::RequestFormFixture::SetUp();
        window = std::make_unique<TFConsulta>(*dm);
        window->mostrarPedidoOficial = [this] { officialShown << ped().value("C_PED").toInt(); };
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        test::RequestFormFixture::TearDown();
    }
    void search() { QTest::mouseClick(child<QPushButton>(window, "btBuscar"), Qt::LeftButton); }
    void onPage(QWidget *page) { child<QTabWidget>(window, "PageControl1")->setCurrentWidget(page); }
    // The request numbers and first surnames of the rows found.
    QStringList found()
    {
        QStringList rows;
        QAbstractItemModel *m = child<QTableView>(window, "DBGrid1")->model();
        for (int r = 0; r < m->rowCount(); ++r)
            rows << m->index(r, 0).data().toString() + u' ' + m->index(r, 1).data().toString();
        return rows;
    }
    QStringList headers()
    {
        QStringList labels;
        QAbstractItemModel *m = child<QTableView>(window, "DBGrid1")->model();
        for (int i = 0; i < m->columnCount(); ++i)
            labels << m->headerData(i, Qt::Horizontal).toString();
        return labels;
    }

    const QString notFound = QStringLiteral("Disculpe, no se encontraron pedidos\rque cumplan las condiciones");
    std::unique_ptr<TFConsulta> window;
    QList<int> officialShown;
};

} // namespace

TEST_F(Searches, TheWindowOpensOnTheCodePageWithItsTexts)
{
    EXPECT_EQ(window->windowTitle(), "Consulta de Pedidos");
    QStringList tabs;
    for (int i = 0; i < child<QTabWidget>(window, "PageControl1")->count(); ++i)
        tabs << child<QTabWidget>(window, "PageControl1")->tabText(i);
    EXPECT_EQ(tabs, QStringList({"Por Código de Pedido", "Por Apellidos y Nombres", "Por Número de Documento"}));
    EXPECT_EQ(child<QTabWidget>(window, "PageControl1")->currentWidget(), child<QWidget>(window, "tsCodigo"));
    EXPECT_EQ(child<QLabel>(window, "lbCodigo")->text(), "Código:");
    EXPECT_EQ(window->focusWidget(), child<QLineEdit>(window, "c_tram"));
    EXPECT_EQ(child<QGroupBox>(window, "rgPedidos")->title(), "Pedidos");
    EXPECT_EQ(QStringList({child<QRadioButton>(window, "rbOficiales")->text(), child<QRadioButton>(window, "rbPersonales")->text(), child<QRadioButton>(window, "rbSupuestos")->text()}),
              QStringList({"Oficiales", "Personales", "Supuestos"}));
    EXPECT_TRUE(child<QRadioButton>(window, "rbOficiales")->isChecked());
    EXPECT_EQ(QStringList({child<QPushButton>(window, "btBuscar")->text(), child<QPushButton>(window, "btVer")->text(), child<QPushButton>(window, "btSalir")->text()}),
              QStringList({"&Buscar", "&Ver Pedido", "&Salir"}));
    EXPECT_TRUE(child<QPushButton>(window, "btBuscar")->isDefault());
    EXPECT_EQ(headers(), QStringList({"Código de Pedido", "Apellido 1", "Apellido 2", "Nombre 1", "Nombre 2",
                                      "Nombre 3", "Sexo", "Fecha de Nacimiento", "Edad", "Documento"}));
    EXPECT_EQ(child<QTableView>(window, "DBGrid1")->toolTip(), "Haga doble click para ver el detalle del trámite");
    QStringList hints;
    for (auto b : {ui::GridNavigator::Button::First, ui::GridNavigator::Button::Prior, ui::GridNavigator::Button::Next,
                   ui::GridNavigator::Button::Last, ui::GridNavigator::Button::Refresh})
        hints << child<ui::GridNavigator>(window, "DBNavigator1")->button(b)->toolTip();
    EXPECT_EQ(hints, QStringList({"Primer Trámite", "Trámite anterior", "Trámite siguiente", "Último Trámite",
                                  "Actualizar"}));
    EXPECT_EQ(child<QLineEdit>(window, "n_doc")->inputMask(), "99999999;_");
}

TEST_F(Searches, EveryPageTitleAndColumnTitleIsShownWhole)
{
    QTabBar *bar = child<QTabWidget>(window, "PageControl1")->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        EXPECT_GE(bar->tabRect(i).width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i)))
            << bar->tabText(i).toStdString();
    EXPECT_TRUE(child<QTabWidget>(window, "PageControl1")->rect().contains(bar->tabRect(bar->count() - 1).topRight()));

    const auto titlesWhole = [this](const char *when) {
        const QHeaderView *header = child<QTableView>(window, "DBGrid1")->horizontalHeader();
        for (int i = 0; i < header->count(); ++i) {
            const QString title = child<QTableView>(window, "DBGrid1")->model()->headerData(i, Qt::Horizontal).toString();
            EXPECT_GT(header->sectionSize(i), header->fontMetrics().horizontalAdvance(title))
                << title.toStdString() << ' ' << when;
        }
    };
    titlesWhole("before any search");
    storeRequest();
    child<QLineEdit>(window, "c_tram")->setText(QStringLiteral("1"));
    search();
    titlesWhole("with a row found");
}

TEST_F(Searches, ByCodeEnterSearchesAndEmptiesTheCodeAndNothingOrZeroFindsNothing)
{
    storeRequest();
    storeRequest({{"X_APE1", "PEREZ"}});
    test::typeText(child<QLineEdit>(window, "c_tram"), QStringLiteral("a2"));
    EXPECT_EQ(child<QLineEdit>(window, "c_tram")->text(), "2") << "only digits";
    QTest::keyClick(child<QLineEdit>(window, "c_tram"), Qt::Key_Return);
    EXPECT_EQ(found(), QStringList({"2 PEREZ"}));
    EXPECT_TRUE(child<QLineEdit>(window, "c_tram")->text().isEmpty()) << "emptied once Enter is released";
    EXPECT_TRUE(dialogs.texts().isEmpty());

    for (const QString &code : {QString(), QStringLiteral("0"), QStringLiteral("9")}) {
        child<QLineEdit>(window, "c_tram")->setText(code);
        search();
        EXPECT_TRUE(found().isEmpty()) << code.toStdString();
    }
    EXPECT_EQ(dialogs.texts(), QStringList(3, notFound));
}

TEST_F(Searches, ByNamesEachGivenNameMustMatchAndQuotesAreJustCharacters)
{
    storeRequest({{"X_APE1", "D'ANGELO"}, {"X_NOM1", "ANA"}, {"X_NOM2", "LUISA"}});
    storeRequest({{"X_APE1", "MUÑOZ"}, {"X_APE2", "PEÑA"}});
    storeRaw("PED.DBF", {{"C_PED", 40}, {"X_APE1", "O\"BRIEN"}, {"X_NOM1", "SEAN"}});
    onPage(child<QWidget>(window, "tsNombres"));
    test::typeText(child<QLineEdit>(window, "ape1"), QStringLiteral("d'angelo"));
    EXPECT_EQ(child<QLineEdit>(window, "ape1")->text(), "D'ANGELO") << "typed in capitals";
    search();
    EXPECT_EQ(found(), QStringList({"1 D'ANGELO"}));

    child<QLineEdit>(window, "ape1")->clear();
    test::typeText(child<QLineEdit>(window, "nom2"), QStringLiteral("luisa"));
    search();
    EXPECT_EQ(found(), QStringList({"1 D'ANGELO"})) << "one condition, on the second name only";
    test::typeText(child<QLineEdit>(window, "nom1"), QStringLiteral("juan"));
    search();
    EXPECT_TRUE(found().isEmpty()) << "every given name must match";

    for (QLineEdit *e : {child<QLineEdit>(window, "nom1"), child<QLineEdit>(window, "nom2")})
        e->clear();
    test::typeText(child<QLineEdit>(window, "ape1"), QStringLiteral("o\"brien"));
    search();
    EXPECT_EQ(found(), QStringList({"40 O\"BRIEN"}));
    child<QLineEdit>(window, "ape1")->clear();
    test::typeText(child<QLineEdit>(window, "ape2"), QStringLiteral("peña"));
    search();
    EXPECT_EQ(found(), QStringList({"2 MUÑOZ"}));

    child<QLineEdit>(window, "ape2")->clear();
    search(); // every edit empty: nothing runs
    EXPECT_TRUE(found().isEmpty());
    EXPECT_EQ(dialogs.texts(), QStringList({notFound, notFound}));
}

TEST_F(Searches, ByDocumentAndTheAliasesTableHasNoDocumentNumber)
{
    storeRequest({{"N_DOC", 28123456}});
    storeRequest({{"N_DOC", 30111222}, {"X_APE1", "PEREZ"}});
    onPage(child<QWidget>(window, "tsDocumento"));
    search();
    EXPECT_EQ(dialogs.texts(), QStringList({notFound})) << "an empty document runs nothing";
    dialogs.clear();
    child<QLineEdit>(window, "n_doc")->setFocus();
    child<QLineEdit>(window, "n_doc")->home(false);
    QTest::keyClicks(child<QLineEdit>(window, "n_doc"), "30111222");
    search();
    EXPECT_EQ(found(), QStringList({"2 PEREZ"}));

    child<QRadioButton>(window, "rbSupuestos")->setChecked(true);
    search();
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].title, "Error");
    EXPECT_EQ(dialogs.shown()[0].text, "La tabla Sup.dbf no tiene el campo N_DOC.") << "the engine's error, not 'not found'";
    EXPECT_TRUE(found().isEmpty());
}

TEST_F(Searches, ARowOpensItsRequestAnAliasItsOwnerAndAPersonalRequestIsNotShownYet)
{
    storeRequest();
    const int second = storeRequest({{"X_APE1", "LOPEZ"}}).toInt();
    storeRaw("sup.dbf", {{"C_PED", second}, {"C_REG", 12}, {"X_APE1", "LOPES"}, {"X_NOM1", "JUAN"}});
    storeRaw("Pedp.DBF", {{"C_PED", 7}, {"C_REG", 55}, {"X_APE1", "MUÑOZ"}, {"N_DOC", 30111222}});
    dm->pedp.refresh();

    QTest::mouseClick(child<QPushButton>(window, "btVer"), Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(), QStringList({"No hay pedido para visualizar"}));
    dialogs.clear();

    onPage(child<QWidget>(window, "tsNombres"));
    child<QRadioButton>(window, "rbSupuestos")->setChecked(true);
    test::typeText(child<QLineEdit>(window, "ape1"), QStringLiteral("lopes"));
    search();
    EXPECT_EQ(found(), QStringList({QString::number(second) + " LOPES"}));
    child<QRadioButton>(window, "rbOficiales")->setChecked(true); // a later change of table does not change what the row is
    const QPoint cell = child<QTableView>(window, "DBGrid1")->visualRect(child<QTableView>(window, "DBGrid1")->model()->index(0, 0)).center();
    QTest::mouseClick(child<QTableView>(window, "DBGrid1")->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(child<QTableView>(window, "DBGrid1")->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(officialShown, QList<int>({second}));

    onPage(child<QWidget>(window, "tsDocumento"));
    child<QRadioButton>(window, "rbPersonales")->setChecked(true);
    child<QLineEdit>(window, "n_doc")->setText("30111222");
    search();
    EXPECT_EQ(found(), QStringList({"7 MUÑOZ"}));
    QTest::mouseClick(child<QPushButton>(window, "btVer"), Qt::LeftButton);
    EXPECT_EQ(dm->pedp.value("C_PED").toInt(), 7);
    EXPECT_EQ(dialogs.texts(), QStringList({"Esta función todavía no está disponible en esta versión del programa."}));
    EXPECT_EQ(officialShown.size(), 1);
}

TEST_F(Searches, OpeningARequestWhileTheFormHoldsAChangedOneKeepsTheChange)
{
    const int first = storeRequest().toInt();
    storeRequest({{"X_APE1", "LOPEZ"}});
    ASSERT_TRUE(ped().findKey(first));
    press(B::Edit);
    type(child<ui::DbEdit>(form, "x_nom1"), QStringLiteral("PEDRO"));
    child<QLineEdit>(window, "c_tram")->setText("2");
    search();
    QTest::mouseClick(child<QPushButton>(window, "btVer"), Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(), QStringList({"Se han modificado los datos de este registro.\rPresione en el navegador "
                                            "el tilde para grabar\ro la equis para cancelar."}));
    EXPECT_TRUE(officialShown.isEmpty());
    EXPECT_EQ(ped().state(), dbase::Table::State::Edit);
    EXPECT_EQ(ped().value("C_PED").toInt(), first);
    EXPECT_EQ(ped().value("X_NOM1").toString(), "PEDRO");
    press(B::Cancel);
    dialogs.clear();
    QTest::mouseClick(child<QPushButton>(window, "btVer"), Qt::LeftButton); // nothing pending now
    EXPECT_EQ(officialShown, QList<int>({2}));
    EXPECT_TRUE(dialogs.texts().isEmpty());
}
