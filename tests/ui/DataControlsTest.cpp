#include "TableFixture.h"

#include "ui/DataSource.h"
#include "ui/DbCheckBox.h"
#include "ui/DbEdit.h"
#include "ui/DbNavigator.h"
#include "ui/DbText.h"

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace qal;
using namespace qal::ui;
using State = dbase::Table::State;

namespace {

struct DataControls : test::TableFixture
{
    QString nombre() { return table.value(QStringLiteral("NOMBRE")).toString(); }
};

} // namespace

TEST_F(DataControls, LoadingFromTheRecordIsNeverAnOperatorsEdit)
{
    DataSource ds(&table);
    DbEdit edit;
    DbCheckBox check;
    QSignalSpy editSpy(&edit, &DbEdit::edited);
    QSignalSpy checkSpy(&check, &DbCheckBox::edited);
    edit.bind(&ds, QStringLiteral("NOMBRE"));
    check.bind(&ds, QStringLiteral("ACTIVO"));
    EXPECT_EQ(edit.text(), "ana");
    EXPECT_FALSE(check.isChecked());
    EXPECT_EQ(edit.fieldWidth(), 10) << "the field's width";

    table.next();
    EXPECT_EQ(edit.text(), "beto");
    EXPECT_TRUE(check.isChecked());
    table.edit();
    table.setValue(QStringLiteral("NOMBRE"), QStringLiteral("bety"));
    EXPECT_EQ(edit.text(), "bety") << "a value set by the program shows at once";
    table.cancel();
    EXPECT_EQ(edit.text(), "beto");

    EXPECT_EQ(editSpy.count(), 0);
    EXPECT_EQ(checkSpy.count(), 0);
    EXPECT_EQ(table.state(), State::Browse);
}

TEST_F(DataControls, AControlReloadsForItsOwnFieldAndForAWholeRecordChange)
{
    DataSource ds(&table);
    DbEdit edit;
    DbCheckBox check;
    DbText text;
    edit.bind(&ds, QStringLiteral("NOMBRE"));
    check.bind(&ds, QStringLiteral("ACTIVO"));
    text.bind(&ds, QStringLiteral("EDAD"));
    // what each control shows differs from the record; a reload would put the record's back
    auto mark = [&] {
        edit.setText(QStringLiteral("marca"));
        check.setChecked(!check.isChecked());
        text.setText(QStringLiteral("marca"));
    };

    table.edit();
    mark();
    const bool marked = check.isChecked();
    table.setValue(QStringLiteral("EDAD"), 26);
    EXPECT_EQ(text.text(), "26");
    EXPECT_EQ(edit.text(), "marca") << "another field was set";
    EXPECT_EQ(check.isChecked(), marked);
    table.setValue(QStringLiteral("nombre"), QStringLiteral("anabel"));
    EXPECT_EQ(edit.text(), "anabel") << "its own field, whatever the case of the name";
    EXPECT_EQ(check.isChecked(), marked);

    mark();
    table.cancel();
    EXPECT_EQ(edit.text(), "ana");
    EXPECT_FALSE(check.isChecked());
    EXPECT_EQ(text.text(), "25");

    mark();
    table.next();
    EXPECT_EQ(edit.text(), "beto");
    EXPECT_TRUE(check.isChecked());
    EXPECT_EQ(text.text(), "41");

    mark();
    table.refresh();
    EXPECT_EQ(edit.text(), "beto");
    EXPECT_TRUE(check.isChecked());
    EXPECT_EQ(text.text(), "41");
}

TEST_F(DataControls, TypingAndClickingEditTheRecord)
{
    DataSource ds(&table);
    DbEdit edit;
    DbCheckBox check;
    edit.bind(&ds, QStringLiteral("NOMBRE"));
    check.bind(&ds, QStringLiteral("ACTIVO"));
    QSignalSpy editSpy(&edit, &DbEdit::edited);

    edit.setFocus();
    edit.end(false);
    QTest::keyClicks(&edit, "lia");
    EXPECT_EQ(table.state(), State::Edit);
    EXPECT_EQ(nombre(), "analia");
    EXPECT_EQ(editSpy.count(), 3);
    EXPECT_EQ(edit.text(), "analia");

    check.click();
    EXPECT_EQ(table.value(QStringLiteral("ACTIVO")).toString(), "S");
    table.post();
    ASSERT_TRUE(table.findKey(QStringLiteral("analia")));
    EXPECT_EQ(table.value(QStringLiteral("ACTIVO")).toString(), "S");
}

TEST_F(DataControls, WithoutAutoEditTheOperatorCannotStartAnEdit)
{
    DataSource ds(&table);
    ds.autoEdit = false;
    DbEdit edit;
    edit.bind(&ds, QStringLiteral("NOMBRE"));
    QTest::keyClicks(&edit, "x");
    EXPECT_EQ(table.state(), State::Browse);
    EXPECT_EQ(edit.text(), "ana") << "the refused keystroke is taken back";
}

TEST_F(DataControls, AValueTheTableRefusesIsReportedAndTakenBack)
{
    DataSource ds(&table);
    DbEdit edad;
    edad.bind(&ds, QStringLiteral("EDAD"));
    EXPECT_EQ(edad.fieldWidth(), 3) << "a number wider than its field cannot be typed";
    table.beforeEdit = [](dbase::Table &) { throw dbase::DatabaseError(QStringLiteral("Registro bloqueado")); };
    edad.setFocus();
    edad.end(false);
    QTest::keyClicks(&edad, "5");
    EXPECT_EQ(dialogs.texts(), QStringList({"Registro bloqueado"}));
    EXPECT_EQ(dialogs.titles(), QStringList({"Error"}));
    EXPECT_EQ(edad.text(), "25") << "taken back";
    EXPECT_EQ(table.state(), State::Browse);
    table.beforeEdit = {};
}

