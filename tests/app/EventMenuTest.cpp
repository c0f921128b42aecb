#include "MainWindowFixture.h"
#include "events/EventCommands.h"
#include "events/frmEvent.h"
#include "prefs/FilterRules.h"
#include "kfstore/RecordLock.h"
#include "storage/Stamp.h"
#include "ui/CheckList.h"
#include "storage/Clock.h"
#include "ui/DateEdit.h"
#include "ui/MailTransport.h"
#include "views/DayView.h"
#include "views/WeekView.h"
#include "support/ClockScript.h"
#include "support/MailTransportFake.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

// 2025-03-06 is a Thursday; the week view shows 3 to 9 March.
const QDateTime kThursday(QDate(2025, 3, 6), QTime(15, 20));
const std::string kMe = "0000000001";  // JSMITH, the first administrator
const char* const kHidden = "This entry will not be displayed due to your privaledges / filtering options";

QStringList Names(const QList<QAction*>& actions)
{
    QStringList names;
    for (const QAction* action : actions)
        names.append(action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
}

class EventMenuTest : public TMainWindowFixture
{
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        Clock_ = std::make_unique<TClockScript>(kThursday);
        Window().FormActivate();
        ASSERT_FALSE(Window().Ended());
        Bob = AddUser("BOB", "", urAddEntries);
        Carl = AddUser("CARL", "", urAddEntries);
        Other = Connect();
    }

    std::string AddEntry(const char* text, std::initializer_list<std::string> assignees, const std::string& owner = kMe,
                         bool alarmed = false)
    {
        TDayEntryRec entry;
        Other->InitDayEntry(entry);
        SetField(entry.EntryStamp, StampOf(QDateTime(QDate(2025, 3, 6), QTime(9, 0))));
        SetField(entry.OwnerId, owner);
        SetField(entry.CategoryId, "0000000000");
        SetField(entry.Description, text);
        int slot = 0;
        for (const std::string& id : assignees)
            SetField(entry.AssigneeIds[slot++], id);
        TAlarmRec alarm;
        Other->InitAlarm(alarm);
        alarm.Flags = alarmed ? afAlarmed : 0;
        SetField(alarm.AlarmStamp, StampOf(QDateTime(QDate(2025, 3, 6), QTime(8, 45))));
        return TEventCommands(*Other).AddEvent(entry, alarm);
    }

    // Reloads the week and selects Thursday's row `row`.
    void Select(int row)
    {
        TfrmMain& window = Window();
        window.RefreshView();
        TDayView& thursday = Week().Days(3);
        thursday.OnReceivedFocus(&thursday);
        thursday.List().setCurrentRow(row);
    }

    void UpdateActions()
    {
        Window().actEventNewUpdate(Action("actEventNew"));
        Window().actEventPropertiesUpdate(Action("actEventProperties"));
        Window().actEventDeleteUpdate(Action("actEventDelete"));
    }

    // Answers the event editor.
    void AnswerEditor(std::function<int(TfrmEvent&)> answer)
    {
        Dialogs_.Answer([answer](QDialog& dialog) { return answer(static_cast<TfrmEvent&>(dialog)); });
    }

    static int PressOk(TfrmEvent& editor)
    {
        editor.chkNotify->setChecked(false);
        editor.actOkExecute();
        return editor.isVisible() ? QDialog::Rejected : editor.result();
    }

    static int Row(const TfrmEvent& editor, const QString& text)
    {
        for (int row = 0; row < editor.lstUsers->count(); ++row)
            if (editor.lstUsers->item(row)->text() == text)
                return row;
        return -1;
    }

    TDayEntryRec Stored(const std::string& id)
    {
        TDayEntryRec entry{};
        EXPECT_TRUE(Other->DayEntryFile.GetEqual(entry, 0, id));
        return entry;
    }

    bool Exists(const std::string& id)
    {
        TDayEntryRec entry;
        return Other->DayEntryFile.GetEqual(entry, 0, id);
    }

    // Alarm identifier -> user, for the entry.
    std::map<std::string, std::string> AlarmsOf(const std::string& entryId)
    {
        std::map<std::string, std::string> alarms;
        TAlarmRec alarm;
        if (Other->AlarmFile.GetEqual(alarm, 3, entryId))
            alarms[Other->AlarmFile.LastKey()] = FieldText(alarm.UserId);
        while (Other->AlarmFile.GetNext(alarm, 3, entryId, gcPrefix))
            alarms[Other->AlarmFile.LastKey()] = FieldText(alarm.UserId);
        return alarms;
    }

    int ThursdayRows() { return Week().Days(3).Entries().EntryCount(); }

    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const TShownMessage& shown : Messages_.Shown())
            texts.append(shown.Text);
        return texts.mid(1);  // after the welcome of the first administrator
    }

    std::unique_ptr<TClockScript> Clock_;
    std::unique_ptr<TOrbekoDB> Other;  // another workstation
    TMailTransportFake Mail_;
    std::string Bob;
    std::string Carl;
};

