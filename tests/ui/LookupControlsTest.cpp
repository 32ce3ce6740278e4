#include "TableFixture.h"

#include "ui/DataSource.h"
#include "ui/DbEdit.h"
#include "ui/DbLookupComboBox.h"
#include "ui/DbText.h"

#include "support/Typing.h"

#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>
#include <QTest>

using namespace qal;
using namespace qal::ui;
using State = dbase::Table::State;

namespace {

// The people's table with a list of ages that have a name, ordered by age.
struct LookupControls : test::TableFixture
{
    void SetUp() override
    {
        test::TableFixture::SetUp();
        dbase::Table::create(QStringLiteral("edades.dbf"), {{QStringLiteral("EDAD"), 'N', 3}, {QStringLiteral("X_EDAD"), 'C', 20}},
                          {{QStringLiteral("EDAD"), QStringLiteral("EDAD")}});
        ages.open(QStringLiteral("edades.dbf"));
        ages.setIndexField(QStringLiteral("EDAD"));
        for (const auto &[age, name] : {std::pair {41, "cuarenta y uno"}, {25, "veinticinco"}, {30, "treinta"}}) {
            ages.append();
            ages.setValue(QStringLiteral("EDAD"), qlonglong(age));
            ages.setValue(QStringLiteral("X_EDAD"), QString::fromLatin1(name));
            ages.post();
        }
        ages.first();
        combo.setList(&ages, QStringLiteral("EDAD"), QStringLiteral("X_EDAD"));
        combo.bind(&ds, QStringLiteral("EDAD"));
    }
    void TearDown() override
    {
        ages.close();
        test::TableFixture::TearDown();
    }
    QStringList offered()
    {
        QStringList rows;
        for (int i = 0; i < combo.count(); ++i)
            rows << combo.itemText(i);
        return rows;
    }

    dbase::Table ages;
    DataSource ds {&table};
    DbLookupComboBox combo;
};

} // namespace

TEST_F(LookupControls, TheListShowsTheNameOfTheKeyAndFollowsTheRecord)
{
    EXPECT_EQ(offered(), QStringList({"veinticinco", "treinta", "cuarenta y uno"})) << "in the list's index order";
    EXPECT_EQ(combo.currentText(), "veinticinco") << "ana is 25";
    table.last();
    EXPECT_EQ(combo.currentText(), "treinta");
    table.edit();
    table.setValue(QStringLiteral("EDAD"), 77); // a key the list does not have
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(combo.placeholderText(), "");
    table.cancel();
    EXPECT_EQ(combo.currentText(), "treinta");
}

TEST_F(LookupControls, ChoosingARowWritesItsKeyAndMovesTheList)
{
    QSignalSpy edited(&combo, &DbLookupComboBox::edited);
    const int row = combo.findText(QStringLiteral("cuarenta y uno"));
    combo.setCurrentIndex(row);
    emit combo.activated(row);
    EXPECT_EQ(table.state(), State::Edit);
    EXPECT_EQ(table.value(QStringLiteral("EDAD")).toInt(), 41);
    EXPECT_EQ(ages.value(QStringLiteral("EDAD")).toInt(), 41) << "the list's table stands on the chosen row";
    EXPECT_EQ(edited.count(), 1);
    table.cancel();
}

TEST_F(LookupControls, AReadOnlyListOnlyShowsAndReportsClicks)
{
    combo.setReadOnly(true);
    QSignalSpy clicked(&combo, &DbLookupComboBox::clicked);
    QTest::mouseClick(&combo, Qt::LeftButton);
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(table.state(), State::Browse);
    EXPECT_EQ(combo.currentText(), "veinticinco");

    DbLookupComboBox described; // shows the value without offering rows
    described.dropDownRows = false;
    described.setList(&ages, QStringLiteral("EDAD"), QStringLiteral("X_EDAD"));
    described.bind(&ds, QStringLiteral("EDAD"));
    EXPECT_EQ(described.count(), 0);
    EXPECT_EQ(described.placeholderText(), "veinticinco");
}

