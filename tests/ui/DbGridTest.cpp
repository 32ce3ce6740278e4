#include "TableFixture.h"

#include "ui/DataSource.h"
#include "ui/DbGrid.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QHeaderView>
#include <QTest>

using namespace qal;
using namespace qal::ui;
using State = dbase::Table::State;

namespace {

struct Grid : test::TableFixture
{
    void SetUp() override
    {
        test::TableFixture::SetUp();
        ds = std::make_unique<DataSource>(&table);
        grid = std::make_unique<DbGrid>();
        grid->bind(ds.get());
        tester = std::make_unique<QAbstractItemModelTester>(grid->tableModel(),
                                                            QAbstractItemModelTester::FailureReportingMode::Warning);
        grid->resize(400, 200);
    }
    void TearDown() override
    {
        tester.reset();
        grid.reset();
        ds.reset();
        test::TableFixture::TearDown();
    }

    QStringList column(int c)
    {
        QStringList out;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            out << grid->model()->index(r, c).data().toString();
        return out;
    }
    QString nombre() { return table.value(QStringLiteral("NOMBRE")).toString(); }
    void settle() { QCoreApplication::processEvents(); }

    std::unique_ptr<DataSource> ds;
    std::unique_ptr<DbGrid> grid;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

TEST_F(Grid, ShowsTheVisibleRecordsInIndexOrderWithLabelsAndHiddenColumns)
{
    grid->setColumns({{QStringLiteral("NOMBRE"), QStringLiteral("Nombre")},
                      {QStringLiteral("EDAD"), QStringLiteral("Edad")},
                      {QStringLiteral("ACTIVO"), QString(), false}});
    EXPECT_EQ(column(0), QStringList({"ana", "beto", "carla"}));
    EXPECT_EQ(column(1), QStringList({"25", "41", "30"}));
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Nombre");
    EXPECT_TRUE(grid->isColumnHidden(2));
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(nombre(), "ana") << "reading the rows leaves the table where it was";
}

TEST_F(Grid, TheCurrentRowFollowsTheTableAndAClickMovesTheTable)
{
    table.last();
    EXPECT_EQ(grid->currentIndex().row(), 2);
    grid->setCurrentIndex(grid->model()->index(1, 0));
    EXPECT_EQ(nombre(), "beto");
}

TEST_F(Grid, ReadingTheRowsDoesNotRunTheTablesScrollEvent)
{
    int scrolls = 0;
    table.afterScroll = [&scrolls](dbase::Table &) { ++scrolls; };
    grid->tableModel()->reload();
    EXPECT_EQ(scrolls, 0);
    EXPECT_TRUE(static_cast<bool>(table.afterScroll)) << "the event is given back";
}

TEST_F(Grid, AnInsertedRecordIsARowUntilPostedThenTakesItsPlace)
{
    table.append();
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->currentIndex().row(), 3);
    table.setValue(QStringLiteral("NOMBRE"), QStringLiteral("abel"));
    EXPECT_EQ(column(0).value(3), "abel") << "unposted values show";
    table.post();
    settle();
    EXPECT_EQ(column(0), QStringList({"abel", "ana", "beto", "carla"}));
    EXPECT_EQ(grid->currentIndex().row(), 0);

    table.append();
    table.cancel();
    settle();
    EXPECT_EQ(grid->model()->rowCount(), 4);
}

TEST_F(Grid, EditingACellEditsTheRecord)
{
    const QModelIndex edad = grid->model()->index(1, 1);
    ASSERT_TRUE(grid->model()->flags(edad).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(grid->model()->setData(edad, QStringLiteral("42")));
    EXPECT_EQ(table.state(), State::Edit);
    EXPECT_EQ(nombre(), "beto");
    EXPECT_EQ(table.value(QStringLiteral("EDAD")).toLongLong(), 42);
    EXPECT_FALSE(grid->model()->setData(edad, QStringLiteral("cuarenta"))) << "not a number";
    table.post();
    settle();
    EXPECT_EQ(column(1), QStringList({"25", "42", "30"}));
}

TEST_F(Grid, AReopenedTableIsReadAgainOnceItsOrderIsSet)
{
    table.close();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    table.open();
    table.setIndexField(QStringLiteral("NOMBRE"));
    table.findKey(QStringLiteral("beto"));
    settle();
    EXPECT_EQ(column(0), QStringList({"ana", "beto", "carla"}));
    EXPECT_EQ(grid->currentIndex().row(), 1);
}
