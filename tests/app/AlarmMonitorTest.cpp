#include "MainWindowFixture.h"
#include "app/frmDate.h"
#include "app/frmNotify.h"
#include "kfstore/RecordLock.h"
#include "prefs/OrbekoCfg.h"
#include "storage/Stamp.h"
#include "ui/Bell.h"
#include "storage/Clock.h"
#include "support/BellScript.h"
#include "support/ClockScript.h"
#include "support/NotificationServiceFake.h"
#include "ui/TrayIcon.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

const QDate kDay(2025, 3, 6);

QDateTime At(int hour, int minute, int second = 0)
{
    return QDateTime(kDay, QTime(hour, minute, second));
}

// The notice as a user saw it.
struct TSeenNotice
{
    QString Description;
    QString Due;
};

// ANNA (0000000001) is logged in on the workstation under test; BERT
// (0000000002) exists too. Events and alarms are written through a second
// connection, as another workstation would.
class AlarmMonitorTest : public TMainWindowFixture
{
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        Anna_ = AddUser("ANNA", "", urAddEntries);
        Bert_ = AddUser("BERT", "", urAddEntries);
        AnswerLogin("ANNA", "");
        Window("anna").FormActivate();
        ASSERT_FALSE(Window().Ended());
        Other_ = Connect();
        Others_.emplace(*Other_);
    }

    // An event at the time given with an alarm for each user, due then.
    std::string AddAlarmedEvent(const QDateTime& when, const char* text, const std::vector<std::string>& users)
    {
        const std::string entryId = Others_->Event(StampOf(when), Anna_, users, text);
        for (const std::string& user : users)
            Others_->Alarm(entryId, user, StampOf(when));
        return entryId;
    }

    std::optional<TAlarmRec> StoredAlarm(const std::string& alarmId)
    {
        TAlarmRec alarm;
        if (!Other_->AlarmFile.GetEqual(alarm, 0, alarmId))
            return std::nullopt;
        return alarm;
    }

    int AlarmCount() { return Other_->AlarmFile.RecordCount(); }

    // Notices run so far, answered or not.
    int Notices() const
    {
        return static_cast<int>(std::count_if(Dialogs_.Runs().begin(), Dialogs_.Runs().end(),
                                              [](const TRunDialog& run) { return run.ClassName == "TfrmNotify"; }));
    }

    // Queues an answer for the next notice: records it, then acts on it.
    void AnswerNotice(std::function<void(TfrmNotify&)> act)
    {
        Dialogs_.Answer([this, act](QDialog& dialog) {
            auto& notice = static_cast<TfrmNotify&>(dialog);
            Seen_.push_back({notice.edtDescription->text(), notice.edtDue->text()});
            act(notice);
            return notice.result();
        });
    }

    void AnswerOff()
    {
        AnswerNotice([](TfrmNotify& notice) { notice.btnRemove->click(); });
    }

    void SetNow(const QDateTime& value) { Now_ = value; }

    QDateTime Now_ = At(9, 0);
    TClockScript Clock_{[this] { return Now_; }};
    TBellScript Bell_;
    std::unique_ptr<TOrbekoDB> Other_;
    std::optional<TDiaryRecords> Others_;
    std::vector<TSeenNotice> Seen_;
    std::string Anna_;
    std::string Bert_;
};

TEST_F(AlarmMonitorTest, DueAlarmsComeEarliestFirstInOneRun)
{
    AddAlarmedEvent(At(9, 5), "stand-up", {Anna_});
    AddAlarmedEvent(At(9, 0), "coffee", {Anna_});
    const std::string entry = AddAlarmedEvent(At(9, 10), "later", {Anna_});
    SetNow(At(9, 6));
    AnswerOff();
    AnswerOff();

    Window().tmrMainTimer();

    ASSERT_EQ(Seen_.size(), 2u);
    EXPECT_EQ(Seen_[0].Description, "coffee");
    EXPECT_EQ(Seen_[1].Description, "stand-up");
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
    ASSERT_EQ(AlarmCount(), 1) << "the alarm due at 09:10 waits";
    TAlarmRec left;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(left, 3, entry));
    EXPECT_TRUE(Timer().isActive());
}

