#include "EngineTestUtil.h"

#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::dbase;
using test::fieldOf;

namespace {

class TableEvents : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table::create(QStringLiteral("ped.dbf"), {fieldOf("C_PED", 'N', 6), fieldOf("X_APE1", 'C', 15)});
        t.setFileName(QStringLiteral("ped.dbf"));
        t.addCalculatedField(QStringLiteral("CALC"));
        auto rec = [this](const char *name) { return [this, name](Table &) { log << QString::fromLatin1(name); }; };
        t.beforeInsert = rec("beforeInsert");
        t.afterInsert = rec("afterInsert");
        t.beforeEdit = rec("beforeEdit");
        t.afterEdit = rec("afterEdit");
        t.beforePost = rec("beforePost");
        t.afterPost = rec("afterPost");
        t.beforeCancel = rec("beforeCancel");
        t.afterCancel = rec("afterCancel");
        t.beforeDelete = rec("beforeDelete");
        t.afterDelete = rec("afterDelete");
        t.afterScroll = rec("afterScroll");
        t.onCalcFields = rec("calc");
        t.onNewRecord = [this](Table &r) {
            log << QStringLiteral("newRecord");
            r.setValue("X_APE1", QStringLiteral("NN"));
        };
        t.onFieldChange = [this](Table &, const QString &f) { log << QStringLiteral("change ") + f; };
        t.open();
        log.clear();
    }

    QStringList take()
    {
        const QStringList out = log;
        log.clear();
        return out;
    }

    // The record as another reader sees it on disk.
    QString stored(const char *field)
    {
        Table other(QStringLiteral("ped.dbf"));
        other.open();
        return other.value(field).toString();
    }

    test::ProgramFolderScope folder;
    Table t;
    QStringList log;
};

} // namespace

TEST_F(TableEvents, RunInTheOrderOfARecordsLife)
{
    t.append();
    EXPECT_EQ(take(), QStringList({"beforeInsert", "newRecord", "change X_APE1", "calc", "calc", "afterInsert",
                                   "afterScroll"}));
    EXPECT_EQ(t.state(), Table::State::Insert);
    t.setValue("C_PED", 1);
    EXPECT_EQ(take(), QStringList({"change C_PED", "calc"}));
    t.post();
    EXPECT_EQ(take(), QStringList({"beforePost", "calc", "afterPost"}));
    EXPECT_EQ(t.state(), Table::State::Browse);

    t.edit();
    EXPECT_EQ(take(), QStringList({"beforeEdit", "calc", "afterEdit"}));
    t.cancel();
    EXPECT_EQ(take(), QStringList({"beforeCancel", "calc", "afterCancel"}));

    t.edit();
    t.setValue("X_APE1", QStringLiteral("PEREZ"));
    take();
    t.first(); // moving posts a modified record
    EXPECT_EQ(take().mid(0, 2), QStringList({"beforePost", "calc"}));
    EXPECT_EQ(stored("X_APE1"), QStringLiteral("PEREZ"));

    t.deleteRecord();
    EXPECT_EQ(take(), QStringList({"beforeDelete", "afterDelete"}));
    EXPECT_TRUE(t.isEmpty());
}

TEST_F(TableEvents, RefusedPostLeavesTheFileAndKeepsTheEdit)
{
    t.append();
    t.setValue("C_PED", 1);
    t.post();
    t.beforePost = [](Table &) { throw Abort(); };
    t.edit();
    t.setValue("X_APE1", QStringLiteral("OTRO"));
    EXPECT_THROW(t.post(), Abort);
    EXPECT_EQ(t.state(), Table::State::Edit);
    EXPECT_EQ(t.value("X_APE1").toString(), QStringLiteral("OTRO"));
    EXPECT_EQ(stored("X_APE1"), QStringLiteral("NN"));

    t.beforePost = [](Table &) { throw DatabaseError(QStringLiteral("Debe completar el campo \"Nombre\"")); };
    try {
        t.post();
        FAIL();
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Debe completar el campo \"Nombre\""));
    }
    t.cancel();
    EXPECT_EQ(t.value("X_APE1").toString(), QStringLiteral("NN"));
    EXPECT_EQ(t.physicalRecordCount(), 1u);
}

TEST_F(TableEvents, RefusedInsertEditAndDeleteChangeNothing)
{
    t.append();
    t.setValue("C_PED", 7);
    t.post();

    t.beforeInsert = [](Table &) { throw Abort(); };
    EXPECT_THROW(t.append(), Abort);
    EXPECT_EQ(t.state(), Table::State::Browse);
    EXPECT_EQ(t.value("C_PED").toInt(), 7);

    t.beforeInsert = nullptr;
    t.onNewRecord = [](Table &) { throw DatabaseError(QStringLiteral("sin número")); };
    EXPECT_THROW(t.append(), DatabaseError);
    EXPECT_EQ(t.state(), Table::State::Browse);
    EXPECT_EQ(t.value("C_PED").toInt(), 7);

    t.beforeEdit = [](Table &) { throw Abort(); };
    EXPECT_THROW(t.edit(), Abort);
    EXPECT_EQ(t.state(), Table::State::Browse);

    t.beforeDelete = [](Table &) { throw DatabaseError(QStringLiteral("¿Borrar?")); };
    EXPECT_THROW(t.deleteRecord(), DatabaseError);
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.physicalRecordCount(), 1u);
    EXPECT_EQ(stored("C_PED"), QStringLiteral("7"));
}

TEST_F(TableEvents, CancelledInsertReturnsToTheRecordItCameFrom)
{
    for (int k : {1, 2}) {
        t.append();
        t.setValue("C_PED", k);
        t.post();
    }
    t.first();
    t.append();
    t.setValue("C_PED", 3);
    t.cancel();
    EXPECT_EQ(t.value("C_PED").toInt(), 1);
    EXPECT_EQ(t.physicalRecordCount(), 2u);
}

TEST_F(TableEvents, ListenersHearStateAndScrolling)
{
    QList<Table::Notification> heard;
    QStringList fieldsSet;
    const int id = t.addListener([&](Table &, Table::Notification n, const QString &field) {
        heard << n;
        if (n == Table::Notification::FieldChanged)
            fieldsSet << field;
        else
            EXPECT_TRUE(field.isEmpty());
    });
    t.append();
    t.setValue("c_ped", 1);
    t.post();
    t.first();
    t.removeListener(id);
    t.last();
    // the first use after open positions the cursor (here on an empty table)
    EXPECT_EQ(heard, QList<Table::Notification>({Table::Notification::Scrolled, Table::Notification::StateChanged, Table::Notification::FieldChanged,
                                                 Table::Notification::FieldChanged, Table::Notification::StateChanged,
                                                 Table::Notification::Scrolled}));
    // the new record's own value, then the caller's, each by its stored name
    EXPECT_EQ(fieldsSet, QStringList({"X_APE1", "C_PED"}));
}
