// The users window as the operator types into it: keys into the grid, the navigator's buttons
// and the window's access keys, with the controls found by their names.
#include "FormsFixture.h"

#include "data/forms/TFAdminUsu.h"
#include "ui/DbGrid.h"
#include "ui/DbNavigator.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace qal;
using B = ui::DbNavigator::Button;

namespace {

struct UserGridTyping : test::FormsFixture
{
    void SetUp() override
    {
        test::FormsFixture::SetUp();
        window = std::make_unique<TFAdminUsu>(dm->usu);
        window->show();
        window->activateWindow(); // access keys act in the active window
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        grid = window->findChild<ui::DbGrid *>(QStringLiteral("DBGrid1"));
        navigator = window->findChild<ui::DbNavigator *>(QStringLiteral("DBNavigator1"));
        ASSERT_TRUE(grid && navigator);
    }
    void TearDown() override
    {
        window.reset();
        test::FormsFixture::TearDown();
    }
    void click(B b)
    {
        QTest::mouseClick(navigator->button(b), Qt::LeftButton);
        QCoreApplication::processEvents(); // the grid reads its rows again
    }
    // Types into the current cell as the keyboard does: the first key opens its editor.
    QLineEdit *typeInCell(int column, const QString &text)
    {
        grid->setCurrentIndex(grid->model()->index(grid->currentIndex().row(), column));
        grid->setFocus();
        QTest::keyClick(grid, text.at(0).toLatin1());
        auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
        EXPECT_NE(editor, nullptr);
        if (editor)
            QTest::keyClicks(editor, text.mid(1));
        return editor;
    }

    std::unique_ptr<TFAdminUsu> window;
    ui::DbGrid *grid = nullptr;
    ui::DbNavigator *navigator = nullptr;
};

} // namespace

TEST_F(UserGridTyping, ADescriptionTypedInACellIsSavedByThePostButtonWithoutEnter)
{
    click(B::Insert);
    QLineEdit *login = typeInCell(0, QStringLiteral("maria"));
    ASSERT_NE(login, nullptr);
    QTest::keyClick(login, Qt::Key_Tab); // the login is written, the next cell opens
    QLineEdit *description = typeInCell(1, QStringLiteral("Mesa de entradas"));
    ASSERT_NE(description, nullptr);
    click(B::Post); // no Enter, no Tab
    EXPECT_EQ(dm->usu.state(), dbase::Table::State::Browse) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(dm->usu.lookup("C_LOGIN", QStringLiteral("maria"), "X_USU").toString(), "Mesa de entradas");

    // and an edit of a stored user's description, the same way
    click(B::Edit);
    typeInCell(1, QStringLiteral("Archivo"));
    click(B::Post);
    EXPECT_EQ(dm->usu.lookup("C_LOGIN", QStringLiteral("maria"), "X_USU").toString(), "Archivo");
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
}

TEST_F(UserGridTyping, AccessKeysInTheGridActOnTheWindow)
{
    click(B::Edit);
    QLineEdit *description = typeInCell(1, QStringLiteral("Jefe"));
    ASSERT_NE(description, nullptr);
    QTest::keyClick(description, Qt::Key_L, Qt::AltModifier); // no control has it
    EXPECT_EQ(description->text(), "Jefe") << "an Alt key is no text";
    QTest::keyClick(description, Qt::Key_S, Qt::AltModifier); // "&Salir"
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 2000)) << "Alt+S closes the window";
}
