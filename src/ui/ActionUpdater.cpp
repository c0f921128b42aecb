#include "ui/ActionUpdater.h"

#include <QCoreApplication>
#include <QEvent>

TActionUpdater::TActionUpdater(QObject* parent) : QObject(parent)
{
    Idle_.setSingleShot(true);
    Idle_.setInterval(0);
    connect(&Idle_, &QTimer::timeout, this, &TActionUpdater::UpdateAll);
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
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
