#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

// Runs the enabling rules of a window's actions whenever the application
// has gone idle after the user did something (a key, a click, a change of
// focus) or after Schedule(), so menus, tool buttons and shortcuts follow
// the selection and the user's rights without each change telling them.
class TActionUpdater : public QObject
{
    Q_OBJECT
public:
    explicit TActionUpdater(QObject* parent = nullptr);
    ~TActionUpdater() override;

    void Add(std::function<void()> rule);
    // Every rule, now.
    void UpdateAll();
    // Every rule, once the events waiting now have been handled.
    void Schedule();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<std::function<void()>> Rules_;
    QTimer Idle_;
};