TEST_F(AlarmMonitorTest, AnAlarmDueThisSecondIsDueAndOneDueNextSecondIsNot)
{
    AddAlarmedEvent(At(9, 0), "on the dot", {Anna_});
    SetNow(At(8, 59, 59));
    Window().tmrMainTimer();
    EXPECT_EQ(Notices(), 0);

    SetNow(At(9, 0));
    AnswerOff();
    Window().tmrMainTimer();
    EXPECT_EQ(Notices(), 1);
    EXPECT_EQ(AlarmCount(), 0);
}

TEST_F(AlarmMonitorTest, SnoozeCountsFromThePressOfTheButton)
{
    const std::string entry = AddAlarmedEvent(At(9, 0), "report", {Anna_});
    SetNow(At(9, 6));
    AnswerNotice([this](TfrmNotify& notice) {
        notice.cmbSnooze->setCurrentIndex(notice.cmbSnooze->findText("1 hour"));
        SetNow(At(9, 6, 30));
        notice.btnSnooze->click();
    });
    Window().tmrMainTimer();

    TAlarmRec alarm;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(alarm, 3, entry));
    EXPECT_EQ(FieldText(alarm.AlarmStamp), StampOf(At(10, 6, 30)));
    EXPECT_EQ(FieldText(alarm.UserAlarmKey), Anna_ + StampOf(At(10, 6, 30)));
    EXPECT_EQ(FieldText(alarm.UserId), Anna_);
    EXPECT_EQ(alarm.Flags, afAlarmed);

    SetNow(At(10, 6, 29));
    Window().tmrMainTimer();
    EXPECT_EQ(Seen_.size(), 1u) << "not back before its time";

    SetNow(At(10, 6, 30));
    AnswerOff();
    Window().tmrMainTimer();
    EXPECT_EQ(Seen_.size(), 2u) << "back at the first run at or after it";
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
}

struct TSnoozeCase
{
    const char* Item;
    int Seconds;
};

void PrintTo(const TSnoozeCase& c, std::ostream* os)
{
    *os << c.Item;
}

class SnoozeItemTest : public AlarmMonitorTest, public ::testing::WithParamInterface<TSnoozeCase>
{
};

TEST_P(SnoozeItemTest, EachItemAddsItsTimeToThePresent)
{
    const std::string entry = AddAlarmedEvent(At(9, 0), "call", {Anna_});
    SetNow(At(9, 30, 15));
    const QString item = GetParam().Item;
    AnswerNotice([item](TfrmNotify& notice) {
        notice.cmbSnooze->setCurrentIndex(notice.cmbSnooze->findText(item));
        notice.btnSnooze->click();
    });
    Window().tmrMainTimer();
    TAlarmRec alarm;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(alarm, 3, entry));
    EXPECT_EQ(FieldText(alarm.AlarmStamp), StampOf(At(9, 30, 15).addSecs(GetParam().Seconds)));
}

INSTANTIATE_TEST_SUITE_P(Items, SnoozeItemTest,
                         ::testing::Values(TSnoozeCase{"5 minutes", 300}, TSnoozeCase{"15 minutes", 900},
                                           TSnoozeCase{"30 minutes", 1800}, TSnoozeCase{"1 hour", 3600},
                                           TSnoozeCase{"2 hours", 7200}, TSnoozeCase{"4 hours", 14400},
                                           TSnoozeCase{"1 day", 86400}),
                         [](const auto& info) { return std::to_string(info.param.Seconds) + "s"; });

TEST_F(AlarmMonitorTest, CloseBoxBringsTheNoticeBackAtOnceAndEscSnoozes)
{
    const std::string entry = AddAlarmedEvent(At(9, 0), "dentist", {Anna_});
    SetNow(At(9, 1));
    AnswerNotice([](TfrmNotify& notice) {
        notice.cmbSnooze->setCurrentIndex(2);
        notice.close();
    });
    AnswerNotice([](TfrmNotify& notice) {
        EXPECT_EQ(notice.cmbSnooze->currentIndex(), 2) << "the choice of the last notice stays";
        QTest::keyClick(&notice, Qt::Key_Escape);
    });
    Window().tmrMainTimer();

    ASSERT_EQ(Seen_.size(), 2u) << "closed without a choice, the same notice comes straight back";
    EXPECT_EQ(Seen_[0].Description, Seen_[1].Description);
    TAlarmRec alarm;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(alarm, 3, entry));
    EXPECT_EQ(FieldText(alarm.AlarmStamp), StampOf(At(9, 31))) << "Esc snoozed by the selected 30 minutes";
}

