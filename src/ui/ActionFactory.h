#pragma once

#include <QIcon>
#include <QKeySequence>

#include <functional>

class QAction;
class QWidget;

// Makes the actions of the main window and of every dialog, and is the one
// place where a handler's exception ends: it is shown as an error message
// box through TMessageBox, with what TFailureNote adds, and the window stays
// as it was. No exception
// leaves a Qt slot.
//
//     TActionFactory factory(*this);
//     actAdd = factory.Make("actAdd", "&Add", "Add a user", {}, this, &TfrmUsers::actAddExecute);
//     connect(lstUsers, &QListWidget::itemDoubleClicked, this, TActionFactory::Guard([this] { ... }));
//
// Captions, hints and names are taken as given (UTF-8); the hint is the
// action's tool tip and status tip. The action is added to the owner, so its
// shortcut works while the owner is the active window.
class TActionFactory
{
public:
    explicit TActionFactory(QWidget& owner);

    QAction* Make(const char* name, const char* caption, const char* hint, const QKeySequence& shortcut,
                  std::function<void()> handler, const QIcon& icon = {});
    template <class W>
    QAction* Make(const char* name, const char* caption, const char* hint, const QKeySequence& shortcut, W* target,
                  void (W::*handler)(), const QIcon& icon = {})
    {
        return Make(name, caption, hint, shortcut, [target, handler] { (target->*handler)(); }, icon);
    }

    // Runs handler now; what it raises is shown. False when it raised.
    static bool Call(const std::function<void()>& handler);
    // handler wrapped for connect(): it runs through Call.
    static std::function<void()> Guard(std::function<void()> handler);

private:
    QWidget& Owner_;
};