TEST_F(EventMenuTest, CommandsSitInTheEventMenuTheToolBarAndThePopup)
{
    TfrmMain& window = Window();
    EXPECT_EQ(Action("actEventNew").text(), "&New event...");
    EXPECT_EQ(Action("actEventNew").statusTip(), "Add a new event");
    EXPECT_EQ(Action("actEventNew").shortcut(), QKeySequence(Qt::Key_Insert));
    EXPECT_EQ(Action("actEventProperties").text(), "Event &properties...");
    EXPECT_EQ(Action("actEventProperties").statusTip(), "Modify event properties");
    EXPECT_TRUE(Action("actEventProperties").shortcut().isEmpty());
    EXPECT_EQ(Action("actEventDelete").text(), "&Delete event...");
    EXPECT_EQ(Action("actEventDelete").statusTip(), "Delete event");
    EXPECT_EQ(Action("actEventDelete").shortcut(), QKeySequence(Qt::Key_Delete));

    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Event");
    EXPECT_EQ(Names(menus[1]->menu()->actions()),
              (QStringList{"actEventNew", "actEventDelete", "actEventProperties"}));
    EXPECT_EQ(Names(Child<QToolBar>("tbrTools").actions()).mid(0, 5),
              (QStringList{"actEventNew", "actEventProperties", "actEventDelete", "-", "actToday"}));
    EXPECT_EQ(Names(Child<QMenu>("mnuPopup").actions()).mid(0, 5),
              (QStringList{"actEventNew", "actEventDelete", "actEventProperties", "-", "actToday"}));
}

TEST_F(EventMenuTest, RightOneEnablesNewEvent)
{
    TfrmMain& window = Window();
    for (const int32_t flags : {int32_t{urAddEntries}, urAddEntries | urAddForOthers, 0, urAdminister | urModifyOthers}) {
        SetRights(flags);
        window.actEventNewUpdate(Action("actEventNew"));
        EXPECT_EQ(Action("actEventNew").isEnabled(), (flags & urAddEntries) != 0) << flags;
    }
}

TEST_F(EventMenuTest, RightFourEnablesPropertiesAndDeleteOnOtherUsersEvents)
{
    AddEntry("Bob's", {Bob}, Bob);
    AddEntry("Mine", {kMe});
    struct TCase
    {
        int32_t Flags;
        int Row;  // -1: nothing selected
        bool Enabled;
    };
    const TCase cases[] = {
        {urAddEntries, -1, false},
        {urAddEntries, 0, false},  // Bob's
        {urAddEntries, 1, true},   // mine
        {urAddEntries | urModifyOthers, 0, true},
        {urModifyOthers, 1, true},
        {urAddEntries | urAdminister | urAddForOthers, 0, false},
    };
    for (const TCase& c : cases) {
        SetRights(c.Flags);
        Select(c.Row);
        UpdateActions();
        EXPECT_EQ(Action("actEventProperties").isEnabled(), c.Enabled) << c.Flags << " row " << c.Row;
        EXPECT_EQ(Action("actEventDelete").isEnabled(), c.Enabled) << c.Flags << " row " << c.Row;
    }
}