TEST_F(AlarmMonitorTest, EnterSnoozesAndOffRemovesOnlyThisUsersAlarm)
{
    const std::string entry = AddAlarmedEvent(At(9, 0), "meeting", {Anna_, Bert_});
    SetNow(At(9, 0));
    AnswerNotice([](TfrmNotify& notice) { QTest::keyClick(notice.cmbSnooze, Qt::Key_Return); });
    Window().tmrMainTimer();
    TAlarmRec anna;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(anna, 5, Anna_ + StampOf(At(9, 5))));

    SetNow(At(9, 5));
    AnswerOff();
    Window().tmrMainTimer();
    ASSERT_EQ(AlarmCount(), 1);
    TAlarmRec bert;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(bert, 3, entry));
    EXPECT_EQ(FieldText(bert.UserId), Bert_) << "the other assignee keeps his alarm";
    EXPECT_EQ(FieldText(bert.AlarmStamp), StampOf(At(9, 0)));
}

TEST_F(AlarmMonitorTest, AlarmOfADeletedEventIsAnnouncedOnceAndRemoved)
{
    const std::string entry = AddAlarmedEvent(At(9, 0), "cancelled", {Anna_, Bert_});
    ASSERT_TRUE(Other_->DayEntryFile.Delete(entry));
    SetNow(At(9, 2));

    Window().tmrMainTimer();
    Window().tmrMainTimer();

    EXPECT_EQ(Notices(), 0) << "no notice for a missing event";
    ASSERT_EQ(Messages_.Shown().size(), 1u);
    EXPECT_EQ(Messages_.Shown()[0].Kind, TMessageKind::Information);
    EXPECT_EQ(Messages_.Shown()[0].Buttons, TMessageButtons::Ok);
    EXPECT_EQ(Messages_.Shown()[0].Text,
              "An alarm has triggered for an event that cannot be found. The alarm will be deleted");
    ASSERT_EQ(AlarmCount(), 1);
    TAlarmRec left;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(left, 3, entry));
    EXPECT_EQ(FieldText(left.UserId), Bert_) << "only the logged-in user's alarm goes";
}

TEST_F(AlarmMonitorTest, AnAlarmLeftUnderAnIdThatNowNamesAnotherUsersEventIsNeverShown)
{
    // An event for ANNA was deleted while its alarm was being written, and
    // BERT's private event took its id.
    const std::string entry = Others_->Event(StampOf(At(9, 0)), Anna_, {Bert_}, "bert's secret");
    Others_->Alarm(entry, Anna_, StampOf(At(8, 0)));
    SetNow(At(9, 0));
    Window().tmrMainTimer();

    EXPECT_EQ(Notices(), 0);
    ASSERT_EQ(Messages_.Shown().size(), 1u);
    EXPECT_EQ(Messages_.Shown()[0].Text,
              "An alarm has triggered for an event that cannot be found. The alarm will be deleted");
    EXPECT_EQ(AlarmCount(), 0);
}

TEST_F(AlarmMonitorTest, AFailedDeleteOfAMissingEventsAlarmEndsTheRunAndComesBack)
{
    const std::string entry = AddAlarmedEvent(At(9, 0), "gone", {Anna_});
    ASSERT_TRUE(Other_->DayEntryFile.Delete(entry));
    TAlarmRec alarm;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(alarm, 3, entry));
    const std::string alarmId = Other_->AlarmFile.LastKey();
    SetNow(At(9, 2));
    {
        const TRecordLock held(Other_->AlarmFile, alarmId);
        ASSERT_TRUE(held.Held());
        try {
            Window().tmrMainTimer();
            ADD_FAILURE() << "the refused delete is an error";
        } catch (const std::exception& error) {
            EXPECT_STREQ(error.what(), "Multi-user locks encountered");
        }
        EXPECT_TRUE(Timer().isActive()) << "the timer runs again after an error";
        EXPECT_EQ(AlarmCount(), 1);
    }
    Window().tmrMainTimer();
    EXPECT_EQ(Messages_.Shown().size(), 2u) << "announced again at the next run";
    EXPECT_EQ(AlarmCount(), 0);
}

