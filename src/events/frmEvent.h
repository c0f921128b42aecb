#pragma once

#include "events/MailMessage.h"
#include "storage/EventDetails.h"
#include "storage/Records.h"
#include "storage/Stamp.h"

#include <QDialog>

#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TCheckList;
class TDateEdit;
class TOrbekoCfg;
class TOrbekoDB;
class TfrmAlarmProperties;
class TfrmSelectGroup;
class TRepeatBox;

// "New Event" / "Event Properties": edits one day entry and its alarm in
// the caller's records. It reads the users and categories to fill its
// lists but never writes to the database; the caller stores the records
// when it returns OK. OK may first e-mail the other assignees.
class TfrmEvent : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmEvent(QWidget* parent = nullptr);

    // Loads Entry, Alarm and Details into the controls and shows the dialog
    // modally. OK has written the controls back into all three; the alarm
    // dialog, and an OK refused by an error, may have changed the alarm
    // before a Cancel too. An assignee missing from the users file throws
    // "Unknown user" before anything is shown.
    int Execute(bool IsEdit, TDayEntryRec& Entry, TAlarmRec& Alarm, TEventDetails& Details, TOrbekoDB& Db,
                const std::string& CurrentUserId, TOrbekoCfg& Cfg);

    // Whether the user may choose the event's users (the caller's rights).
    void SetUsersEnabled(bool enabled);

    // How the event repeats, as RRULE text (none: it does not): shown by
    // the next Execute, written back by its OK. Left as it is when the
    // repeat section is not editable (one occurrence of a series opened).
    std::string Repeat;
    void SetRepeatEditable(bool editable);

    TDateEdit* cmbDate;
    QLabel* lblTime;
    QComboBox* cmbHour;
    QComboBox* cmbMinute;
    QCheckBox* chkUnTimed;
    QCheckBox* chkEnd;
    TDateEdit* cmbEndDate;
    QComboBox* cmbEndHour;
    QComboBox* cmbEndMinute;
    QLineEdit* edtDescription;
    QLineEdit* edtPlace;
    QPlainTextEdit* edtNotes;
    QLabel* lblUsers;
    TCheckList* lstUsers;
    QToolButton* btnGroup;
    QComboBox* cmbCategory;
    QCheckBox* chkPrivate;
    QCheckBox* chkAlarm;
    QLineEdit* edtOwner;
    QCheckBox* chkNotify;
    QAction* actOk;
    QAction* actCancel;
    QPushButton* Button1;
    QPushButton* Button2;
    TRepeatBox* boxRepeat;
    TMailMessage msgEvent;
    TfrmAlarmProperties* frmAlarmProperties;
    TfrmSelectGroup* frmSelectGroup;

    TStamp WorkStamp;
    bool IsEdit = false;
    bool Loading = false;

    void chkUnTimedClick();
    void chkEndClick();
    void chkAlarmClick();
    bool lstUsersChanging(int row, bool checking);
    void cmbCategoryChange();
    void btnGroupClick();
    void actOkUpdate();
    void actOkExecute();
    void actCancelExecute();

    static constexpr const char* UnknownUser = "Unknown user";
    static constexpr const char* EndBeforeStart = "The event cannot end before it starts";

private:
    void FillUsers();
    void FillCategories();
    void LoadEntry();
    void StoreEntry();
    // The details as the controls give them for an event starting at start.
    TEventDetails TakeDetails(const TStamp& start) const;
    void SendNotification();
    void UpdateAlarmAvailability(int checkedUsers);
    bool NoCategoryChosen() const;

    TDayEntryRec* Entry_ = nullptr;
    TAlarmRec* Alarm_ = nullptr;
    TEventDetails* Details_ = nullptr;
    TOrbekoDB* Db_ = nullptr;
    TOrbekoCfg* Cfg_ = nullptr;
    std::string CurrentUserId_;
};
