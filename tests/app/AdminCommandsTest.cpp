#include "MainWindowFixture.h"
#include "admin/frmCategories.h"
#include "admin/frmTrouble.h"
#include "ui/ActionUpdater.h"

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
    EXPECT_EQ(items.mid(items.size() - 2), QList<QAction*>({window.actCategories, window.actTroubleshooting}));
    EXPECT_EQ(window.actCategories->text(), "&Categories");
    EXPECT_EQ(window.actCategories->statusTip(), "Administer Orbeko categories");
    EXPECT_EQ(window.actTroubleshooting->text(), "&Troubleshooting...");

    const QList<QAction*> buttons = window.tbrTools->actions();
    EXPECT_EQ(buttons.back(), window.actCategories);
    EXPECT_EQ(buttons[buttons.size() - 2], window.actUsers);
    EXPECT_FALSE(buttons.contains(window.actTroubleshooting));
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
        window.actMain->UpdateAll();
        EXPECT_EQ(window.actCategories->isEnabled(), administrator) << name;
        EXPECT_EQ(window.actTroubleshooting->isEnabled(), administrator) << name;
    }
    TfrmMain& window = Window();
    const std::size_t before = Dialogs_.Runs().size();
    for (QDialog* dialog : {static_cast<QDialog*>(window.frmCategories), static_cast<QDialog*>(window.frmTrouble)})
        Dialogs_.Answer([dialog](QDialog&) { return dialog->close() ? int(QDialog::Accepted) : -1; });
    window.actCategories->trigger();
    window.actTroubleshooting->trigger();
    ASSERT_EQ(Dialogs_.Runs().size(), before + 2);
    EXPECT_EQ(Dialogs_.Runs()[before].Title, "Categories");
    EXPECT_EQ(Dialogs_.Runs()[before + 1].Title, "Troubleshooting");
}

}  // namespace