TEST_F(AlarmMonitorTest, OtherUsersAlarmsAreNeverShown)
{
    AddAlarmedEvent(At(8, 0), "bert only", {Bert_});
    AddAlarmedEvent(At(8, 30), "bert again", {Bert_});
    SetNow(At(12, 0));
    Window().tmrMainTimer();
    EXPECT_EQ(Notices(), 0);
    EXPECT_TRUE(Messages_.Shown().empty());
    EXPECT_EQ(AlarmCount(), 2);

    AddAlarmedEvent(At(11, 0), "both", {Bert_, Anna_});
    AnswerOff();
    Window().tmrMainTimer();
    ASSERT_EQ(Seen_.size(), 1u);
    EXPECT_EQ(Seen_[0].Description, "both");
    EXPECT_EQ(AlarmCount(), 3);
}

TEST_F(AlarmMonitorTest, AfterLoggingInAsAnotherUserHisDueAlarmsAppearWithinTenSeconds)
{
    AddAlarmedEvent(At(8, 0), "for bert", {Bert_});
    SetNow(At(9, 0));
    Window().tmrMainTimer();
    EXPECT_EQ(Notices(), 0);

    Dialogs_.Answer([this](QDialog& dialog) {
        EXPECT_FALSE(Timer().isActive()) << "no alarms while a login runs";
        auto& login = static_cast<TfrmLogin&>(dialog);
        login.edtUserName->setText("BERT");
        login.actOkExecute();
        return login.result();
    });
    Window().actFileLoginExecute();
    ASSERT_EQ(Window().Session().UserId(), Bert_);
    ASSERT_TRUE(Timer().isActive());
    EXPECT_LE(Timer().remainingTime(), 10000);

    AnswerOff();
    // What the timer does when it fires.
    ASSERT_TRUE(QMetaObject::invokeMethod(&Timer(), "timeout"));
    ASSERT_EQ(Seen_.size(), 1u);
    EXPECT_EQ(Seen_[0].Description, "for bert");
    EXPECT_EQ(AlarmCount(), 0);
}

TEST_F(AlarmMonitorTest, TheTimerIsOffWhileANoticeIsOpen)
{
    AddAlarmedEvent(At(9, 0), "busy", {Anna_});
    SetNow(At(9, 0));
    AnswerNotice([this](TfrmNotify& notice) {
        EXPECT_FALSE(Timer().isActive());
        notice.btnRemove->click();
    });
    Window().tmrMainTimer();
    EXPECT_EQ(Seen_.size(), 1u);
    EXPECT_TRUE(Timer().isActive());
    EXPECT_EQ(Timer().interval(), 10000);
}

