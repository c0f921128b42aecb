#include "ui/CommandTable.h"

#include "ui/ActionFactory.h"
#include "ui/ActionUpdater.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <stdexcept>
#include <string_view>

namespace {

const char* const kSeparator = "-";

}  // namespace

TCommandTable::TCommandTable(QMainWindow& window) : Window_(window), Updater_(new TActionUpdater(&window)) {}

void TCommandTable::Add(const char* name, const char* caption, const char* hint, const QKeySequence& shortcut,
                        std::optional<QStyle::StandardPixmap> icon, const char* menu, TMenuGap gap, bool checkable,
                        std::function<void()> execute, std::function<void(QAction&)> update)
{
    QAction* action = TActionFactory(Window_).Make(name, caption, hint, shortcut, std::move(execute),
                                                   icon ? Window_.style()->standardIcon(*icon) : QIcon());
    action->setCheckable(checkable);
    Actions_[QString::fromUtf8(name)] = action;
    if (menu)
        Menu(QString::fromUtf8(menu), gap).addAction(action);
    if (update)
        Updater_->Add([action, update = std::move(update)] { update(*action); });
}

QMenu& TCommandTable::Menu(const QString& path, TMenuGap gap)
{
    if (const auto found = Menus_.find(path); found != Menus_.end()) {
        if (gap == mgSeparator)
            found->second->addSeparator();
        return *found->second;
    }
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QMenu* menu = slash < 0 ? Window_.menuBar()->addMenu(path)
                            : Menu(path.left(slash), gap).addMenu(path.mid(slash + 1));
    Menus_[path] = menu;
    return *menu;
}

QToolBar* TCommandTable::AddToolBar(const char* name, const char* title, std::initializer_list<const char*> items)
{
    QToolBar* bar = Window_.addToolBar(QString::fromUtf8(title));
    bar->setObjectName(QString::fromUtf8(name));
    bar->setMovable(false);
    bar->setIconSize(QSize(16, 16));
    for (const char* item : items) {
        if (item == std::string_view(kSeparator))
            bar->addSeparator();
        else
            bar->addAction(&Action(item));
    }
    return bar;
}

QMenu* TCommandTable::MakePopup(const char* name, std::initializer_list<const char*> items)
{
    auto* popup = new QMenu(&Window_);
    popup->setObjectName(QString::fromUtf8(name));
    for (const char* item : items) {
        const QString text = QString::fromUtf8(item);
        if (text == QLatin1String(kSeparator))
            popup->addSeparator();
        else if (const auto menu = Menus_.find(text); menu != Menus_.end())
            popup->addMenu(menu->second);
        else
            popup->addAction(&Action(item));
    }
    return popup;
}

QAction& TCommandTable::Action(const char* name) const
{
    return *Actions_.at(QString::fromUtf8(name));
}

void TCommandTable::UpdateAll()
{
    Updater_->UpdateAll();
}

void TCommandTable::Schedule()
{
    Updater_->Schedule();
}