TEST_F(EventMenuTest, AUserWithoutRightEightCreatesAnEventForHimselfOnly)
{
    TfrmMain& window = Window();
    ASSERT_EQ(Rights() & urAddForOthers, 0);
    Messages_.Answer(TMessageAnswer::Yes);  // no category
    AnswerEditor([](TfrmEvent& editor) {
        EXPECT_EQ(editor.windowTitle(), "New Event");
        EXPECT_FALSE(editor.lstUsers->isEnabled());
        EXPECT_FALSE(editor.lblUsers->isEnabled());
        EXPECT_FALSE(editor.btnGroup->isEnabled());
        EXPECT_EQ(editor.lstUsers->CheckedCount(), 1);
        EXPECT_TRUE(editor.lstUsers->Checked(Row(editor, "JSMITH")));
        // Thursday, the focused day, at the view's hour.
        EXPECT_EQ(editor.cmbDate->Date(), QDate(2025, 3, 6));
        EXPECT_EQ(editor.cmbHour->currentText(), "15");
        EXPECT_EQ(editor.cmbMinute->currentText(), "20");
        editor.edtDescription->setText("Dentist");
        return PressOk(editor);
    });
    Select(-1);
    window.actEventNewExecute();

    const TDayEntryRec entry = Stored("0000000001");
    EXPECT_EQ(FieldText(entry.Description), "Dentist");
    EXPECT_EQ(FieldText(entry.OwnerId), kMe);
    EXPECT_EQ(FieldText(entry.AssigneeIds[0]), kMe);
    for (int slot = 1; slot < kMaxAssignees; ++slot)
        EXPECT_EQ(FieldText(entry.AssigneeIds[slot]), "0000000000");
    EXPECT_EQ(FieldText(entry.EntryStamp), StampOf(QDateTime(QDate(2025, 3, 6), QTime(15, 20))));
    EXPECT_EQ(ThursdayRows(), 1) << "the view has been reloaded";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(MessageTexts().size() == 1);
}

TEST_F(EventMenuTest, RightEightLetsTheUserChooseAndSetsOneAlarmPerUser)
{
    TfrmMain& window = Window();
    SetRights(Rights() | urAddForOthers);
    Messages_.Answer(TMessageAnswer::Yes);
    AnswerEditor([](TfrmEvent& editor) {
        EXPECT_TRUE(editor.lstUsers->isEnabled());
        EXPECT_EQ(editor.lstUsers->CheckedCount(), 0);
        editor.lstUsers->ClickCheck(Row(editor, "BOB"));
        editor.lstUsers->ClickCheck(Row(editor, "CARL"));
        editor.chkAlarm->setChecked(true);
        editor.edtDescription->setText("Review");
        return PressOk(editor);
    });
    Dialogs_.Answer([](QDialog&) { return QDialog::Rejected; });  // the alarm time stays
    window.actEventNewExecute();
    ASSERT_EQ(Dialogs_.Runs().size(), 2u);
    EXPECT_EQ(Dialogs_.Runs()[1].ClassName, "TfrmAlarmProperties");

    const TDayEntryRec entry = Stored("0000000001");
    EXPECT_EQ(FieldText(entry.AssigneeIds[0]), Bob);
    EXPECT_EQ(FieldText(entry.AssigneeIds[1]), Carl);
    const auto alarms = AlarmsOf("0000000001");
    ASSERT_EQ(alarms.size(), 2u);
    // Not for the user himself, but the views show all events.
    EXPECT_EQ(MessageTexts().size(), 1);
}

TEST_F(EventMenuTest, ANewEventTheFilterHidesIsStoredAndTold)
{
    TfrmMain& window = Window();
    SetRights(Rights() | urAddForOthers);
    window.ViewRules().Mode = fmJustForMe;
    Messages_.Answer(TMessageAnswer::Yes);
    Messages_.Answer(TMessageAnswer::Ok);
    AnswerEditor([](TfrmEvent& editor) {
        editor.lstUsers->ClickCheck(Row(editor, "BOB"));
        editor.edtDescription->setText("For Bob");
        return PressOk(editor);
    });
    window.actEventNewExecute();
    EXPECT_TRUE(Exists("0000000001"));
    ASSERT_EQ(MessageTexts().size(), 2);
    EXPECT_EQ(MessageTexts()[1], kHidden);
    EXPECT_EQ(Messages_.Shown().back().Kind, TMessageKind::Information);
}