TEST_F(AlarmMonitorTest, TheNoticeShowsTheEventAndItsOwnTimeAndBeepsTwice)
{
    const QDateTime tomorrow(kDay.addDays(1), QTime(14, 45));
    Others_->Alarm(Others_->Event(StampOf(tomorrow), Anna_, {Anna_}, "board meeting"), Anna_, StampOf(At(9, 0)));
    Others_->Alarm(Others_->Event(StampOf(tomorrow), Anna_, {Anna_}, "early warning"), Anna_, StampOf(At(8, 0)));
    SetNow(At(9, 0));
    AnswerNotice([this](TfrmNotify& notice) {
        EXPECT_EQ(notice.windowTitle(), "Orbeko Alarm");
        EXPECT_TRUE(notice.windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_TRUE(notice.edtDescription->isReadOnly());
        EXPECT_TRUE(notice.edtDue->isReadOnly());
        EXPECT_EQ(notice.edtDue->palette().color(QPalette::Base), notice.palette().color(QPalette::Button));
        EXPECT_EQ(notice.focusWidget(), notice.cmbSnooze);
        EXPECT_TRUE(notice.btnSnooze->isDefault());
        EXPECT_EQ(notice.btnSnooze->text(), "&Snooze");
        EXPECT_EQ(notice.btnRemove->text(), "&Off");
        EXPECT_EQ(notice.btnSnooze->toolTip(), "Retains the alarm but snoozes it for a period of time");
        EXPECT_EQ(notice.btnRemove->toolTip(), "Removes the alarm completely");
        EXPECT_EQ(notice.cmbSnooze->toolTip(), "Select an amount to snooze this alarm by");
        QStringList items;
        for (int i = 0; i < notice.cmbSnooze->count(); ++i)
            items << notice.cmbSnooze->itemText(i);
        EXPECT_EQ(items, QStringList({"5 minutes", "15 minutes", "30 minutes", "1 hour", "2 hours", "4 hours",
                                      "1 day"}));
        EXPECT_EQ(notice.cmbSnooze->currentIndex(), 0) << "the first notice of the run starts at 5 minutes";
        EXPECT_EQ(Bell_.Log(), QStringList({"beep", "pause 500", "beep"}));
        notice.btnRemove->click();
    });
    AnswerOff();
    Window().tmrMainTimer();
    ASSERT_EQ(Seen_.size(), 2u);
    const QString due = TStamp::FormatDateTime("dddd mmmm d, hh:nn", tomorrow);
    EXPECT_EQ(Seen_[0].Description, "early warning");
    EXPECT_EQ(Seen_[0].Due, due) << "the event's time, not the alarm's";
    EXPECT_EQ(Seen_[1].Description, "board meeting");
    EXPECT_EQ(Bell_.Log().size(), 6) << "two beeps for each notice";
}

TEST_F(AlarmMonitorTest, ALockedAlarmKeepsTheNoticeOpenWithAMessage)
{
    const std::string entry = AddAlarmedEvent(At(9, 0), "locked", {Anna_});
    TAlarmRec alarm;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(alarm, 3, entry));
    const std::string alarmId = Other_->AlarmFile.LastKey();
    SetNow(At(9, 0));
    AnswerNotice([this, alarmId](TfrmNotify& notice) {
        {
            const TRecordLock held(Other_->AlarmFile, alarmId);
            notice.btnSnooze->click();
            EXPECT_TRUE(notice.isVisible());
            notice.btnRemove->click();
            EXPECT_TRUE(notice.isVisible());
        }
        notice.btnRemove->click();
        EXPECT_FALSE(notice.isVisible());
    });
    Window().tmrMainTimer();

    ASSERT_EQ(Messages_.Shown().size(), 2u);
    EXPECT_EQ(Messages_.Shown()[0].Text, "Unable to snooze alarm. Another user has locked it");
    EXPECT_EQ(Messages_.Shown()[0].Kind, TMessageKind::Information);
    EXPECT_EQ(Messages_.Shown()[1].Text, "Unable to switch alarm off. Another user has locked it");
    EXPECT_EQ(Messages_.Shown()[1].Kind, TMessageKind::Information);
    EXPECT_EQ(AlarmCount(), 0);
    EXPECT_EQ(Seen_.size(), 1u);
}

