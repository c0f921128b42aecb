#include "MainWindowFixture.h"
#include "views/Panel.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

// One command of the main window as the user meets it.
struct TCommandCase
{
    const char* Name;
    const char* Caption;
    const char* Hint;
    QKeySequence Shortcut;
    bool Checkable;
    bool Icon;
};

const TCommandCase kCommands[] = {
    {"actFileLogin", "&Login", "Login to Orbeko as another user", {}, false, true},
    {"actFileExport", "&Export to iCalendar...", "Write the events you can see to an iCalendar file", {}, false, true},
    {"actFileImport", "&Import iCalendar...", "Add the events of an iCalendar file", {}, false, true},
    {"mnuFileChangePath", "&Change path", "Chnages the database path", {}, false, true},
    {"actFileExit", "E&xit", "Quit Orbeko", QKeySequence(Qt::CTRL | Qt::Key_X), false, true},
    {"actEventNew", "&New event...", "Add a new event", QKeySequence(Qt::Key_Insert), false, true},
    {"actEventDelete", "&Delete event...", "Delete event", QKeySequence(Qt::Key_Delete), false, true},
    {"actEventProperties", "Event &properties...", "Modify event properties", {}, false, true},
    {"actEventUndoMove", "&Undo move", "Undo the last move of an event made here", QKeySequence(Qt::CTRL | Qt::Key_Z),
     false, true},
    {"actToday", "&Today", "Goto today", QKeySequence(Qt::CTRL | Qt::Key_T), false, true},
    {"actDate", "&Date...", "Goto a specific date", QKeySequence(Qt::CTRL | Qt::Key_D), false, true},
    {"actNext", "&Next week", "Goto the next week / day", QKeySequence(Qt::CTRL | Qt::Key_N), false, true},
    {"actPrev", "&Previous week", "Goto the previous week / day", QKeySequence(Qt::CTRL | Qt::Key_P), false, true},
    {"actToolsOptions", "&Options...", "Configure Orbeko options", {}, false, true},
    {"actToolsFiltering", "&Filtering...", "Set filtering rules", {}, false, true},
    {"actToolsGroups", "&Groups...", "Configure groups", {}, false, true},
    {"actToolsReport", "&Report...", "Generate a report", {}, false, true},
    {"actToolsViewDay", "By &day", "View events by day", {}, true, true},
    {"actToolsViewWeek", "By &week", "View events by week", {}, true, true},
    {"actToolsViewMonth", "By &month", "View events by month", QKeySequence(Qt::CTRL | Qt::Key_M), true, true},
    {"actUsers", "&Users", "Administer Orbeko users", {}, false, true},
    {"actCategories", "&Categories", "Administer Orbeko categories", {}, false, true},
    {"actTroubleshooting", "&Troubleshooting...", "", {}, false, true},
    {"mnuHelpOrbekoHelp", "&Orbeko Help", "", QKeySequence(Qt::Key_F1), false, true},
    {"actHelpAbout", "&About...", "Help about Orbeko", {}, false, false},
    {"actHelpInfo", "About", "", {}, false, true},
};

// A list of actions as names: "-" a separator, ">" and the title a submenu.
QStringList Names(const QList<QAction*>& actions)
{
    QStringList names;
    for (const QAction* action : actions)
        names.append(action->isSeparator() ? QStringLiteral("-")
                     : action->menu()      ? QStringLiteral(">") + action->text()
                                           : action->objectName());
    return names;
}

class MainCommandsTest : public TMainWindowFixture
{
};

TEST_F(MainCommandsTest, EveryCommandHasItsCaptionHintShortcutAndIcon)
{
    TfrmMain& window = Window();
    for (const TCommandCase& c : kCommands) {
        SCOPED_TRACE(c.Name);
        const auto* action = window.findChild<QAction*>(c.Name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), c.Caption);
        if (*c.Hint) {
            EXPECT_EQ(action->toolTip(), c.Hint);
        }
        EXPECT_EQ(action->statusTip(), c.Hint);
        EXPECT_EQ(action->shortcut(), c.Shortcut);
        EXPECT_EQ(action->isCheckable(), c.Checkable);
        EXPECT_EQ(!action->icon().isNull(), c.Icon);
        EXPECT_TRUE(window.actions().contains(action)) << "its shortcut works in the whole window";
    }
    EXPECT_EQ(window.findChildren<QAction*>(QRegularExpression("^(act|mnu)"), Qt::FindDirectChildrenOnly).size(), std::size(kCommands));
}

TEST_F(MainCommandsTest, MenusToolBarAndPopupHoldTheCommandsInTheirOrder)
{
    TfrmMain& window = Window();
    const std::vector<std::pair<QString, QStringList>> menus = {
        {"&File",
         {"actFileLogin", "-", "actFileExport", "actFileImport", "-", "mnuFileChangePath", "-", "actFileExit"}},
        {"&Event", {"actEventNew", "actEventDelete", "actEventProperties"}},
        {"&Navigate", {"actToday", "actDate", "-", "actNext", "actPrev"}},
        {"&Tools", {"actToolsOptions", "actToolsFiltering", "actToolsGroups", "actToolsReport", "-", ">&View"}},
        {"Admin", {"actUsers", "actCategories", "actTroubleshooting"}},
        {"&Help", {"mnuHelpOrbekoHelp", "actHelpInfo"}},
    };
    const QList<QAction*> bar = window.menuBar()->actions();
    ASSERT_EQ(bar.size(), qsizetype(menus.size()));
    for (qsizetype i = 0; i < bar.size(); ++i) {
        SCOPED_TRACE(menus[i].first.toStdString());
        EXPECT_EQ(bar[i]->text(), menus[i].first);
        ASSERT_NE(bar[i]->menu(), nullptr);
        EXPECT_EQ(Names(bar[i]->menu()->actions()), menus[i].second);
    }
    QMenu* view = bar[3]->menu()->actions().back()->menu();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Names(view->actions()), (QStringList{"actToolsViewDay", "actToolsViewWeek", "actToolsViewMonth"}));

    const auto* tools = window.findChild<QToolBar*>("tbrTools");
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(Names(tools->actions()),
              (QStringList{"actEventNew", "actEventProperties", "actEventDelete", "-", "actToday", "actDate",
                           "actPrev", "actNext", "-", "actToolsOptions", "actToolsFiltering", "actToolsGroups",
                           "actToolsReport", "actToolsViewDay", "actToolsViewWeek", "actToolsViewMonth", "-",
                           "actUsers", "actCategories"}));
    EXPECT_EQ(tools->iconSize(), QSize(16, 16));
    EXPECT_FALSE(tools->isMovable());

    const auto* popup = window.findChild<QMenu*>("mnuPopup");
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(Names(popup->actions()),
              (QStringList{"actEventNew", "actEventDelete", "actEventProperties", "-", "actToday", "actDate", "-",
                           "actToolsOptions", "actToolsFiltering", "actToolsGroups", "actToolsReport", "-",
                           ">&View"}));
    EXPECT_EQ(popup->actions().back()->menu(), view) << "one View submenu for both";
    for (const char* name : {"dvMain", "wvMain"}) {
        const auto* panel = window.findChild<TPanel*>(name);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->PopupMenu(), popup) << name;
    }
}

}  // namespace
