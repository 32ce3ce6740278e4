#include "RequestFormFixture.h"

#include "requests/OffenceFilter.h"
#include "requests/forms/TFBusqDel.h"
#include "support/Controls.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupComboBox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using qal::test::child;
using qal::test::click;

using namespace qal;
using B = ui::DbNavigator::Button;

namespace {

struct OffenceSelection : test::RequestFormFixture
{
    void SetUp() override
    {
        test::RequestFormFixture::SetUp();
        storeRequest();
        driveModalWindows(whileShown);
    }
    QStringList offencesListed()
    {
        QStringList names;
        for (dm->tdel.first(); !dm->tdel.eof(); dm->tdel.next())
            names << dm->tdel.value("X_TDEL").toString();
        return names;
    }
    static int rowsShown(TFBusqDel &d)
    {
        QCoreApplication::processEvents(); // the grid re-reads once the search has run
        return child<ui::DbGrid>(d, "DBGrid1")->model()->rowCount();
    }

    std::function<void(TFBusqDel &)> whileShown;
};

} // namespace

TEST_F(OffenceSelection, OpensOnlyWhileTheRequestIsEdited)
{
    bool opened = false;
    whileShown = [&](TFBusqDel &) { opened = true; };
    EXPECT_FALSE(child<QToolButton>(form, "btDelito")->isEnabled());
    QTest::mouseClick(child<QToolButton>(form, "btDelito"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << "a disabled button does nothing";
    QTest::mouseClick(child<ui::DbLookupComboBox>(form, "x_tdel"), Qt::LeftButton); // the description opens it too
    QTest::mouseClick(child<ui::DbLookupComboBox>(form, "x_tdel"), Qt::LeftButton); // and is refused each time
    EXPECT_EQ(dialogs.texts(), QStringList(2, "Antes de seleccionar el delito, debe cambiar al modo edición"));
    EXPECT_FALSE(opened);

    press(B::Edit);
    EXPECT_TRUE(child<QToolButton>(form, "btDelito")->isEnabled());
    QTest::mouseClick(child<QToolButton>(form, "btDelito"), Qt::LeftButton);
    EXPECT_TRUE(opened);
    press(B::Cancel);
}

TEST_F(OffenceSelection, AWordInAnyCaseFindsTheOffencesThatContainItAndTheChoiceIsWritten)
{
    press(B::Edit);
    whileShown = [&](TFBusqDel &d) {
        EXPECT_EQ(d.windowTitle(), "Selección del delito");
        EXPECT_EQ(dm->tdel.value("C_TDEL").toInt(), 201) << "starts on the request's offence";
        QCoreApplication::processEvents();
        EXPECT_EQ(child<ui::DbGrid>(d, "DBGrid1")->currentIndex().row(), 4) << "and the grid shows it";
        test::RequestFormFixture::type(child<QLineEdit>(d, "edDelito"), QStringLiteral("rOBo"));
        QTest::keyClick(child<QLineEdit>(d, "edDelito"), Qt::Key_Return); // Enter searches
        EXPECT_EQ(rowsShown(d), 2);
        EXPECT_EQ(offencesListed(), QStringList({"ROBO", "ROBO CON ARMA"}));
        dm->tdel.last();
        QTest::mouseClick(child<QPushButton>(d, "btAceptar"), Qt::LeftButton);
    };
    click(child<QToolButton>(form, "btDelito"));
    EXPECT_EQ(ped().value("C_TDEL").toInt(), 203);
    EXPECT_EQ(child<ui::DbEdit>(form, "c_tdel")->text(), "203");
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "x_tdel")->placeholderText(), "ROBO CON ARMA");
    EXPECT_EQ(dm->tdel.recordCount(), 12) << "the filter is gone once the window closes";
    EXPECT_TRUE(dialogs.texts().isEmpty());
    press(B::Cancel);
}

TEST_F(OffenceSelection, ACategoryOrAnEmptyResultIsNotAnOffence)
{
    press(B::Edit);
    whileShown = [&](TFBusqDel &d) {
        test::RequestFormFixture::type(child<QLineEdit>(d, "edCodigo"), QStringLiteral("200"));
        QTest::mouseClick(child<QPushButton>(d, "btBuscar"), Qt::LeftButton);
        EXPECT_EQ(offencesListed(), QStringList({"DELITOS CONTRA LA PROPIEDAD"}));
        QTest::mouseClick(child<QPushButton>(d, "btAceptar"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible()) << "stays open for another choice";

        QTest::mouseClick(child<QToolButton>(d, "sbCodigo"), Qt::LeftButton);
        EXPECT_EQ(child<QLineEdit>(d, "edCodigo")->text(), "");
        test::RequestFormFixture::type(child<QLineEdit>(d, "edLey"), QStringLiteral("99999"));
        QTest::mouseClick(child<QPushButton>(d, "btBuscar"), Qt::LeftButton);
        EXPECT_EQ(rowsShown(d), 0);
        QTest::mouseClick(child<QPushButton>(d, "btAceptar"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(d, "btCerrar"), Qt::LeftButton);
    };
    click(child<QToolButton>(form, "btDelito"));
    EXPECT_EQ(dialogs.texts(), QStringList(2, "Error: Debe elegir un delito y no una categoría"));
    EXPECT_EQ(ped().value("C_TDEL").toInt(), 201) << "closing keeps the offence the request had";
    EXPECT_EQ(dm->tdel.recordCount(), 12);
    press(B::Cancel);
}

TEST(OffenceFilterTest, EveryGivenEntryIsAConditionAndTheWordsAreLowerCase)
{
    const OffenceFilter none({});
    EXPECT_TRUE(none.conditions().isEmpty());
    EXPECT_TRUE(none.descriptionWords().isEmpty());

    const OffenceFilter all({"203", "11179", "166 ", "2", " Con ARMA"});
    ASSERT_EQ(all.conditions().size(), 4);
    EXPECT_EQ(all.conditions()[0].field, "C_TDEL");
    EXPECT_EQ(all.conditions()[2].value, "166 ");
    EXPECT_EQ(all.descriptionWords(), " con arma") << "one piece, blanks included";

    const OffenceFilter blanks({"  ", "", " ", "", "   "});
    EXPECT_TRUE(blanks.conditions().isEmpty()) << "a blank entry sets no condition";
    EXPECT_TRUE(blanks.descriptionWords().isEmpty());
}

TEST_F(OffenceSelection, FieldConditionsCompareTheStoredTextExactly)
{
    const auto found = [this](const OffenceCriteria &c) {
        OffenceFilter(c).apply(*dm);
        const QStringList names = offencesListed();
        OffenceFilter::clear(*dm);
        return names;
    };
    EXPECT_EQ(found({{}, "11179", "166", "2", {}}), QStringList({"ROBO CON ARMA"}));
    EXPECT_EQ(found({{}, "23737", {}, "c", {}}).size(), 1);
    EXPECT_TRUE(found({{}, "23737", {}, "C", {}}).isEmpty()) << "case counts in a clause";
    EXPECT_TRUE(found({{}, "1117", {}, {}, {}}).isEmpty()) << "a law is never a prefix";
    EXPECT_EQ(found({"0401", {}, {}, {}, {}}).size(), 1) << "the code is a number";
    EXPECT_EQ(found({{}, "11179", {}, {}, "robo"}), QStringList({"ROBO", "ROBO CON ARMA"}));
    EXPECT_EQ(dm->tdel.recordCount(), 12);
}