// A folder gone or read-only: Snooze and Off cannot be written. The notice
// closes with the reason instead of trapping the user, the alarm stays as it
// was for a later scan, and the main window can still be closed.
TEST_F(AlarmMonitorTest, AnAlarmThatCannotBeWrittenClosesTheNoticeWithTheReason)
{
    struct TCase
    {
        const char* Button;
        const char* Message;
    };
    for (const TCase& c : {TCase{"btnSnooze", "Unable to snooze alarm\r\r"}, TCase{"btnRemove", "Unable to switch alarm off\r\r"}}) {
        SCOPED_TRACE(c.Button);
        const std::string entry = AddAlarmedEvent(At(9, 0), "unwritable", {Anna_});
        SetNow(At(9, 0));
        AnswerNotice([this, c](TfrmNotify& notice) {
            Window().AlarmDb()->AlarmFile.Close();
            notice.findChild<QPushButton*>(c.Button)->click();
            EXPECT_FALSE(notice.isVisible());
        });
        Messages_.Answer(TMessageAnswer::Ok);
        Window().tmrMainTimer();

        EXPECT_EQ(Seen_.size(), 1u) << "not shown again at once";
        ASSERT_FALSE(Messages_.Shown().empty());
        EXPECT_EQ(Messages_.Shown().back().Kind, TMessageKind::Error);
        EXPECT_TRUE(Messages_.Shown().back().Text.startsWith(c.Message)) << Messages_.Shown().back().Text.toStdString();
        EXPECT_TRUE(Messages_.Shown().back().Text.endsWith("The alarm will be shown again later."));
        TAlarmRec alarm;
        ASSERT_TRUE(Other_->AlarmFile.GetEqual(alarm, 3, entry));
        EXPECT_EQ(FieldText(alarm.AlarmStamp), StampOf(At(9, 0)));

        ASSERT_TRUE(Window().AlarmDb()->AlarmFile.Open(Window().AlarmDb()->RootPath + TOrbekoDB::AlarmFileName, 3));
        ASSERT_TRUE(Other_->AlarmFile.Delete(Other_->AlarmFile.LastKey()));
        Seen_.clear();
    }
    EXPECT_TRUE(Window().close());
}

TEST_F(AlarmMonitorTest, ASnoozeThatLeavesTheStampRangeIsRefusedAndChangesNothing)
{
    const QDateTime late(QDate(2037, 12, 31), QTime(23, 0));
    const std::string entry = AddAlarmedEvent(late, "new year", {Anna_});
    SetNow(late);
    AnswerNotice([](TfrmNotify& notice) {
        notice.cmbSnooze->setCurrentIndex(notice.cmbSnooze->findText("1 day"));
        EXPECT_THROW(notice.btnSnoozeClick(), EStamp);
        EXPECT_TRUE(notice.isVisible());
        notice.btnRemove->click();
    });
    Window().tmrMainTimer();
    EXPECT_EQ(AlarmCount(), 0);
}

TEST_F(AlarmMonitorTest, ANoticeWhoseAlarmWasReplacedMeanwhileLeavesTheReplacementAlone)
{
    const std::string entry = AddAlarmedEvent(At(9, 0), "edited elsewhere", {Anna_});
    TAlarmRec alarm;
    ASSERT_TRUE(Other_->AlarmFile.GetEqual(alarm, 3, entry));
    const std::string alarmId = Other_->AlarmFile.LastKey();
    SetNow(At(9, 0));
    AnswerNotice([&](TfrmNotify& notice) {
        // Another workstation gives the event to BERT alone: the highest
        // alarm id is free again and his new alarm takes it.
        ASSERT_TRUE(Other_->AlarmFile.Delete(alarmId));
        ASSERT_EQ(Others_->Alarm(entry, Bert_, StampOf(At(15, 0))), alarmId);
        notice.btnSnooze->click();
        EXPECT_FALSE(notice.isVisible()) << "nothing is left to snooze";
    });
    Window().tmrMainTimer();

    const auto stored = StoredAlarm(alarmId);
    ASSERT_TRUE(stored);
    EXPECT_EQ(FieldText(stored->UserId), Bert_);
    EXPECT_EQ(FieldText(stored->AlarmStamp), StampOf(At(15, 0)));
    EXPECT_EQ(Seen_.size(), 1u);
}

TEST_F(AlarmMonitorTest, TheNoticeComesUpOverAnOpenDialog)
{
    AddAlarmedEvent(At(9, 0), "over the top", {Anna_});
    SetNow(At(9, 0));
    const TSeam<TDialogRunner>::TOverride realDialogs(TDialogRunner::Real());
    QWidget* onTop = nullptr;
    bool flagged = false;
    QTimer::singleShot(0, &Window(), [&] {
        // The other dialog is open now; the monitor's timer fires.
        QTimer::singleShot(0, &Window(), [&] {
            onTop = QApplication::activeModalWidget();
            flagged = Child<TfrmNotify>().windowFlags() & Qt::WindowStaysOnTopHint;
            Child<TfrmNotify>().btnRemove->click();
        });
        Window().tmrMainTimer();
        Child<TfrmDate>().accept();
    });
    Window().actDateExecute();

    EXPECT_EQ(onTop, &Child<TfrmNotify>());
    EXPECT_TRUE(flagged);
    EXPECT_EQ(AlarmCount(), 0);
}

