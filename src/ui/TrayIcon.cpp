#include "ui/TrayIcon.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

TTrayIcon::TTrayIcon(QWidget& window, const QIcon& icon, const QString& hint)
    : QSystemTrayIcon(icon, &window), Window_(window), Hint_(hint)
{
    setToolTip(hint);
    window.installEventFilter(this);
    connect(this, &QSystemTrayIcon::activated, this, [this] {
        hide();
        Window_.showNormal();
        Window_.activateWindow();
        if (OnRestore)
            OnRestore();
    });
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &Window_ && event->type() == QEvent::WindowStateChange && Window_.isMinimized() &&
        isSystemTrayAvailable()) {
        show();
        // Hidden once the minimising is done.
        QTimer::singleShot(0, &Window_, &QWidget::hide);
    }
    return QSystemTrayIcon::eventFilter(watched, event);
}

void TTrayIcon::ShowDue(int alarms)
{
    setToolTip(alarms <= 0  ? Hint_
               : alarms == 1 ? Hint_ + QStringLiteral(" - 1 alarm due")
                             : Hint_ + QStringLiteral(" - %1 alarms due").arg(alarms));
}
