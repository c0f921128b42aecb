#include "MainWindowFixture.h"
#include "admin/frmCategories.h"
#include "admin/frmTrouble.h"
#include "app/HelpWindow.h"
#include "ui/ActionUpdater.h"
#include "ui/ListBox.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

class AdminCommandsTest : public TMainWindowFixture
{
};

QMenu* MenuNamed(QMenuBar& bar, const QString& title)
{
    for (QAction* action : bar.actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

TEST_F(AdminCommandsTest, CommandsStandInTheAdminMenuAndCategoriesOnTheToolBar)
{
    TfrmMain& window = Window();
    EXPECT_EQ(window.actCategories->text(), "&Categories");
    EXPECT_EQ(window.actCategories->statusTip(), "Administer Orbeko categories");
    EXPECT_EQ(window.actTroubleshooting->text(), "&Troubleshooting...");
    EXPECT_TRUE(window.actTroubleshooting->shortcut().isEmpty());

    QMenu* admin = MenuNamed(*window.menuBar(), "Admin");
    ASSERT_NE(admin, nullptr);
    const QList<QAction*> items = admin->actions();
    const qsizetype at = items.indexOf(window.actCategories);
    ASSERT_GE(at, 0);
    ASSERT_LT(at + 1, items.size());
    EXPECT_EQ(items[at + 1], window.actTroubleshooting);
    const QList<QAction*> bar = window.menuBar()->actions();
    EXPECT_EQ(bar.indexOf(admin->menuAction()) + 1, bar.indexOf(MenuNamed(*window.menuBar(), "&Help")->menuAction()));

    const QList<QAction*> buttons = window.tbrTools->actions();
    ASSERT_GE(buttons.size(), 2);
    EXPECT_EQ(buttons.back(), window.actCategories);
    EXPECT_TRUE(buttons[buttons.size() - 2]->isSeparator());
    EXPECT_FALSE(buttons.contains(window.actTroubleshooting));
}

// Only a user who may administer gets the commands, and each opens its
// dialog on the main connection.
TEST_F(AdminCommandsTest, OnlyAnAdministratorOpensTheDialogs)
{
    for (const int32_t flags : {int32_t{urAddEntries}, int32_t{urAddEntries | urAdminister}}) {
        SCOPED_TRACE(flags);
        const bool administrator = (flags & urAdminister) != 0;
        Window_.reset();
        const std::string name = administrator ? "BOSS" : "CLERK";
        AddUser(name.c_str(), "", flags);
        AnswerLogin(QString::fromStdString(name), "");
        TfrmMain& window = Window();
        window.FormActivate();
        ASSERT_FALSE(window.Ended());
        window.actMain->UpdateAll();
        EXPECT_EQ(window.actCategories->isEnabled(), administrator);
        EXPECT_EQ(window.actTroubleshooting->isEnabled(), administrator);
        if (!administrator)
            continue;
        const std::size_t before = Dialogs_.Runs().size();
        Dialogs_.Answer([&](QDialog&) {
            window.frmCategories->btnClose->click();
            return window.frmCategories->result();
        });
        Dialogs_.Answer([&](QDialog&) {
            window.frmTrouble->btnClose->click();
            return window.frmTrouble->result();
        });
        window.actCategories->trigger();
        window.actTroubleshooting->trigger();
        ASSERT_EQ(Dialogs_.Runs().size(), before + 2);
        EXPECT_EQ(Dialogs_.Runs()[before].Title, "Categories");
        EXPECT_EQ(Dialogs_.Runs()[before + 1].Title, "Troubleshooting");
        EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
    }
}

TEST(AdminHelpTest, PagesAreBuiltInAndListedInTheContents)
{
    QFile contents(":/help/index.html");
    ASSERT_TRUE(contents.open(QIODevice::ReadOnly));
    const QByteArray index = contents.readAll();
    for (const char* page : {"categories.html", "troubleshooting.html"}) {
        SCOPED_TRACE(page);
        EXPECT_TRUE(index.contains(QByteArray("<a href=\"") + page + "\">"));
        THelpWindow help;
        help.ShowTopic(QString::fromLatin1(page));
        EXPECT_FALSE(help.windowTitle().isEmpty());
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + page));
    }
}

}  // namespace