TEST_F(DataControls, ControlsOfAClosedTableAreEmptyAndDisabled)
{
    DataSource ds(&table);
    DbEdit edit;
    edit.bind(&ds, QStringLiteral("NOMBRE"));
    table.close();
    EXPECT_FALSE(edit.isEnabled());
    EXPECT_TRUE(edit.text().isEmpty());
    table.open();
    table.setIndexField(QStringLiteral("NOMBRE"));
    EXPECT_TRUE(edit.isEnabled());
    EXPECT_EQ(edit.text(), "ana");
}

TEST_F(DataControls, ADestroyedTableLeavesTheSourceSafe)
{
    auto other = std::make_unique<dbase::Table>(QStringLiteral("gente.dbf"));
    other->open();
    DataSource ds(other.get());
    DbEdit edit;
    edit.bind(&ds, QStringLiteral("NOMBRE"));
    other.reset();
    EXPECT_EQ(ds.table(), nullptr);
    EXPECT_FALSE(edit.isEnabled());
}

TEST_F(DataControls, TheNavigatorHasTheTenButtonsWithTheirHints)
{
    DbNavigator nav;
    nav.resize(400, 30);
    nav.show();
    QList<QToolButton *> onScreen;
    for (int i = 0; i < DbNavigator::kButtons; ++i)
        onScreen << nav.button(DbNavigator::Button(i));
    std::sort(onScreen.begin(), onScreen.end(), [](auto *a, auto *b) { return a->x() < b->x(); });
    QStringList hints;
    for (QToolButton *b : onScreen)
        hints << b->toolTip();
    EXPECT_EQ(hints, QStringList({"Primer registro", "Registro anterior", "Registro siguiente", "Último registro",
                                  "Agregar un registro", "Eliminar el registro", "Modificar el registro", "Aceptar",
                                  "Cancelar", "Refrescar"}))
        << "left to right";
}

TEST_F(DataControls, TheNavigatorEnablesWhatTheStateAllows)
{
    using B = DbNavigator::Button;
    DataSource ds(&table);
    DbNavigator nav;
    nav.bind(&ds);
    const auto enabled = [&nav] {
        QString s;
        for (int i = 0; i < DbNavigator::kButtons; ++i)
            s += nav.button(B(i))->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    };
    table.first();
    EXPECT_EQ(enabled(), "0011111001") << "on the first record";
    nav.click(B::Last);
    EXPECT_EQ(nombre(), "carla");
    EXPECT_EQ(enabled(), "1100111001") << "on the last record";
    nav.click(B::Prior);
    EXPECT_EQ(nombre(), "beto");
    nav.click(B::Edit);
    EXPECT_EQ(enabled(), "0000000110") << "editing: only post and cancel";
    nav.click(B::Cancel);
    EXPECT_EQ(table.state(), State::Browse);
}

TEST_F(DataControls, TheNavigatorInsertsPostsAndDeletesWithConfirmation)
{
    using B = DbNavigator::Button;
    DataSource ds(&table);
    DbNavigator nav;
    nav.bind(&ds);
    QList<B> done;
    QObject::connect(&nav, &DbNavigator::actionDone, &nav, [&done](B b) { done << b; });

    nav.click(B::Insert);
    ASSERT_EQ(table.state(), State::Insert);
    table.setValue(QStringLiteral("NOMBRE"), QStringLiteral("dario"));
    nav.click(B::Post);
    EXPECT_EQ(table.recordCount(), 4);
    EXPECT_EQ(nombre(), "dario");

    dialogs.answer(DialogButton::No);
    nav.click(B::Delete);
    EXPECT_EQ(table.recordCount(), 4) << "not confirmed";
    dialogs.answer(DialogButton::Yes);
    nav.click(B::Delete);
    EXPECT_EQ(table.recordCount(), 3);
    EXPECT_EQ(dialogs.texts(), QStringList({"¿Eliminar el registro?", "¿Eliminar el registro?"}));
    EXPECT_EQ(done, QList<B>({B::Insert, B::Post, B::Delete, B::Delete}));
}

TEST_F(DataControls, BeforeActionCanAbandonAnAction)
{
    using B = DbNavigator::Button;
    DataSource ds(&table);
    DbNavigator nav;
    nav.bind(&ds);
    QList<B> asked;
    nav.beforeAction = [&asked](B b) {
        asked << b;
        return b != B::Next;
    };
    nav.click(B::Next);
    EXPECT_EQ(nombre(), "ana") << "abandoned";
    nav.click(B::Last);
    EXPECT_EQ(nombre(), "carla");
    EXPECT_EQ(asked, QList<B>({B::Next, B::Last}));
}

TEST_F(DataControls, ARefusedPostIsReportedAndTheRecordStaysInEdit)
{
    using B = DbNavigator::Button;
    table.beforePost = [](dbase::Table &) { throw dbase::DatabaseError(QStringLiteral("Falta el nombre")); };
    DataSource ds(&table);
    DbNavigator nav;
    nav.bind(&ds);
    nav.click(B::Edit);
    table.setValue(QStringLiteral("EDAD"), qlonglong(26));
    nav.click(B::Post);
    EXPECT_EQ(dialogs.texts(), QStringList({"Falta el nombre"}));
    EXPECT_EQ(table.state(), State::Edit);
    EXPECT_TRUE(nav.button(B::Post)->isEnabled());
    nav.click(B::Cancel);
    EXPECT_EQ(table.value(QStringLiteral("EDAD")).toLongLong(), 25);
}