// A save that fails (here the events file closed under the command) says
// why and opens the editor again on what was typed; the next OK saves it.
TEST_F(EventMenuTest, AFailedSaveKeepsWhatWasTyped)
{
    for (const bool edit : {false, true}) {
        SCOPED_TRACE(edit ? "properties" : "new");
        const std::string existing = edit ? AddEntry("Before", {kMe}, kMe, false) : std::string();
        // No category chosen: the editor asks before each OK.
        const auto before = Messages_.Shown().size() + 1;
        for (const TMessageAnswer answer : {TMessageAnswer::Yes, TMessageAnswer::Ok, TMessageAnswer::Yes})
            Messages_.Answer(answer);
        AnswerEditor([this](TfrmEvent& editor) {
            editor.edtDescription->setText("Typed with care");
            Window().MainDb()->DayEntryFile.Close();
            return PressOk(editor);
        });
        AnswerEditor([this](TfrmEvent& editor) {
            EXPECT_EQ(editor.edtDescription->text(), "Typed with care");
            TOrbekoDB& db = *Window().MainDb();
            EXPECT_TRUE(db.DayEntryFile.Open(db.RootPath + TOrbekoDB::DayEntryFileName, 3));
            return PressOk(editor);
        });
        if (edit) {
            Select(0);
            Window().actEventPropertiesExecute();
        } else {
            Window().actEventNewExecute();
        }
        ASSERT_GT(Messages_.Shown().size(), before + 1);
        EXPECT_TRUE(Messages_.Shown()[before].Text.startsWith("Unable to save event\r\r"));
        EXPECT_TRUE(Messages_.Shown()[before].Text.endsWith("The event opens again with everything you typed."));
        EXPECT_EQ(Dialogs_.PendingCount(), 0);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        TDayEntryRec stored;
        ASSERT_TRUE(Other->DayEntryFile.GetEqual(stored, 0, edit ? existing : "0000000001"));
        EXPECT_STREQ(stored.Description, "Typed with care");
        EXPECT_EQ(Other->DayEntryFile.RecordCount(), 1) << "saved once";
        ASSERT_TRUE(Other->DayEntryFile.Delete(Other->DayEntryFile.LastKey()));
    }
}

TEST_F(EventMenuTest, CancelledNewEventWritesNothing)
{
    AnswerEditor([](TfrmEvent& editor) {
        editor.edtDescription->setText("Dentist");
        editor.actCancelExecute();
        return editor.result();
    });
    Window().actEventNewExecute();
    EXPECT_EQ(Other->DayEntryFile.RecordCount(), 0);
}

TEST_F(EventMenuTest, UncheckingTheAlarmDeletesAllThreeAlarmRecords)
{
    const std::string id = AddEntry("Budget", {kMe, Bob, Carl}, kMe, true);
    ASSERT_EQ(AlarmsOf(id).size(), 3u);
    Messages_.Answer(TMessageAnswer::Yes);
    AnswerEditor([](TfrmEvent& editor) {
        EXPECT_EQ(editor.windowTitle(), "Event Properties");
        EXPECT_TRUE(editor.chkAlarm->isChecked());
        editor.chkAlarm->setChecked(false);
        return PressOk(editor);
    });
    Select(0);
    Window().actEventPropertiesExecute();
    EXPECT_TRUE(AlarmsOf(id).empty());
    EXPECT_TRUE(Exists(id));
}

