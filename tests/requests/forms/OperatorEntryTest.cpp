// What an operator types and sees on the official form: dates as typed, look-up names of the
// current record only. Controls are found by their names, as the operator finds them by sight.
#include "RequestFormFixture.h"

#include "ui/DbEdit.h"
#include "ui/DbLookupComboBox.h"
#include "ui/DbNavigator.h"

#include <QCoreApplication>
#include <QToolButton>

using namespace qal;
using B = ui::DbNavigator::Button;
using State = dbase::Table::State;

namespace {

struct OperatorEntry : test::RequestFormFixture
{
    template <typename W>
    W *control(const char *name)
    {
        return test::child<W>(form, name);
    }
    void click(B b) { QTest::mouseClick(control<ui::DbNavigator>("nvPed")->button(b), Qt::LeftButton); }
};

struct PaintCounter : QObject
{
    explicit PaintCounter(QWidget *w) { w->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override
    {
        count += e->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

} // namespace

TEST_F(OperatorEntry, ABirthDateTypedAsDigitsIsSavedAndOneThatCannotBeIsSaid)
{
    storeRequest();
    click(B::Edit);
    auto *fNac = control<ui::DbEdit>("f_nac");
    type(fNac, QStringLiteral("1503198"));
    type(control<ui::DbEdit>("x_nom2"), QStringLiteral("PEDRO"));
    EXPECT_EQ(fNac->text(), "1503198") << "half a date stays while other fields change";
    fNac->setFocus();
    fNac->end(false);
    QTest::keyClicks(fNac, QStringLiteral("5"));
    click(B::Post);
    ASSERT_EQ(ped().state(), State::Browse) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(ped().value("F_NAC").toDate(), QDate(1985, 3, 15));
    EXPECT_EQ(fNac->text(), "15/03/1985");
    EXPECT_EQ(ped().value("X_NOM2").toString(), "PEDRO");

    click(B::Edit);
    type(fNac, QStringLiteral("31021985"));
    click(B::Post);
    EXPECT_EQ(dialogs.texts(), QStringList({"\"31021985\" no es una fecha válida. Escriba la fecha como dd/mm/aaaa."}));
    EXPECT_EQ(ped().state(), State::Edit);
    EXPECT_EQ(fNac->text(), "31021985");
    click(B::Cancel);
    EXPECT_EQ(fNac->text(), "15/03/1985");
}

TEST_F(OperatorEntry, TheOffenceNameIsTheCurrentRecordsAndNothingForAnEmptyCode)
{
    storeRequest({{"C_TDEL", 204}});
    auto *xTdel = control<ui::DbLookupComboBox>("x_tdel");
    EXPECT_EQ(xTdel->shownText(), "ESTAFA");
    QCoreApplication::processEvents();
    PaintCounter paints(xTdel);
    click(B::Insert);
    QCoreApplication::processEvents();
    EXPECT_EQ(xTdel->shownText(), "");
    EXPECT_GT(paints.count, 0) << "the previous record's name is painted over";
    click(B::Cancel);
    EXPECT_EQ(xTdel->shownText(), "ESTAFA");

    click(B::Edit);
    auto *cTdel = control<ui::DbEdit>("c_tdel");
    type(cTdel, QStringLiteral("999"));
    QTest::keyClick(cTdel, Qt::Key_Return); // leaves the code: an unknown one is emptied
    QCoreApplication::processEvents();
    EXPECT_TRUE(ped().isNull("C_TDEL"));
    EXPECT_EQ(xTdel->shownText(), "");
    click(B::Cancel);
}
