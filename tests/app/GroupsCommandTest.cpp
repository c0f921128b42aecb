#include "MainWindowFixture.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmAEGroup.h"
#include "prefs/frmGroups.h"
#include "ui/CheckList.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

class GroupsCommandTest : public TMainWindowFixture
{
};

QMenu* MenuNamed(QMenuBar& bar, const QString& title)
{
    for (QAction* action : bar.actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

TEST_F(GroupsCommandTest, CommandStandsInTheToolsMenuTheToolBarAndThePopup)
{
    TfrmMain& window = Window();
    QAction* groups = &Action("actToolsGroups");
    EXPECT_EQ(groups->objectName(), "actToolsGroups");
    EXPECT_EQ(groups->text(), "&Groups...");
    EXPECT_EQ(groups->toolTip(), "Configure groups");
    EXPECT_EQ(groups->statusTip(), "Configure groups");
    EXPECT_TRUE(groups->shortcut().isEmpty());
    EXPECT_TRUE(groups->isEnabled());
    EXPECT_FALSE(groups->icon().isNull());

    QMenu* tools = MenuNamed(*window.menuBar(), "&Tools");
    ASSERT_NE(tools, nullptr);
    const QList<QAction*> items = tools->actions();
    const qsizetype at = items.indexOf(groups);
    ASSERT_GE(at, 0);
    ASSERT_LT(at + 3, items.size());
    EXPECT_EQ(items[at + 1], &Action("actToolsReport"));
    EXPECT_TRUE(items[at + 2]->isSeparator()) << "the View submenu follows a separator";
    EXPECT_EQ(items[at + 3]->text(), "&View");

    const QList<QAction*> buttons = Child<QToolBar>("tbrTools").actions();
    const qsizetype button = buttons.indexOf(groups);
    ASSERT_GE(button, 0);
    ASSERT_LT(button + 2, buttons.size());
    EXPECT_EQ(buttons[button + 1], &Action("actToolsReport"));
    EXPECT_EQ(buttons[button + 2], &Action("actToolsViewDay"));

    const QList<QAction*> popup = Child<QMenu>("mnuPopup").actions();
    const qsizetype entry = popup.indexOf(groups);
    ASSERT_GT(entry, 0);
    EXPECT_EQ(popup[entry - 1], &Action("actToolsFiltering"));
    EXPECT_EQ(popup.value(entry + 1), &Action("actToolsReport"));
}

TEST_F(GroupsCommandTest, BeforeStartUpTheCommandDoesNothing)
{
    Action("actToolsGroups").trigger();
    EXPECT_TRUE(Dialogs_.Runs().empty());
}

// A user without the right to administer makes a group; it reaches the
// registry when the program ends.
TEST_F(GroupsCommandTest, AnyUserMakesAGroupThatIsSavedAtTheEnd)
{
    AddUser("ZOE", "", urAddEntries);
    AddUser("JSMITH", "", urAddEntries);
    AnswerLogin("JSMITH", "");
    TfrmMain& window = Window();
    window.FormActivate();
    ASSERT_FALSE(window.Ended());
    ASSERT_FALSE(window.Session().HasRight(urAdminister));

    Dialogs_.Answer([&](QDialog& dialog) {
        auto& groups = static_cast<TfrmGroups&>(dialog);
        groups.actNew->trigger();
        QTest::mouseClick(groups.btnClose, Qt::LeftButton);
        return groups.result();
    });
    Dialogs_.Answer([](QDialog& dialog) {
        auto& group = static_cast<TfrmAEGroup&>(dialog);
        group.edtDescription->setText("Pair");
        EXPECT_EQ(group.lstMembers->count(), 2);
        group.lstMembers->ClickCheck(0);
        group.lstMembers->ClickCheck(1);
        group.actOk->trigger();
        return group.result();
    });
    Action("actToolsGroups").trigger();
    ASSERT_EQ(Dialogs_.Runs().size(), 3u);
    EXPECT_EQ(Dialogs_.Runs()[1].ClassName, "TfrmGroups");
    EXPECT_EQ(Dialogs_.Runs()[1].Title, "Groups");
    EXPECT_EQ(Dialogs_.Runs()[2].Title, "New Group");
    EXPECT_EQ(window.Settings()->Groups[0].ToText(), "Pair,0000000002,0000000001");

    Window_.reset();
    TOrbekoCfg saved;
    saved.Load();
    EXPECT_EQ(saved.Groups[0].ToText(), "Pair,0000000002,0000000001");
    EXPECT_EQ(saved.Groups[1].ToText(), ",");
}

}  // namespace
