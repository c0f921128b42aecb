#include "ui/ActionFactory.h"

#include "storage/Records.h"
#include "ui/FailureNote.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QWidget>

#include <exception>

TActionFactory::TActionFactory(QWidget& owner) : Owner_(owner) {}

QAction* TActionFactory::Make(const char* name, const char* caption, const char* hint, const QKeySequence& shortcut,
                              std::function<void()> handler, const QIcon& icon)
{
    auto* action = new QAction(icon, QString::fromUtf8(caption), &Owner_);
    action->setObjectName(QString::fromUtf8(name));
    action->setToolTip(QString::fromUtf8(hint));
    action->setStatusTip(QString::fromUtf8(hint));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, &Owner_, Guard(std::move(handler)));
    Owner_.addAction(action);
    return action;
}

bool TActionFactory::Call(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, DecodeText(TFailureNote::Explain(error.what())));
    } catch (...) {
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QStringLiteral("Unexpected error"));
    }
    return false;
}

std::function<void()> TActionFactory::Guard(std::function<void()> handler)
{
    return [handler = std::move(handler)] { Call(handler); };
}
