#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <vector>

class QAction;
class QWidget;

// Runs the enabling rules of a window's actions whenever the application
// has gone idle after the user did something (a key, a click, a change of
// focus) or after Schedule(), so menus, tool bars, buttons and shortcuts
// follow the selection and the user's rights without each change telling
// them.
//
// In a dialog, make it on the dialog itself: the rules then also run as the
// dialog is shown, and not while it is hidden (between two runs, when what
// Execute bound is gone).
//
//     actMain = new TActionUpdater(*this);
//     actMain->Add(actDelete, [this] { return lstUsers->ItemIndex() >= 0; });
class TActionUpdater : public QObject
{
    Q_OBJECT
public:
    explicit TActionUpdater(QObject* parent = nullptr);
    // The updater of a window (usually a dialog), owned by it.
    explicit TActionUpdater(QWidget& window);
    ~TActionUpdater() override;

    void Add(std::function<void()> rule);
    // The rule that enables action while enabled() is true.
    void Add(QAction* action, std::function<bool()> enabled);
    // Every rule, now.
    void UpdateAll();
    // Every rule, once the events waiting now have been handled.
    void Schedule();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateIfShown();

    std::vector<std::function<void()>> Rules_;
    QTimer Idle_;
    QPointer<QWidget> Window_;
};
