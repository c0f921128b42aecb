#pragma once

#include <QKeySequence>
#include <QString>
#include <QStyle>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class TActionUpdater;

// Whether a separator stands before a command's item in its menu; before
// the first item of a submenu it stands before the submenu.
enum TMenuGap : bool { mgNone = false, mgSeparator = true };

// One command of a window W: the action (named, so that it can be found),
// its menu item, and the window's handlers that run it and keep it enabled.
template <class W> struct TCommandSpec
{
    const char* Name;
    const char* Caption;
    // The tool tip and the status-bar hint.
    const char* Hint;
    QKeySequence Shortcut;
    std::optional<QStyle::StandardPixmap> Icon;
    // Where the item stands in the menu bar, "&Tools/&View"; none when null.
    // Items appear in the order of the table, menus as first named.
    const char* Menu;
    TMenuGap Gap;
    void (W::*Execute)();
    // The enabling rule, run with the action whenever the application is
    // idle; without one the command is always enabled.
    void (W::*Update)(QAction& Sender) const = nullptr;
    bool Checkable = false;
};

// Builds a main window's actions, menu bar, tool bars and pop-up menus from
// a table of commands, and runs the commands' enabling rules whenever the
// application is idle (TActionUpdater). A handler's exception is shown and
// ends there (TActionFactory).
//
//     Commands_ = std::make_unique<TCommandTable>(*this);
//     Commands_->Add(*this, kCommands);
//     Commands_->AddToolBar("tbrTools", "Tools", {"actNew", "-", "actToday"});
class TCommandTable
{
public:
    explicit TCommandTable(QMainWindow& window);
    TCommandTable(const TCommandTable&) = delete;
    TCommandTable& operator=(const TCommandTable&) = delete;

    template <class W, std::size_t N> void Add(W& window, const TCommandSpec<W> (&commands)[N])
    {
        for (const TCommandSpec<W>& c : commands) {
            std::function<void(QAction&)> update;
            if (c.Update)
                update = [&window, u = c.Update](QAction& action) { (window.*u)(action); };
            Add(c.Name, c.Caption, c.Hint, c.Shortcut, c.Icon, c.Menu, c.Gap, c.Checkable,
                [&window, e = c.Execute] { (window.*e)(); }, std::move(update));
        }
    }

    // A fixed tool bar of small icons; items are action names, "-" a separator.
    QToolBar* AddToolBar(const char* name, const char* title, std::initializer_list<const char*> items);
    // A pop-up menu; items are action names, "-" a separator, or the path of
    // a menu of the menu bar, which then also opens from here.
    QMenu* MakePopup(const char* name, std::initializer_list<const char*> items);

    // The action of that name; throws std::out_of_range for none.
    QAction& Action(const char* name) const;

    // Every enabling rule, now.
    void UpdateAll();
    // Every enabling rule, once the events waiting now have been handled.
    void Schedule();

private:
    void Add(const char* name, const char* caption, const char* hint, const QKeySequence& shortcut,
             std::optional<QStyle::StandardPixmap> icon, const char* menu, TMenuGap gap, bool checkable,
             std::function<void()> execute, std::function<void(QAction&)> update);
    // The menu at path, made with its parents when missing.
    QMenu& Menu(const QString& path, TMenuGap gap);

    QMainWindow& Window_;
    TActionUpdater* Updater_;
    std::map<QString, QAction*> Actions_;
    std::map<QString, QMenu*> Menus_;
};
