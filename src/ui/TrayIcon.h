#pragma once

#include <QSystemTrayIcon>

#include <functional>

// Takes a window into the system tray when it is minimised, where the
// desktop has a tray, and gives it back, restored and active, when the icon
// is clicked.
class TTrayIcon : public QSystemTrayIcon
{
    Q_OBJECT
public:
    TTrayIcon(QWidget& window, const QIcon& icon, const QString& hint);

    // Runs once the window is back.
    std::function<void()> OnRestore;
    // The hint counts the alarms due; none, and it is the hint as made.
    void ShowDue(int alarms);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& Window_;
    const QString Hint_;
};
