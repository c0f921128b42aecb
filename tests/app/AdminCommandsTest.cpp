#include "MainWindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

class AdminCommandsTest : public TMainWindowFixture
{
};

TEST_F(AdminCommandsTest, CommandsStandInTheAdminMenuAndCategoriesOnTheToolBar)
{
    TfrmMain& window = Window();
    QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus[menus.size() - 2]->text(), "Admin");
    const QList<QAction*> items = menus[menus.size() - 2]->menu()->actions();
    EXPECT_EQ(items.mid(items.size() - 2), QList<QAction*>({&Action("actCategories"), &Action("actTroubleshooting")}));
    EXPECT_EQ(Action("actCategories").text(), "&Categories");
    EXPECT_EQ(Action("actCategories").statusTip(), "Administer Orbeko categories");
    EXPECT_EQ(Action("actTroubleshooting").text(), "&Troubleshooting...");

    const QList<QAction*> buttons = Child<QToolBar>("tbrTools").actions();
    EXPECT_EQ(buttons.back(), &Action("actCategories"));
    EXPECT_EQ(buttons[buttons.size() - 2], &Action("actUsers"));
    EXPECT_FALSE(buttons.contains(&Action("actTroubleshooting")));
}

// Only a user who may administer gets the commands; each opens its dialog.
TEST_F(AdminCommandsTest, OnlyAnAdministratorOpensTheDialogs)
{
    for (const int32_t flags : {int32_t{urAddEntries}, int32_t{urAddEntries | urAdminister}}) {
        const bool administrator = (flags & urAdminister) != 0;
        Window_.reset();
        const char* name = administrator ? "BOSS" : "CLERK";
        AddUser(name, "", flags);
        AnswerLogin(name, "");
        TfrmMain& window = Window();
        window.FormActivate();
        window.UpdateCommands();
        EXPECT_EQ(Action("actCategories").isEnabled(), administrator) << name;
        EXPECT_EQ(Action("actTroubleshooting").isEnabled(), administrator) << name;
    }
    const std::size_t before = Dialogs_.Runs().size();
    for (int i = 0; i < 2; ++i)
        Dialogs_.Answer([](QDialog& dialog) { return dialog.close() ? int(QDialog::Accepted) : -1; });
    Action("actCategories").trigger();
    Action("actTroubleshooting").trigger();
    ASSERT_EQ(Dialogs_.Runs().size(), before + 2);
    EXPECT_EQ(Dialogs_.Runs()[before].Title, "Categories");
    EXPECT_EQ(Dialogs_.Runs()[before + 1].Title, "Troubleshooting");
}

}  // namespace
