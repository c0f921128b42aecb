#include "ui/ActionUpdater.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

TActionUpdater::TActionUpdater(QObject* parent) : QObject(parent)
{
    Idle_.setSingleShot(true);
    Idle_.setInterval(0);
    connect(&Idle_, &QTimer::timeout, this, &TActionUpdater::UpdateIfShown);
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

TActionUpdater::TActionUpdater(QWidget& window) : TActionUpdater(static_cast<QObject*>(&window))
{
    Window_ = &window;
}

TActionUpdater::~TActionUpdater()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void TActionUpdater::Add(std::function<void()> rule)
{
    Rules_.push_back(std::move(rule));
}

void TActionUpdater::Add(QAction* action, std::function<bool()> enabled)
{
    Add([action, enabled = std::move(enabled)] { action->setEnabled(enabled()); });
}

void TActionUpdater::UpdateIfShown()
{
    if (!Window_ || Window_->isVisible())
        UpdateAll();
}

void TActionUpdater::UpdateAll()
{
    for (const auto& rule : Rules_)
        rule();
}

void TActionUpdater::Schedule()
{
    if (!Idle_.isActive())
        Idle_.start();
}

bool TActionUpdater::eventFilter(QObject* watched, QEvent* event)
{
    // Only what the user does; the rules' own changes raise other events
    // and so never keep the updates going.
    if (Window_ && watched == Window_ && event->type() == QEvent::Show) {
        // Before the window is first painted, so it never shows stale states.
        UpdateAll();
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
        Schedule();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
