// What the operator types into a date or number control, and into a grid cell, reaches the
// record or is refused with a word: never dropped.
#include "ui/DataSource.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbNavigator.h"
#include "ui/TypedValue.h"

#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::ui;
using State = dbase::Table::State;
using B = DbNavigator::Button;

TEST(TypedValue, DatesAsOperatorsTypeThem)
{
    const QDate march15(1985, 3, 15);
    for (const QString &typed : QStringList {"15031985", "15/03/1985", "15-03-1985", "15.03.1985", "15/3/1985", " 15 / 03 / 1985 "})
        EXPECT_EQ(dateOfTypedText(typed).value, QVariant(march15)) << typed.toStdString();
    EXPECT_EQ(dateOfTypedText("1/1/2000").value, QVariant(QDate(2000, 1, 1)));
    EXPECT_TRUE(dateOfTypedText("").ok());
    EXPECT_TRUE(dateOfTypedText("").value.isNull()) << "nothing typed is no date, and no error";
    EXPECT_TRUE(dateOfTypedText("29/02/2000").ok()) << "a leap year";

    for (const QString &typed : QStringList {"31/02/1985", "29/02/1985", "15131985", "00/01/1985", "1503198", "150319851", "15/03/85",
                                 "ayer", "15//1985"}) {
        const TypedValue v = dateOfTypedText(typed);
        EXPECT_FALSE(v.ok()) << typed.toStdString();
        EXPECT_TRUE(v.value.isNull()) << typed.toStdString();
    }
    EXPECT_EQ(dateOfTypedText("31/02/1985").error, "\"31/02/1985\" no es una fecha válida. Escriba la fecha como dd/mm/aaaa.");
}

