#include "RequestFormFixture.h"

#include "requests/forms/TFsup.h"
#include "support/Controls.h"
#include "ui/DbEdit.h"
#include "ui/DbNavigator.h"

#include <QPushButton>

using qal::test::child;
using qal::test::click;

using namespace qal;
using B = ui::DbNavigator::Button;

namespace {

struct Aliases : test::RequestFormFixture
{
    void SetUp() override
    {
        test::RequestFormFixture::SetUp();
        driveModalWindows(whileShown);
    }
    static void pressIn(TFsup &d, B b) { QTest::mouseClick(child<ui::DbNavigator>(d, "DBNavigator1")->button(b), Qt::LeftButton); }
    QStringList aliasesOfCurrentRequest()
    {
        QStringList names;
        for (dm->sup.first(); !dm->sup.eof(); dm->sup.next())
            names << dm->sup.value("X_APE1").toString() + u',' + dm->sup.value("X_NOM1").toString();
        return names;
    }

    std::function<void(TFsup &)> whileShown;
};

} // namespace

TEST_F(Aliases, AnAliasIsAddedToTheCurrentRequestNormalised)
{
    const QVariant first = storeRequest();
    const QVariant second = storeRequest({{"X_APE1", "LOPEZ"}, {"C_ORG", 2}, {"C_PROV", 21}});
    whileShown = [&](TFsup &d) {
        EXPECT_EQ(d.windowTitle(), "Supuestos");
        EXPECT_GE(d.minimumWidth(), 463);
        EXPECT_TRUE(aliasesOfCurrentRequest().isEmpty());
        pressIn(d, B::Insert);
        test::RequestFormFixture::type(child<ui::DbEdit>(d, "x_ape1"), QStringLiteral("lopez  garcia"));
        test::RequestFormFixture::type(child<ui::DbEdit>(d, "x_nom1"), QStringLiteral("ana"));
        pressIn(d, B::Post);
    };
    ASSERT_TRUE(ped().findKey(second));
    QTest::mouseClick(child<QPushButton>(form, "Supuestos"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(aliasesOfCurrentRequest(), QStringList({"LOPEZ GARCIA,ANA"}));
    EXPECT_EQ(dm->sup.value("C_PED"), second);
    EXPECT_EQ(dm->sup.value("C_PROV").toInt(), 21) << "the province of the request's agency";
    ASSERT_TRUE(ped().findKey(first));
    EXPECT_TRUE(aliasesOfCurrentRequest().isEmpty()) << "the alias belongs to the other request";

    whileShown = [&](TFsup &d) {
        pressIn(d, B::Insert);
        test::RequestFormFixture::type(child<ui::DbEdit>(d, "x_ape1"), QStringLiteral("diaz"));
    };
    click(child<QPushButton>(form, "Supuestos")); // closed with the alias half-typed
    EXPECT_EQ(dm->sup.state(), dbase::Table::State::Browse);
    EXPECT_TRUE(aliasesOfCurrentRequest().isEmpty());
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(Aliases, ASentRequestKeepsItsAliasesUnlessRejected)
{
    storeRequest({{"M_ENVIADO", true}, {"C_EST", "E"}});
    whileShown = [&](TFsup &d) {
        pressIn(d, B::Insert);
        EXPECT_EQ(dm->sup.state(), dbase::Table::State::Browse);
    };
    click(child<QPushButton>(form, "Supuestos"));
    EXPECT_EQ(dialogs.texts(),
              QStringList({"No se puede modificar un pedido que ya ha sido enviado. Excepto que este rechazado"}));

    dialogs.clear();
    ped().edit();
    ped().setValue("C_EST", "R");
    dm->grabacionAutorizada = true;
    ped().post();
    whileShown = [&](TFsup &d) {
        pressIn(d, B::Insert);
        test::RequestFormFixture::type(child<ui::DbEdit>(d, "x_ape1"), QStringLiteral("ruiz"));
        pressIn(d, B::Post); // no first name
        EXPECT_EQ(dm->sup.state(), dbase::Table::State::Insert);
        test::RequestFormFixture::type(child<ui::DbEdit>(d, "x_nom1"), QStringLiteral("eva"));
        pressIn(d, B::Post);
    };
    click(child<QPushButton>(form, "Supuestos"));
    EXPECT_EQ(dialogs.texts(), QStringList({"Debe completar el primer nombre"}));
    EXPECT_EQ(aliasesOfCurrentRequest(), QStringList({"RUIZ,EVA"}));
}