TEST_F(EventMenuTest, RemovingOneAssigneeLeavesTwoAlarmsAtTheEditorsTime)
{
    SetRights(Rights() | urAddForOthers);
    const std::string id = AddEntry("Budget", {kMe, Bob, Carl}, kMe, true);
    Messages_.Answer(TMessageAnswer::Yes);
    AnswerEditor([](TfrmEvent& editor) {
        editor.lstUsers->ClickCheck(Row(editor, "CARL"));
        return PressOk(editor);
    });
    Select(0);
    Window().actEventPropertiesExecute();

    const auto alarms = AlarmsOf(id);
    ASSERT_EQ(alarms.size(), 2u);
    for (const auto& [alarmId, user] : alarms) {
        EXPECT_NE(user, Carl);
        TAlarmRec alarm;
        ASSERT_TRUE(Other->AlarmFile.GetEqual(alarm, 0, alarmId));
        EXPECT_EQ(FieldText(alarm.AlarmStamp), StampOf(QDateTime(QDate(2025, 3, 6), QTime(8, 45))));
    }
}

TEST_F(EventMenuTest, EditingAnEventAnotherConnectionHoldsGivesItsMessage)
{
    const std::string id = AddEntry("Budget", {kMe});
    const TRecordLock held(Other->DayEntryFile, id);
    Messages_.Answer(TMessageAnswer::Ok);
    Select(0);
    Window().actEventPropertiesExecute();
    EXPECT_EQ(MessageTexts(), QStringList{"Unable to edit event properties. Another user has locked it"});
    EXPECT_EQ(Messages_.Shown().back().Kind, TMessageKind::Information);
    EXPECT_EQ(Dialogs_.Runs().size(), 0u);
}

TEST_F(EventMenuTest, TheEntryStaysLockedWhileTheEditorIsOpen)
{
    const std::string id = AddEntry("Budget", {kMe});
    bool lockedMeanwhile = false;
    AnswerEditor([&](TfrmEvent&) {
        lockedMeanwhile = !TRecordLock(Other->DayEntryFile, id).Held();
        return QDialog::Rejected;
    });
    Select(0);
    Window().actEventPropertiesExecute();
    EXPECT_TRUE(lockedMeanwhile);
    EXPECT_TRUE(TRecordLock(Other->DayEntryFile, id).Held());
}

TEST_F(EventMenuTest, AnUnknownAssigneeEndsPropertiesAndReleasesTheLock)
{
    const std::string id = AddEntry("Budget", {kMe, "0000000042"});
    Select(0);
    EXPECT_THROW(Window().actEventPropertiesExecute(), std::runtime_error);
    EXPECT_TRUE(TRecordLock(Other->DayEntryFile, id).Held());
}

TEST_F(EventMenuTest, EditingAnEventOutOfTheFilterStoresItAndTellsSo)
{
    TfrmMain& window = Window();
    SetRights(Rights() | urAddForOthers);
    window.ViewRules().Mode = fmJustForMe;
    const std::string id = AddEntry("Budget", {kMe, Bob});
    Messages_.Answer(TMessageAnswer::Yes);
    Messages_.Answer(TMessageAnswer::Ok);
    AnswerEditor([](TfrmEvent& editor) {
        editor.lstUsers->ClickCheck(Row(editor, "JSMITH"));
        return PressOk(editor);
    });
    Select(0);
    ASSERT_EQ(ThursdayRows(), 1);
    window.actEventPropertiesExecute();
    EXPECT_EQ(FieldText(Stored(id).AssigneeIds[0]), Bob);
    ASSERT_EQ(MessageTexts().size(), 2);
    EXPECT_EQ(MessageTexts()[1], kHidden);
    EXPECT_EQ(ThursdayRows(), 0);
}

TEST_F(EventMenuTest, DeleteAsksAndDeletesTheEventWithItsAlarms)
{
    const std::string id = AddEntry("Budget", {kMe, Bob}, kMe, true);
    Messages_.Answer(TMessageAnswer::Yes);
    Select(0);
    Window().actEventDeleteExecute();
    EXPECT_EQ(MessageTexts(), QStringList{"Delete event \"Budget\". Are you sure?"});
    EXPECT_EQ(Messages_.Shown().back().Kind, TMessageKind::Confirmation);
    EXPECT_FALSE(Exists(id));
    EXPECT_TRUE(AlarmsOf(id).empty());
    EXPECT_EQ(ThursdayRows(), 0);
}

TEST_F(EventMenuTest, NoToTheDeleteQuestionKeepsTheEvent)
{
    const std::string id = AddEntry("Budget", {kMe});
    Messages_.Answer(TMessageAnswer::No);
    Select(0);
    Window().actEventDeleteExecute();
    EXPECT_TRUE(Exists(id));
}