TEST_F(LookupControls, UpperCaseEditsAndTextsShowWhatIsStored)
{
    DbEdit nombre;
    nombre.upperCase = true;
    nombre.bind(&ds, QStringLiteral("NOMBRE"));
    DbText shown;
    shown.bind(&ds, QStringLiteral("NOMBRE"));
    nombre.setFocus();
    nombre.end(false);
    test::typeText(&nombre, QStringLiteral("ñá"));
    EXPECT_EQ(table.value(QStringLiteral("NOMBRE")).toString(), "ANAÑÁ") << "what was there is taken up too";
    EXPECT_EQ(nombre.text(), "ANAÑÁ");
    EXPECT_EQ(nombre.cursorPosition(), 5);
    EXPECT_EQ(shown.text(), "ANAÑÁ");
    table.cancel();
    EXPECT_EQ(shown.text(), "ana");
}

TEST_F(LookupControls, CalculatedAndLookUpFieldsFollowTheFieldsTheyComeFrom)
{
    table.addLookupField(QStringLiteral("X_EDAD"), QStringLiteral("EDAD"), &ages, QStringLiteral("EDAD"),
                         QStringLiteral("X_EDAD"));
    table.addCalculatedField(QStringLiteral("MAYOR"));
    table.onCalcFields = [](dbase::Table &t) {
        t.setValue(QStringLiteral("MAYOR"), t.value(QStringLiteral("EDAD")).toInt() >= 40 ? "sí" : "no");
    };
    DbText named, older;
    named.bind(&ds, QStringLiteral("X_EDAD"));
    older.bind(&ds, QStringLiteral("MAYOR"));
    table.edit();
    EXPECT_EQ(named.text(), "veinticinco");
    EXPECT_EQ(older.text(), "no");
    table.setValue(QStringLiteral("EDAD"), 41);
    EXPECT_EQ(named.text(), "cuarenta y uno");
    EXPECT_EQ(older.text(), "sí");
    EXPECT_EQ(combo.currentText(), "cuarenta y uno");
    table.cancel();
    table.onCalcFields = {};
}

namespace {

struct PaintCounter : QObject
{
    explicit PaintCounter(QWidget *w) { w->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
    int count = 0;
};

} // namespace

TEST_F(LookupControls, AnEmptyKeyShowsNothingAfterAnyValue)
{
    // a list without rows shows its value as placeholder, a list with rows its row
    DbLookupComboBox shownOnly;
    shownOnly.dropDownRows = false;
    shownOnly.setList(&ages, QStringLiteral("EDAD"), QStringLiteral("X_EDAD"));
    shownOnly.bind(&ds, QStringLiteral("EDAD"));
    EXPECT_EQ(shownOnly.shownText(), "veinticinco");
    EXPECT_EQ(combo.shownText(), "veinticinco");
    shownOnly.show();
    QCoreApplication::processEvents();
    PaintCounter paints(&shownOnly);

    table.edit();
    table.clearValue(QStringLiteral("EDAD"));
    QCoreApplication::processEvents();
    EXPECT_GT(paints.count, 0) << "the old text is painted over";
    EXPECT_EQ(shownOnly.shownText(), "") << "never the previous record's text";
    EXPECT_EQ(combo.shownText(), "") << "nor the list's first row";
    EXPECT_EQ(combo.currentIndex(), -1);
    table.cancel();

    table.insert();
    EXPECT_EQ(shownOnly.shownText(), "");
    EXPECT_EQ(combo.shownText(), "");
    table.setValue(QStringLiteral("EDAD"), 30);
    EXPECT_EQ(shownOnly.shownText(), "treinta");
    EXPECT_EQ(combo.shownText(), "treinta");
    table.cancel();
}

TEST_F(LookupControls, AValueWiderThanTheListShowsWholeInItsTooltip)
{
    combo.setToolTip(QStringLiteral("Edad:"));
    combo.resize(40, combo.sizeHint().height());
    combo.show();
    table.last(); // "treinta" does not fit in 40 pixels
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), combo.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&combo, &help);
    EXPECT_EQ(QToolTip::text(), "Edad: treinta");
    EXPECT_EQ(combo.toolTip(), "Edad:") << "the control's own hint stays";
    QToolTip::hideText();

    combo.resize(400, combo.height());
    QApplication::sendEvent(&combo, &help);
    EXPECT_EQ(QToolTip::text(), "Edad:") << "a value that fits: the hint alone";
    QToolTip::hideText();
}
