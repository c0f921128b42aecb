#pragma once

#include "app/UserAlarm.h"
#include "storage/Records.h"
#include "storage/Stamp.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDesktopNotifier;
class TOrbekoCfg;
class TOrbekoDB;

// "Orbeko Alarm": the notice of one due alarm. The user snoozes it for a
// while, counted from the moment he presses Snooze, or switches it off. It
// stays on top, so it is seen over whatever dialog is open.
class TfrmNotify : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmNotify(QWidget* parent = nullptr);

    // What Execute gives when Snooze or Off could not be written for any
    // reason but another user's lock: the notice has closed with the
    // reason, and the alarm stays as stored, to come back at a later scan.
    static constexpr int Failed = 2;

    // Shows the notice for the alarm with that id, read through db.
    // Accepted after Snooze or Off (or when the alarm turned out to be gone
    // meanwhile); Rejected when its event no longer exists (the alarm is
    // then deleted) or the window was closed otherwise; Failed as above.
    int Execute(TAlarmRec& Alarm, const std::string& AlarmId, TOrbekoDB& Db);
    // While the settings allow it, each notice is also a desktop
    // notification whose Snooze and Off answer it; answered either way,
    // both go.
    void SetSettings(const TOrbekoCfg* settings) { Settings_ = settings; }
    TDesktopNotifier& Notifier() const { return *Notifier_; }

    QLabel* lblDescription;
    QLineEdit* edtDescription;
    QLabel* lblPlace;
    QLineEdit* edtPlace;
    QLabel* lblDue;
    QLineEdit* edtDue;
    QLabel* lblSnooze;
    QComboBox* cmbSnooze;
    QPushButton* btnSnooze;
    QPushButton* btnRemove;

    void FormShow();
    void btnSnoozeClick();
    void btnRemoveClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CentreOnScreen();
    // Runs a write of the notice; false when it failed and the notice closed.
    bool Written(const char* failure, const std::function<TUserAlarm::TOutcome()>& write,
                 TUserAlarm::TOutcome& outcome);

    // The notification of the open notice, and what the user did there.
    void ShowNotification();
    void NotificationAction(quint64 ticket, const QString& key);

    bool Failed_ = false;
    const TOrbekoCfg* Settings_ = nullptr;
    TDesktopNotifier* Notifier_;
    quint64 Ticket_ = 0;

    std::optional<TUserAlarm> Alarm_;
    TDayEntryRec Entry_{};
    std::optional<TStamp> WorkStamp;
};