TEST_F(EventMenuTest, ADeleteRefusedByAnotherConnectionsAlarmLockLeavesTheEvent)
{
    const std::string id = AddEntry("Budget", {kMe, Bob, Carl}, kMe, true);
    const auto alarms = AlarmsOf(id);
    const TRecordLock held(Other->AlarmFile, std::next(alarms.begin())->first);
    Messages_.Answer(TMessageAnswer::Yes);
    Messages_.Answer(TMessageAnswer::Ok);
    Select(0);
    Window().actEventDeleteExecute();
    ASSERT_EQ(MessageTexts().size(), 2);
    EXPECT_EQ(MessageTexts()[1], "Unable to delete alarm. Another user has locked it");
    EXPECT_TRUE(Exists(id));
    EXPECT_EQ(AlarmsOf(id).size(), 3u);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(EventMenuTest, ADeleteOfAnEventAnotherConnectionHoldsGivesItsMessage)
{
    const std::string id = AddEntry("Budget", {kMe});
    const TRecordLock held(Other->DayEntryFile, id);
    Messages_.Answer(TMessageAnswer::Yes);
    Messages_.Answer(TMessageAnswer::Ok);
    Select(0);
    Window().actEventDeleteExecute();
    ASSERT_EQ(MessageTexts().size(), 2);
    EXPECT_EQ(MessageTexts()[1], "Unable to delete event. Another user has locked it");
    EXPECT_TRUE(Exists(id));
}

TEST_F(EventMenuTest, AnEventDeletedElsewhereIsReportedAndItsRowGoes)
{
    const std::vector<std::pair<const char*, std::function<void()>>> commands = {
        {"properties",
         [this] {
             Messages_.Answer(TMessageAnswer::Ok);
             Window().actEventPropertiesExecute();
         }},
        {"delete",
         [this] {
             Messages_.Answer(TMessageAnswer::Yes);
             Messages_.Answer(TMessageAnswer::Ok);
             Window().actEventDeleteExecute();
         }},
    };
    for (const auto& [name, run] : commands) {
        const std::string id = AddEntry("Budget", {kMe}, kMe, true);
        Select(0);
        ASSERT_EQ(TEventCommands(*Other).DeleteEvent(id), TEventResult::Done);
        run();
        EXPECT_EQ(Messages_.Shown().back().Text, kEventGoneText) << name;
        EXPECT_EQ(Messages_.Shown().back().Kind, TMessageKind::Information) << name;
        EXPECT_EQ(ThursdayRows(), 0) << name;
    }
    EXPECT_TRUE(Dialogs_.Runs().empty()) << "the editor never opens on an event that is gone";
}

TEST_F(EventMenuTest, AFailedWriteResetsTheCursor)
{
    ASSERT_TRUE(Window().MainDb()->DayEntryFile.Close());
    Messages_.Answer(TMessageAnswer::Yes);
    AnswerEditor([](TfrmEvent& editor) {
        editor.edtDescription->setText("Dentist");
        return PressOk(editor);
    });
    Window().actEventNewExecute();
    EXPECT_EQ(Messages_.Shown().back().Text,
              "Unable to save event\r\rInvalid dataset reference\r\rThe event opens again with everything you typed.");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(EventMenuTest, ADoubleClickOnTheWeekOpensTheSelectedEventOrANewOne)
{
    AddEntry("Budget", {kMe});
    QStringList captions;
    for (int i = 0; i < 2; ++i)
        AnswerEditor([&captions](TfrmEvent& editor) {
            captions.append(editor.windowTitle());
            return QDialog::Rejected;
        });
    Select(0);
    Week().OnDblClick(&Week());
    Select(-1);
    Week().OnDblClick(&Week());
    EXPECT_EQ(captions, (QStringList{"Event Properties", "New Event"}));

    SetRights(0);
    Week().OnDblClick(&Week());
    EXPECT_EQ(Dialogs_.Runs().size(), 2u) << "nothing is enabled, nothing opens";
}

}  // namespace
