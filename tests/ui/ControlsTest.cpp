// The window tests' way to a control: by its object name, acting on it as the operator can.
#include "support/Controls.h"

#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>

#include <gtest/gtest-spi.h>

#include <string>
#include <vector>

using qal::test::child;
using qal::test::click;
using qal::test::MissingControl;
using qal::test::trigger;

namespace {

// The failures f records, instead of failing this test.
template <class F>
std::vector<std::string> failuresOf(F f)
{
    testing::TestPartResultArray results;
    {
        testing::ScopedFakeTestPartResultReporter reporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        f();
    }
    std::vector<std::string> messages;
    for (int i = 0; i < results.size(); ++i)
        messages.push_back(results.GetTestPartResult(i).message());
    return messages;
}

// A window with a sub-window of its own that uses the same control names, as the request form
// and the windows it opens do.
struct Window
{
    Window()
    {
        window.setObjectName(QStringLiteral("TFPrueba"));
        auto *layout = new QVBoxLayout(&window);
        auto *group = new QWidget(&window);
        layout->addWidget(group);
        auto *inner = new QVBoxLayout(group);
        inner->addWidget(ownEdit = new QLineEdit(group));
        ownEdit->setObjectName(QStringLiteral("x_ape1"));
        inner->addWidget(ok = new QPushButton(QStringLiteral("&Aceptar"), group));
        ok->setObjectName(QStringLiteral("btAceptar"));

        sub = new QDialog(&window);
        auto *subEdit = new QLineEdit(sub);
        subEdit->setObjectName(QStringLiteral("x_ape1"));
        auto *subOnly = new QPushButton(sub);
        subOnly->setObjectName(QStringLiteral("btBuscar"));

        menu = new QMenu(&window);
        action = menu->addAction(QStringLiteral("&LiveScan"));
        action->setObjectName(QStringLiteral("LiveScan1"));
    }

    QDialog window;
    QLineEdit *ownEdit;
    QPushButton *ok;
    QDialog *sub;
    QMenu *menu;
    QAction *action;
};

} // namespace

TEST(Controls, AControlIsFoundByNameInItsOwnWindowBeforeTheWindowsItOwns)
{
    Window w;
    EXPECT_EQ(child<QLineEdit>(w.window, "x_ape1"), w.ownEdit) << "the sub-window's x_ape1 does not count";
    EXPECT_EQ(child<QLineEdit>(&w.window, "x_ape1"), w.ownEdit);
    EXPECT_EQ(child<QLineEdit>(*w.sub, "x_ape1")->parent(), w.sub);
    // only owned windows hold it: the popup menu's action, the sub-window's button
    EXPECT_EQ(child<QAction>(w.window, "LiveScan1"), w.action);
    EXPECT_EQ(child<QPushButton>(w.window, "btBuscar")->parent(), w.sub);
    const auto owner = std::make_unique<QDialog>();
    auto *edit = new QLineEdit(owner.get());
    edit->setObjectName(QStringLiteral("c_ped"));
    EXPECT_EQ(child<QLineEdit>(owner, "c_ped"), edit) << "through a unique_ptr";
}

TEST(Controls, AMissingOrRepeatedControlFailsTheTestNamingIt)
{
    Window w;
    bool thrown = false;
    auto failures = failuresOf([&] {
        try {
            child<QLineEdit>(w.window, "x_nom1");
        } catch (const MissingControl &) {
            thrown = true;
        }
    });
    EXPECT_TRUE(thrown) << "the test stops there instead of using a null pointer";
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("QDialog \"TFPrueba\" has no QLineEdit \"x_nom1\""), std::string::npos) << failures[0];

    // the right name with the wrong type is missing too
    failures = failuresOf([&] { EXPECT_THROW(child<QPushButton>(w.window, "x_ape1"), MissingControl); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("has no QPushButton \"x_ape1\""), std::string::npos) << failures[0];

    auto *twin = new QLineEdit(&w.window);
    twin->setObjectName(QStringLiteral("x_ape1"));
    failures = failuresOf([&] { EXPECT_THROW(child<QLineEdit>(w.window, "x_ape1"), MissingControl); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("has 2 controls QLineEdit \"x_ape1\""), std::string::npos) << failures[0];
}

TEST(Controls, OnlyAButtonTheOperatorCouldPressIsClicked)
{
    Window w;
    QSignalSpy clicked(w.ok, &QPushButton::clicked);
    EXPECT_TRUE(failuresOf([&] { click(w.ok); }).empty()) << "a window not shown yet is clicked as laid out";
    EXPECT_EQ(clicked.size(), 1);

    w.window.show();
    w.ok->parentWidget()->setEnabled(false);
    auto failures = failuresOf([&] { click(w.ok); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("QPushButton \"btAceptar\" cannot be clicked: it is disabled"), std::string::npos)
        << failures[0];
    w.ok->parentWidget()->setEnabled(true);
    w.ok->hide();
    failures = failuresOf([&] { click(w.ok); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("it is hidden"), std::string::npos) << failures[0];
    EXPECT_EQ(clicked.size(), 1);

    w.ok->show();
    click(w.ok);
    EXPECT_EQ(clicked.size(), 2);
}

TEST(Controls, OnlyAnActionTheOperatorCouldChooseIsTriggered)
{
    Window w;
    QSignalSpy triggered(w.action, &QAction::triggered);
    trigger(w.action);
    EXPECT_EQ(triggered.size(), 1);
    w.action->setEnabled(false);
    auto failures = failuresOf([&] { trigger(w.action); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("QAction \"LiveScan1\" cannot be chosen: it is disabled"), std::string::npos) << failures[0];
    w.action->setEnabled(true);
    w.action->setVisible(false);
    failures = failuresOf([&] { trigger(w.action); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("it is hidden"), std::string::npos) << failures[0];
    EXPECT_EQ(triggered.size(), 1);
}