TEST(TypedValue, NumbersTakeTheRegionalCommaAndRefuseText)
{
    EXPECT_EQ(valueOfTypedText('N', "42").value, QVariant(qlonglong(42)));
    EXPECT_EQ(valueOfTypedText('N', " -7 ").value, QVariant(qlonglong(-7)));
    EXPECT_DOUBLE_EQ(valueOfTypedText('N', "12,5").value.toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(valueOfTypedText('F', "12.5").value.toDouble(), 12.5);
    EXPECT_TRUE(valueOfTypedText('N', "").value.isNull());
    EXPECT_EQ(valueOfTypedText('N', "4a").error, "\"4a\" no es un número válido.");
    EXPECT_FALSE(valueOfTypedText('N', "-").ok());
    EXPECT_EQ(valueOfTypedText('C', " texto ").value, QVariant(QStringLiteral(" texto "))) << "text stays as typed";
    EXPECT_TRUE(valueOfTypedText('C', "").value.isNull());
}

namespace {

// "gente.dbf": NOMBRE C10, NACIDO D, EDAD N3; one person, ana, born 01/02/1990.
struct TypedText : ::testing::Test
{
    void SetUp() override
    {
        before = ProgramFolder::path();
        ProgramFolder::setPath(dir.path());
        dbase::Table::create(QStringLiteral("gente.dbf"),
                             {{QStringLiteral("NOMBRE"), 'C', 10}, {QStringLiteral("NACIDO"), 'D', 8}, {QStringLiteral("EDAD"), 'N', 3}});
        table.open(QStringLiteral("gente.dbf"));
        table.append();
        table.setValue(QStringLiteral("NOMBRE"), QStringLiteral("ana"));
        table.setValue(QStringLiteral("NACIDO"), QDate(1990, 2, 1));
        table.post();
        table.first();
        ds = std::make_unique<DataSource>(&table);
        window.resize(400, 300);
        auto *layout = new QVBoxLayout(&window);
        for (QWidget *w : std::initializer_list<QWidget *> {nombre, nacido, edad, navigator, grid, otherButton})
            layout->addWidget(w);
        nombre->bind(ds.get(), QStringLiteral("NOMBRE"));
        nacido->bind(ds.get(), QStringLiteral("NACIDO"));
        edad->bind(ds.get(), QStringLiteral("EDAD"));
        navigator->bind(ds.get());
        grid->bind(ds.get());
        window.show();
        window.activateWindow(); // access keys work in the active window
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override
    {
        QCoreApplication::processEvents();
        window.close();
        if (table.state() != State::Browse)
            table.cancel();
        ds.reset();
        table.close();
        ProgramFolder::setPath(before);
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    }

    // Replaces the edit's text key by key, as typed.
    void type(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    void press(B b) { QTest::mouseClick(navigator->button(b), Qt::LeftButton); }
    QVariant stored(const char *field)
    {
        dbase::Table check(QStringLiteral("gente.dbf"));
        check.open(QStringLiteral("gente.dbf"));
        return check.value(QString::fromLatin1(field));
    }

    test::TempFolder dir;
    test::ScriptedDialogs dialogs;
    dbase::Table table;
    QString before;
    std::unique_ptr<DataSource> ds;
    QWidget window;
    DbEdit *nombre = new DbEdit;
    DbEdit *nacido = new DbEdit;
    DbEdit *edad = new DbEdit;
    DbNavigator *navigator = new DbNavigator;
    DbGrid *grid = new DbGrid;
    QPushButton *otherButton = new QPushButton(QStringLiteral("Otro"));
};

} // namespace

TEST_F(TypedText, ADateTypedAsDigitsStaysOnScreenAndIsSaved)
{
    type(nacido, QStringLiteral("1503198"));
    EXPECT_EQ(table.state(), State::Edit) << "half a date is an edit";
    EXPECT_TRUE(nacido->holdsText());
    type(nombre, QStringLiteral("anabel"));
    EXPECT_EQ(nacido->text(), "1503198") << "another field's edit leaves the text alone";
    nacido->setFocus();
    nacido->end(false);
    QTest::keyClicks(nacido, QStringLiteral("5"));
    EXPECT_FALSE(nacido->holdsText());
    EXPECT_EQ(table.value(QStringLiteral("NACIDO")), QVariant(QDate(1985, 3, 15)));
    press(B::Post);
    EXPECT_EQ(table.state(), State::Browse);
    EXPECT_EQ(stored("NACIDO"), QVariant(QDate(1985, 3, 15)));
    EXPECT_EQ(nacido->text(), "15/03/1985");
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(TypedText, ADateThatCannotBeIsReportedAndNeitherPostedNorDropped)
{
    type(nacido, QStringLiteral("31/02/1985"));
    press(B::Post);
    EXPECT_EQ(dialogs.texts(), QStringList({"\"31/02/1985\" no es una fecha válida. Escriba la fecha como dd/mm/aaaa."}));
    EXPECT_EQ(table.state(), State::Edit) << "the post waits for a date";
    EXPECT_EQ(nacido->text(), "31/02/1985");
    EXPECT_EQ(stored("NACIDO"), QVariant(QDate(1990, 2, 1)));

    dialogs.clear();
    otherButton->setFocus(); // leaving the field says it too, once the focus has moved
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(nacido->hasFocus()) << "back to the date";

    dialogs.clear();
    nacido->selectAll();
    QTest::keyClicks(nacido, QStringLiteral("28.02.1985"));
    press(B::Post);
    EXPECT_EQ(stored("NACIDO"), QVariant(QDate(1985, 2, 28)));
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(TypedText, HeldTextNeverLetsTheRecordBeLeftAndCancelDropsIt)
{
    table.append();
    table.setValue(QStringLiteral("NOMBRE"), QStringLiteral("beto"));
    table.post();
    table.first();
    QCoreApplication::processEvents(); // the grid reads its rows
    type(edad, QStringLiteral("4a"));
    EXPECT_EQ(table.state(), State::Edit);
    grid->setCurrentIndex(grid->model()->index(1, 0)); // a click on beto's row asks for the text first
    EXPECT_EQ(dialogs.texts(), QStringList({"\"4a\" no es un número válido."}));
    EXPECT_EQ(table.value(QStringLiteral("NOMBRE")).toString().trimmed(), "ana");
    EXPECT_EQ(grid->currentIndex().row(), 0) << "the grid stays on the record";
    EXPECT_EQ(edad->text(), "4a");

    press(B::Cancel);
    EXPECT_FALSE(edad->holdsText());
    EXPECT_EQ(edad->text(), "");
    table.next();
    EXPECT_EQ(table.value(QStringLiteral("NOMBRE")).toString().trimmed(), "beto");
}

TEST_F(TypedText, ACellBeingEditedIsTakenByTheNavigatorsPost)
{
    grid->setColumns({{QStringLiteral("NOMBRE"), QStringLiteral("Nombre")}, {QStringLiteral("EDAD"), QStringLiteral("Edad")}});
    press(B::Insert);
    QCoreApplication::processEvents();
    const QModelIndex cell = grid->model()->index(grid->currentIndex().row(), 0);
    grid->setCurrentIndex(cell);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_C); // the first key opens the cell's editor, which takes the rest
    QWidget *editor = grid->indexWidget(grid->currentIndex());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("arla")); // no Enter, no Tab
    QTest::keyClick(editor, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(qobject_cast<QLineEdit *>(editor)->text(), "carla") << "Alt+key is no text for the cell";
    press(B::Post);
    EXPECT_EQ(table.state(), State::Browse);
    EXPECT_EQ(table.recordCount(), 2);
    EXPECT_EQ(table.value(QStringLiteral("NOMBRE")).toString().trimmed(), "carla");
    EXPECT_EQ(grid->indexWidget(grid->currentIndex()), nullptr) << "the editor is closed";

    // a number the cell cannot take is said, and the post waits
    QCoreApplication::processEvents(); // the grid reads the posted rows
    press(B::Edit);
    const QModelIndex age = grid->model()->index(grid->currentIndex().row(), 1);
    grid->setCurrentIndex(age);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_X);
    ASSERT_NE(grid->indexWidget(age), nullptr);
    press(B::Post);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.texts(), QStringList({"\"x\" no es un número válido."}));
    EXPECT_EQ(table.state(), State::Edit);
    press(B::Cancel);
}

TEST_F(TypedText, AltKeysInAGridAreTheWindowsNeverACellsText)
{
    grid->setColumns({{QStringLiteral("NOMBRE"), QStringLiteral("Nombre")}});
    int clicked = 0;
    otherButton->setText(QStringLiteral("&Otro"));
    QObject::connect(otherButton, &QPushButton::clicked, [&clicked] { ++clicked; });
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&clicked] { return clicked == 1; }, 2000)) << "the window's access key";
    QTest::keyClick(grid, Qt::Key_Z, Qt::AltModifier); // no control has it
    EXPECT_EQ(grid->indexWidget(grid->currentIndex()), nullptr) << "no editor opened";
    EXPECT_EQ(table.state(), State::Browse);
    EXPECT_EQ(table.value(QStringLiteral("NOMBRE")).toString().trimmed(), "ana");
}
