#include "MainWindowFixture.h"
#include "admin/frmUsers.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

class UsersCommandTest : public TMainWindowFixture
{
};

TEST_F(UsersCommandTest, CommandStandsInTheAdminMenuAndAtTheEndOfTheToolBar)
{
    TfrmMain& window = Window();
    QAction* users = &Action("actUsers");
    EXPECT_EQ(users->text(), "&Users");
    EXPECT_EQ(users->statusTip(), "Administer Orbeko users");
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus[menus.size() - 2]->text(), "Admin");
    EXPECT_EQ(menus[menus.size() - 2]->menu()->actions().value(0), users);
    const QList<QAction*> buttons = Child<QToolBar>("tbrTools").actions();
    ASSERT_GE(buttons.size(), 3);
    EXPECT_EQ(buttons[buttons.size() - 2], users) << "categories come last";
    EXPECT_TRUE(buttons[buttons.size() - 3]->isSeparator());
}

// Nobody is logged in before the start-up: the command waits for an
// administrator, who then adds a user through the dialog.
TEST_F(UsersCommandTest, AnAdministratorAddsAUser)
{
    AddUser("BOSS", "", urAdminister);
    TfrmMain& window = Window("BOSS");
    window.UpdateCommands();
    EXPECT_FALSE(Action("actUsers").isEnabled());
    AnswerLogin("BOSS", "");
    window.FormActivate();
    window.UpdateCommands();
    ASSERT_TRUE(Action("actUsers").isEnabled());
    Dialogs_.Answer([](QDialog& dialog) {
        auto& users = static_cast<TfrmUsers&>(dialog);
        users.edtUserName->setText("NEW");
        users.edtFullname->setText("New Member");
        users.edtAbbreviation->setText("NM");
        QTest::mouseClick(users.btnAdd, Qt::LeftButton);
        QTest::mouseClick(users.btnClose, Qt::LeftButton);
        return users.result();
    });
    Action("actUsers").trigger();
    EXPECT_EQ(Dialogs_.Runs().back().Title, "Users");
    EXPECT_EQ(window.MainDb()->UserFile.RecordCount(), 2);
}

}  // namespace
