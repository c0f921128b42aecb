#include "MainWindowFixture.h"
#include "app/frmDate.h"
#include "prefs/FilterRules.h"
#include "storage/Stamp.h"
#include "storage/Clock.h"
#include "views/DayView.h"
#include "views/WeekView.h"
#include "support/ClockScript.h"

#include <QCalendarWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

// 2025-03-06 is a Thursday.
const QDateTime kThursday(QDate(2025, 3, 6), QTime(15, 20));

std::string StampOf(const QDateTime& value)
{
    TStamp stamp;
    stamp.SetDateTime(value);
    return stamp.StampText();
}

class ViewFeedingTest : public TMainWindowFixture
{
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        Clock_ = std::make_unique<TClockScript>(kThursday);
        Window().FormActivate();
        ASSERT_FALSE(Window().Ended());
    }

    std::string AddEntry(const QDateTime& when, const char* text, std::initializer_list<const char*> assignees,
                         int32_t flags = 0)
    {
        TOrbekoDB& db = *Window().MainDb;
        TDayEntryRec entry;
        db.InitDayEntry(entry);
        entry.Flags = flags;
        SetField(entry.EntryStamp, StampOf(when));
        SetField(entry.OwnerId, "0000000001");
        SetField(entry.Description, text);
        int slot = 0;
        for (const char* id : assignees)
            SetField(entry.AssigneeIds[slot++], id);
        EXPECT_TRUE(db.DayEntryFile.Add(entry, ""));
        return db.DayEntryFile.LastKey();
    }

    std::vector<std::string> DayOf(const QDate& date)
    {
        TDayEntries entries;
        Window().wvMainWantDayEntries(nullptr, StampOf(QDateTime(date, QTime(0, 0))), entries);
        std::vector<std::string> texts;
        TDayEntryRec entry;
        for (int i = 0; i < entries.EntryCount(); ++i) {
            entries.GetEntry(i, entry);
            texts.push_back(entry.Description);
        }
        return texts;
    }

    std::unique_ptr<TClockScript> Clock_;
};

TEST_F(ViewFeedingTest, ADayRunsFromItsMidnightUpToTheNext)
{
    const QDate day(2025, 3, 4);
    AddEntry(QDateTime(day, QTime(9, 0)), "nine", {"0000000001"});
    AddEntry(QDateTime(day.addDays(1), QTime(0, 0)), "next midnight", {"0000000001"});
    AddEntry(QDateTime(day, QTime(23, 59, 59)), "last second", {"0000000001"});
    AddEntry(QDateTime(day, QTime(0, 0)), "all day", {"0000000001"}, efUntimed);
    AddEntry(QDateTime(day.addDays(-1), QTime(23, 59, 59)), "day before", {"0000000001"});

    EXPECT_EQ(DayOf(day), (std::vector<std::string>{"all day", "nine", "last second"}));
    EXPECT_EQ(DayOf(day.addDays(1)), std::vector<std::string>{"next midnight"});
    EXPECT_EQ(DayOf(day.addDays(2)), std::vector<std::string>{});
}

TEST_F(ViewFeedingTest, ADayWithoutAnEntryAtMidnightStillListsItsDay)
{
    const QDate day(2025, 3, 5);
    AddEntry(QDateTime(day, QTime(10, 0)), "ten", {"0000000001"});
    AddEntry(QDateTime(day, QTime(8, 0)), "eight", {"0000000001"});
    EXPECT_EQ(DayOf(day), (std::vector<std::string>{"eight", "ten"}));
}

TEST_F(ViewFeedingTest, FilterAndPrivacyDecideWhatIsListed)
{
    const QDate day(2025, 3, 5);
    const std::string other = AddUser("OTHER", "", urAddEntries);
    AddEntry(QDateTime(day, QTime(8, 0)), "mine", {"0000000001"});
    AddEntry(QDateTime(day, QTime(9, 0)), "theirs", {other.c_str()});
    AddEntry(QDateTime(day, QTime(10, 0)), "their secret", {other.c_str()}, efPrivate);

    EXPECT_EQ(DayOf(day), (std::vector<std::string>{"mine", "theirs", "their secret"})) << "administrator";
    Window().ViewRules->Mode = fmJustForMe;
    EXPECT_EQ(DayOf(day), std::vector<std::string>{"mine"});
    Window().ViewRules->Mode = fmAllEvents;
    Window().CurrentUser.Flags = urAddEntries;
    EXPECT_EQ(DayOf(day), (std::vector<std::string>{"mine", "theirs"}));
}

