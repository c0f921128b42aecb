#include "ui/CommandTable.h"

#include "support/MessageBoxScript.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A window with three commands; Save is enabled while Dirty.
class TEditorWindow : public QMainWindow
{
public:
    int Opened = 0;
    bool Dirty = false;
    void actOpenExecute() { ++Opened; }
    void actSaveExecute() { throw std::runtime_error("Disk full"); }
    void actSaveUpdate(QAction& Sender) const { Sender.setEnabled(Dirty); }
    void actWrapExecute() {}
};

const TCommandSpec<TEditorWindow> kCommands[] = {
    {"actOpen", "&Open", "Open a file", Qt::CTRL | Qt::Key_O, QStyle::SP_DialogOpenButton, "&File", mgNone,
     &TEditorWindow::actOpenExecute},
    {"actSave", "&Save", "Save the file", {}, std::nullopt, "&File", mgSeparator, &TEditorWindow::actSaveExecute,
     &TEditorWindow::actSaveUpdate},
    {"actWrap", "&Wrap", "", {}, std::nullopt, "&File/&Lines", mgSeparator, &TEditorWindow::actWrapExecute, nullptr,
     true},
};

QStringList Items(const QMenu& menu)
{
    QStringList items;
    for (const QAction* action : menu.actions())
        items.append(action->isSeparator() ? "-" : action->menu() ? ">" + action->text() : action->objectName());
    return items;
}

TEST(CommandTableTest, BuildsActionsMenusBarsAndRules)
{
    TMessageBoxScript messages;
    TEditorWindow window;
    TCommandTable table(window);
    table.Add(window, kCommands);
    QToolBar* bar = table.AddToolBar("tbrMain", "Main", {"actSave", "-", "actOpen"});
    QMenu* popup = table.MakePopup("mnuPopup", {"actOpen", "-", "&File/&Lines"});

    QAction& open = table.Action("actOpen");
    EXPECT_EQ(window.findChild<QAction*>("actOpen"), &open);
    EXPECT_EQ(open.statusTip(), "Open a file");
    EXPECT_EQ(open.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_FALSE(open.icon().isNull());
    EXPECT_TRUE(table.Action("actWrap").isCheckable());
    EXPECT_THROW(table.Action("actClose"), std::out_of_range);

    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(Items(*menus[0]->menu()), (QStringList{"actOpen", "-", "actSave", "-", ">&Lines"}))
        << "the gap stands before the submenu";
    QMenu* lines = menus[0]->menu()->actions().back()->menu();
    EXPECT_EQ(Items(*lines), QStringList{"actWrap"});
    EXPECT_EQ(bar->objectName(), "tbrMain");
    EXPECT_EQ(bar->actions(), (QList<QAction*>{&table.Action("actSave"), bar->actions()[1], &open}));
    EXPECT_TRUE(bar->actions()[1]->isSeparator());
    EXPECT_EQ(popup->actions().back()->menu(), lines) << "one submenu in both places";

    table.UpdateAll();
    EXPECT_FALSE(table.Action("actSave").isEnabled());
    window.Dirty = true;
    table.UpdateAll();
    EXPECT_TRUE(table.Action("actSave").isEnabled());

    open.trigger();
    EXPECT_EQ(window.Opened, 1);
    table.Action("actSave").trigger();
    ASSERT_EQ(messages.Shown().size(), 1u) << "a handler's failure is shown, not thrown";
    EXPECT_EQ(messages.Shown()[0].Text, "Disk full");
}

}  // namespace