// Each notice is also a desktop notification while the option is on;
// answering either answers both, and without a service only the notice shows.
TEST_F(AlarmMonitorTest, TheDesktopNotificationAndTheNoticeAnswerEachOther)
{
    struct TCase
    {
        const char* Name;
        bool Service;
        bool Enabled;
        const char* Action;  // taken in the notification; none: Off in the notice
        bool Snoozed;
    };
    const TCase cases[] = {
        {"Snooze in the notification", true, true, "snooze", true},
        {"Off in the notification", true, true, "off", false},
        {"Off in the notice closes the notification", true, true, nullptr, false},
        {"the option off", true, false, nullptr, false},
        {"a bus without a service", false, true, nullptr, false},
    };
    int minute = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TNotificationServiceFake service(c.Service);
        ASSERT_TRUE(service.Running()) << "dbus-daemon could not be started";
        Window().Settings()->DesktopNotifications = c.Enabled;
        const std::string entry = AddAlarmedEvent(At(9, minute), "quarterly report", {Anna_});
        SetNow(At(9, ++minute));
        AnswerNotice([&](TfrmNotify& notice) {
            if (c.Action == nullptr) {
                notice.btnRemove->click();
                return;
            }
            notice.setResult(QDialog::Rejected);  // as a modal run starts
            if (QTest::qWaitFor([&] { return !service.Shown.empty(); }, 5000))
                service.Invoke(service.Shown.back().Id, QString::fromLatin1(c.Action));
            if (!QTest::qWaitFor([&] { return notice.result() == QDialog::Accepted; }, 5000)) {
                ADD_FAILURE() << "the notification's action did not answer the notice";
                notice.btnRemove->click();
            }
        });
        Window().tmrMainTimer();

        TAlarmRec alarm;
        EXPECT_EQ(Other_->AlarmFile.GetEqual(alarm, 3, entry), c.Snoozed);
        if (!c.Service || !c.Enabled) {
            QTest::qWait(50);
            EXPECT_TRUE(service.Shown.empty());
            continue;
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !service.Shown.empty(); }, 5000));
        ASSERT_EQ(service.Shown.size(), 1u);
        EXPECT_EQ(service.Shown[0].Summary, "Orbeko Alarm");
        EXPECT_TRUE(service.Shown[0].Body.contains("quarterly report")) << service.Shown[0].Body.toStdString();
        EXPECT_EQ(service.Shown[0].Actions, (QStringList{"snooze", "Snooze", "off", "Off"}));
        if (c.Action == nullptr) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return service.ClosedIds == std::vector<uint>{1}; }, 5000));
        }
    }
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
}

TEST_F(AlarmMonitorTest, TheTrayIconCountsTheAlarmsDue)
{
    auto* tray = Window().findChild<TTrayIcon*>();
    ASSERT_NE(tray, nullptr);
    AddAlarmedEvent(At(9, 0), "first", {Anna_});
    AddAlarmedEvent(At(9, 1), "second", {Anna_});
    AddAlarmedEvent(At(9, 30), "later", {Anna_});
    SetNow(At(9, 2));
    std::vector<QString> hints;
    for (int i = 0; i < 2; ++i)
        AnswerNotice([&](TfrmNotify& notice) {
            hints.push_back(tray->toolTip());
            notice.btnRemove->click();
        });
    Window().tmrMainTimer();
    EXPECT_EQ(hints, (std::vector<QString>{"Orbeko - 2 alarms due", "Orbeko - 1 alarm due"}));
    EXPECT_EQ(tray->toolTip(), "Orbeko");
}

}  // namespace