TEST_F(ViewFeedingTest, AnAlarmForOneAssigneeMarksTheEntryForEveryone)
{
    const std::string second = AddUser("SECOND", "", urAddEntries, "Sec");
    const std::string third = AddUser("THIRD", "", urAddEntries, "Thi");
    const std::string alarmed = AddEntry(kThursday, "meeting", {"0000000001", second.c_str(), third.c_str()});
    const std::string quiet = AddEntry(kThursday, "lunch", {"0000000001"});
    TAlarmRec alarm;
    Window().MainDb->InitAlarm(alarm);
    SetField(alarm.EntryId, alarmed);
    SetAlarmUser(alarm, third);
    ASSERT_TRUE(Window().MainDb->AlarmFile.Add(alarm, ""));

    for (const std::string& user : {std::string("0000000001"), second}) {
        Window().CurrentUserId = user;
        bool flag = false;
        Window().wvMainWantAlarmedFlag(nullptr, alarmed, flag);
        EXPECT_TRUE(flag) << user;
        Window().wvMainWantAlarmedFlag(nullptr, quiet, flag);
        EXPECT_FALSE(flag) << user;
    }

    std::string name;
    Window().wvMainWantUserName(nullptr, third, name);
    EXPECT_EQ(name, "Thi") << "a user added after the cache was filled is found";
}

TEST_F(ViewFeedingTest, NamesAndCategoriesComeFromTheCaches)
{
    TCategoryRec category{};
    SetField(category.Description, "Travel");
    ASSERT_TRUE(Window().MainDb->CategoryFile.Add(category, ""));
    const std::string id = Window().MainDb->CategoryFile.LastKey();
    std::string text;
    Window().wvMainWantCategoryDescription(nullptr, id, text);
    EXPECT_EQ(text, "Travel");
    Window().wvMainWantUserName(nullptr, "0000000001", text);
    EXPECT_EQ(text, "JSMITH");
    EXPECT_THROW(Window().wvMainWantUserName(nullptr, "0000000099", text), std::exception);
}

TEST_F(ViewFeedingTest, SwitchingViewsKeepsTheFocusedDay)
{
    TfrmMain& window = Window();
    window.wvMain->ShowWeekOf(kThursday.addDays(14));
    TDayView& thursday = window.wvMain->Days(3);
    thursday.OnReceivedFocus(&thursday);

    window.actToolsViewDay->trigger();
    EXPECT_FALSE(window.WeekViewActive());
    EXPECT_TRUE(window.actToolsViewDay->isChecked());
    EXPECT_FALSE(window.actToolsViewWeek->isChecked());
    EXPECT_EQ(window.dvMain->Stamp().AsDateTime().date(), QDate(2025, 3, 20));

    window.actToolsViewDay->trigger();
    EXPECT_TRUE(window.actToolsViewDay->isChecked()) << "choosing the shown view changes nothing";
    EXPECT_FALSE(window.WeekViewActive());

    window.actToolsViewWeek->trigger();
    EXPECT_TRUE(window.WeekViewActive());
    EXPECT_EQ(window.wvMain->Days(0).Stamp().AsDateTime().date(), QDate(2025, 3, 17));
    EXPECT_TRUE(window.actToolsViewWeek->isChecked());
}

TEST_F(ViewFeedingTest, PreviousAndNextMoveAWeekOrADay)
{
    TfrmMain& window = Window();
    EXPECT_EQ(window.actPrev->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(window.actNext->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    window.actTodayExecute();
    EXPECT_EQ(window.wvMain->Days(0).Stamp().AsDateTime().date(), QDate(2025, 3, 3));
    window.actPrev->trigger();
    EXPECT_EQ(window.wvMain->Days(0).Stamp().AsDateTime().date(), QDate(2025, 2, 24));
    window.actNext->trigger();
    window.actNext->trigger();
    EXPECT_EQ(window.wvMain->Days(0).Stamp().AsDateTime().date(), QDate(2025, 3, 10));

    window.actToolsViewDay->trigger();
    window.actTodayExecute();
    EXPECT_EQ(window.dvMain->Stamp().AsDateTime().date(), QDate(2025, 3, 6));
    window.actPrev->trigger();
    EXPECT_EQ(window.dvMain->Stamp().AsDateTime().date(), QDate(2025, 3, 5));
    EXPECT_EQ(window.actPrev->text(), "&Previous week") << "the caption stays in the day view";
}

TEST_F(ViewFeedingTest, GotoDateMovesTheViewAndGoesBackToTodayOnARefusedDate)
{
    TfrmMain& window = Window();
    Dialogs_.Answer([&window](QDialog&) {
        window.frmDate->calMain->setSelectedDate(QDate(2030, 7, 10));
        EXPECT_EQ(window.wvMain->Days(0).Stamp().AsDateTime().date(), QDate(2030, 7, 8)) << "moved at once";
        EXPECT_THROW(window.frmDate->calMainChange(QDate(1969, 12, 31)), EStamp);
        EXPECT_EQ(window.wvMain->Days(0).Stamp().AsDateTime().date(), QDate(2025, 3, 3));
        EXPECT_EQ(window.frmDate->calMain->selectedDate(), QDate(2025, 3, 6));
        window.frmDate->btnClose->click();
        return int(QDialog::Accepted);
    });
    window.actDateExecute();
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
    EXPECT_EQ(Dialogs_.Runs().at(0).Title, "Goto Date");
}

}  // namespace
