#include "MainWindowFixture.h"
#include "app/ViewFeeder.h"
#include "app/frmDate.h"
#include "prefs/FilterRules.h"
#include "series/SeriesStore.h"
#include "storage/Stamp.h"
#include "storage/Clock.h"
#include "support/ChildProcess.h"
#include "views/DayEntries.h"
#include "views/DayView.h"
#include "views/WeekView.h"
#include "support/ClockScript.h"
#include "support/DiaryRecords.h"
#include "support/SessionWithRights.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <optional>

namespace {

// 2025-03-06 is a Thursday.
const QDateTime kThursday(QDate(2025, 3, 6), QTime(15, 20));

const std::string kMe = "0000000001";

// Another workstation adds an event for JSMITH; args: its stamp and its
// description. The registry, and so the database folder, is the parent's.
ORBEKO_CHILD_ROLE(AddEvent)
{
    TScriptedDBShell shell;
    TOrbekoDB db(shell);
    TDayEntryRec entry;
    db.InitDayEntry(entry);
    SetField(entry.EntryStamp, args.at(0));
    SetField(entry.OwnerId, kMe);
    SetField(entry.Description, args.at(1));
    SetField(entry.AssigneeIds[0], kMe);
    return db.DayEntryFile.Add(entry, "") ? 0 : 1;
}

// The feeder of the views over a database whose first user, JSMITH, can
// administer; no window and no login.
class ViewFeederTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db_ = Connect();
        ASSERT_EQ(TDiaryRecords(*Db_).User("JSMITH", "", "JSMITH", urAddEntries | urAdminister | urModifyOthers), kMe);
        ASSERT_TRUE(Session_.LogIn(Db_->UserFile, "JSMITH"));
        Feeder_ = std::make_unique<TViewFeeder>(*Db_, Rules_, Session_);
        Other_ = Connect();
        Others_.emplace(*Other_);
    }

    std::vector<std::string> DayOf(const QDate& date)
    {
        TDayEntries entries;
        Feeder_->DayEntries(StampOf(QDateTime(date, QTime(0, 0))), entries);
        std::vector<std::string> texts;
        TDayEntryRec entry;
        for (int i = 0; i < entries.EntryCount(); ++i) {
            entries.GetEntry(i, entry);
            texts.push_back(entry.Description);
        }
        return texts;
    }

    std::unique_ptr<TOrbekoDB> Db_;
    TFilterRules Rules_;
    TSession Session_;
    std::unique_ptr<TViewFeeder> Feeder_;
    std::unique_ptr<TOrbekoDB> Other_;  // another workstation
    std::optional<TDiaryRecords> Others_;
};

TEST_F(ViewFeederTest, ADayRunsFromItsMidnightUpToTheNext)
{
    const QDate day(2025, 3, 4);
    Others_->Event(StampOf(QDateTime(day, QTime(9, 0))), kMe, {kMe}, "nine");
    Others_->Event(StampOf(QDateTime(day.addDays(1), QTime(0, 0))), kMe, {kMe}, "next midnight");
    Others_->Event(StampOf(QDateTime(day, QTime(23, 59, 59))), kMe, {kMe}, "last second");
    Others_->Event(StampOf(QDateTime(day, QTime(0, 0))), kMe, {kMe}, "all day", efUntimed);
    Others_->Event(StampOf(QDateTime(day.addDays(-1), QTime(23, 59, 59))), kMe, {kMe}, "day before");

    EXPECT_EQ(DayOf(day), (std::vector<std::string>{"all day", "nine", "last second"}));
    EXPECT_EQ(DayOf(day.addDays(1)), std::vector<std::string>{"next midnight"});
    EXPECT_EQ(DayOf(day.addDays(2)), std::vector<std::string>{});
}

// The repeat mark follows what other workstations do to a series, at the
// next read of the day, and an older diary without a details file has none.
TEST_F(ViewFeederTest, TheRepeatMarkFollowsTheSeriesAtTheNextRead)
{
    const QDate monday(2025, 3, 3);
    const std::string single = Others_->Event(StampOf(QDateTime(monday, QTime(8, 0))), kMe, {kMe}, "single");
    TDayEntries entries;
    const auto read = [&] {
        entries.ClearEntries();
        Feeder_->DayEntries(StampOf(QDateTime(monday, QTime(0, 0))), entries);
    };
    read();
    EXPECT_FALSE(Feeder_->Repeated(single)) << "no details file yet";

    TSeries series;
    series.RRule = "FREQ=WEEKLY";
    Other_->InitDayEntry(series.Template);
    SetField(series.Template.EntryStamp, StampOf(QDateTime(monday, QTime(9, 0))));
    SetField(series.Template.OwnerId, kMe);
    SetField(series.Template.AssigneeIds[0], kMe);
    SetField(series.Template.Description, "staff meeting");
    const int64_t now = IdValue(StampOf(QDateTime(monday, QTime(7, 0))));
    const std::string id = TSeriesStore(*Other_, now).Create(series);
    read();
    ASSERT_EQ(entries.EntryCount(), 2);
    const std::string occurrence = entries.GetEntryId(1);
    EXPECT_TRUE(Feeder_->Repeated(occurrence));
    EXPECT_FALSE(Feeder_->Repeated(single));

    ASSERT_EQ(TSeriesStore(*Other_, now).Dissolve(id), TSeriesStore::TResult::Done);
    EXPECT_TRUE(Feeder_->Repeated(occurrence)) << "kept until the day is read again";
    read();
    EXPECT_FALSE(Feeder_->Repeated(occurrence));
}

TEST_F(ViewFeederTest, ADayWithoutAnEntryAtMidnightStillListsItsDay)
{
    const QDate day(2025, 3, 5);
    Others_->Event(StampOf(QDateTime(day, QTime(10, 0))), kMe, {kMe}, "ten");
    Others_->Event(StampOf(QDateTime(day, QTime(8, 0))), kMe, {kMe}, "eight");
    EXPECT_EQ(DayOf(day), (std::vector<std::string>{"eight", "ten"}));
}

TEST_F(ViewFeederTest, FilterAndPrivacyDecideWhatIsListed)
{
    const QDate day(2025, 3, 5);
    const std::string other = Others_->User("OTHER", "", "OTHER", urAddEntries);
    Others_->Event(StampOf(QDateTime(day, QTime(8, 0))), kMe, {kMe}, "mine");
    Others_->Event(StampOf(QDateTime(day, QTime(9, 0))), kMe, {other}, "theirs");
    Others_->Event(StampOf(QDateTime(day, QTime(10, 0))), kMe, {other}, "their secret", efPrivate);

    EXPECT_EQ(DayOf(day), (std::vector<std::string>{"mine", "theirs", "their secret"})) << "administrator";
    Rules_.Mode = fmJustForMe;
    EXPECT_EQ(DayOf(day), std::vector<std::string>{"mine"});
    Rules_.Mode = fmAllEvents;
    Session_ = SessionWithRights(kMe, urAddEntries);
    EXPECT_EQ(DayOf(day), (std::vector<std::string>{"mine", "theirs"}));
}

TEST_F(ViewFeederTest, AnEventOverSeveralDaysIsListedOnEachDayItCoversAndNoOther)
{
    const QDate monday(2025, 3, 3);
    const auto at = [&](int day, int hour) { return StampOf(QDateTime(monday.addDays(day), QTime(hour, 0))); };
    const auto spanning = [&](int day, int hour, const std::string& end, const std::string& text,
                              int32_t flags = 0) {
        TDayEntryRec entry;
        const std::string id = Others_->Event(at(day, hour), kMe, {kMe}, text, flags);
        EXPECT_TRUE(Other_->DayEntryFile.GetEqual(entry, TOrbekoDB::DayEntryIdKey, id));
        TEventDetails details;
        details.EndStamp = end;
        details.Place = QStringLiteral("Leeds");
        Other_->Details.WriteEvent(id, entry, details, nullptr);
    };
    // Friday to the Tuesday after, all day, and Sunday night to Monday morning.
    spanning(4, 0, at(9, 0), "trip", efUntimed);
    spanning(6, 22, at(7, 6), "night train");
    Others_->Event(at(5, 10), kMe, {kMe}, "saturday");
    const std::vector<std::vector<std::string>> expected = {
        {}, {}, {}, {}, {"trip"}, {"trip", "saturday"}, {"trip", "night train"}, {"trip", "night train"},
        {"trip"}, {},
    };
    for (int day = 0; day < static_cast<int>(expected.size()); ++day)
        EXPECT_EQ(DayOf(monday.addDays(day)), expected[day]) << "day " << day;

    TDayEntries entries;
    Feeder_->DayEntries(StampOf(QDateTime(monday.addDays(7), QTime(0, 0))), entries);
    ASSERT_EQ(entries.EntryCount(), 2);
    for (int i = 0; i < entries.EntryCount(); ++i)
        EXPECT_EQ(entries.GetDetails(i).Place, QStringLiteral("Leeds")) << i;

    // Privacy and the filter hide a covering event as they hide any.
    Rules_.Mode = fmJustForMe;
    Session_ = SessionWithRights("0000000099", urAddEntries);
    EXPECT_EQ(DayOf(monday.addDays(5)), std::vector<std::string>{});
}

TEST_F(ViewFeederTest, AnAlarmForOneAssigneeMarksTheEntryForEveryoneAsLongAsItIsThere)
{
    const std::string second = Others_->User("SECOND", "", "SECOND", urAddEntries);
    const std::string third = Others_->User("THIRD", "", "THIRD", urAddEntries);
    const std::string alarmed = Others_->Event(StampOf(kThursday), kMe, {kMe, second, third}, "meeting");
    const std::string quiet = Others_->Event(StampOf(kThursday), kMe, {kMe}, "lunch");
    EXPECT_FALSE(Feeder_->Alarmed(alarmed)) << "no alarm yet";
    Others_->Alarm(alarmed, third, "", 0);

    for (const std::string& user : {kMe, second}) {
        Session_ = SessionWithRights(user, urAddEntries);
        EXPECT_TRUE(Feeder_->Alarmed(alarmed)) << user;
        EXPECT_FALSE(Feeder_->Alarmed(quiet)) << user;
    }
    ASSERT_TRUE(Other_->AlarmFile.Delete(Other_->AlarmFile.LastKey()));
    EXPECT_FALSE(Feeder_->Alarmed(alarmed)) << "switched off on another workstation";
    EXPECT_EQ(Feeder_->UserName(third), "THIRD") << "a user added after the cache was filled is found";
}

TEST_F(ViewFeederTest, NamesAndCategoriesComeFromTheCaches)
{
    EXPECT_EQ(Feeder_->CategoryDescription(Others_->Category("Travel")), "Travel");
    EXPECT_EQ(Feeder_->UserName(kMe), "JSMITH");
    EXPECT_THROW(Feeder_->UserName("0000000099"), EOrbekoCache);
}

TEST_F(ViewFeederTest, DataMovesWithWritesToTheEntriesOrTheAlarms)
{
    EXPECT_FALSE(Feeder_->DataMoved());
    Others_->User("SECOND", "", "SECOND", urAddEntries);
    EXPECT_FALSE(Feeder_->DataMoved()) << "users are not shown rows";
    const std::string id = Others_->Event(StampOf(kThursday), kMe, {kMe}, "meeting");
    EXPECT_TRUE(Feeder_->DataMoved());
    EXPECT_FALSE(Feeder_->DataMoved()) << "told once";
    Others_->Alarm(id, kMe, "", 0);
    EXPECT_TRUE(Feeder_->DataMoved());
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

    std::unique_ptr<TClockScript> Clock_;
};

TEST_F(ViewFeedingTest, SwitchingViewsKeepsTheFocusedDay)
{
    TfrmMain& window = Window();
    Week().ShowWeekOf(kThursday.addDays(14));
    TDayView& thursday = Week().Days(3);
    thursday.OnReceivedFocus(&thursday);

    Action("actToolsViewDay").trigger();
    EXPECT_EQ(&window.ActiveView(), &Day());
    EXPECT_TRUE(Action("actToolsViewDay").isChecked());
    EXPECT_FALSE(Action("actToolsViewWeek").isChecked());
    EXPECT_EQ(Day().Stamp().AsDateTime().date(), QDate(2025, 3, 20));

    Action("actToolsViewDay").trigger();
    EXPECT_TRUE(Action("actToolsViewDay").isChecked()) << "choosing the shown view changes nothing";
    EXPECT_EQ(&window.ActiveView(), &Day());

    Action("actToolsViewWeek").trigger();
    EXPECT_EQ(&window.ActiveView(), &Week());
    EXPECT_EQ(Week().Days(0).Stamp().AsDateTime().date(), QDate(2025, 3, 17));
    EXPECT_TRUE(Action("actToolsViewWeek").isChecked());
}

// The month takes over the day worked at, is fed like the others, and opens
// a day in the day view.
TEST_F(ViewFeedingTest, TheMonthViewIsFedAndOpensADay)
{
    TfrmMain& window = Window();
    const QDate worked = Week().CurrentDateTime().date();
    Action("actToolsViewMonth").trigger();
    ASSERT_EQ(&window.ActiveView(), &Month());
    EXPECT_TRUE(Action("actToolsViewMonth").isChecked());
    EXPECT_FALSE(Action("actToolsViewWeek").isChecked());
    EXPECT_EQ(Month().SelectedDay(), worked);
    EXPECT_EQ(Month().DisplayOptions(), Week().DisplayOptions());
    Action("actNext").trigger();
    EXPECT_EQ(Month().SelectedDay(), worked.addMonths(1));

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&Month(), &enter);
    EXPECT_EQ(&window.ActiveView(), &Day());
    EXPECT_TRUE(Action("actToolsViewDay").isChecked());
    EXPECT_EQ(Day().Stamp().AsDateTime().date(), worked.addMonths(1));
}

TEST_F(ViewFeedingTest, PreviousAndNextMoveAWeekOrADay)
{
    TfrmMain& window = Window();
    EXPECT_EQ(Action("actPrev").shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(Action("actNext").shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    window.actTodayExecute();
    EXPECT_EQ(Week().Days(0).Stamp().AsDateTime().date(), QDate(2025, 3, 3));
    Action("actPrev").trigger();
    EXPECT_EQ(Week().Days(0).Stamp().AsDateTime().date(), QDate(2025, 2, 24));
    Action("actNext").trigger();
    Action("actNext").trigger();
    EXPECT_EQ(Week().Days(0).Stamp().AsDateTime().date(), QDate(2025, 3, 10));

    Action("actToolsViewDay").trigger();
    window.actTodayExecute();
    EXPECT_EQ(Day().Stamp().AsDateTime().date(), QDate(2025, 3, 6));
    Action("actPrev").trigger();
    EXPECT_EQ(Day().Stamp().AsDateTime().date(), QDate(2025, 3, 5));
    EXPECT_EQ(Action("actPrev").text(), "&Previous week") << "the caption stays in the day view";
}

TEST_F(ViewFeedingTest, GotoDateMovesTheViewAndGoesBackToTodayOnARefusedDate)
{
    TfrmMain& window = Window();
    Dialogs_.Answer([this](QDialog& dialog) {
        auto& date = static_cast<TfrmDate&>(dialog);
        date.calMain->setSelectedDate(QDate(2030, 7, 10));
        EXPECT_EQ(Week().Days(0).Stamp().AsDateTime().date(), QDate(2030, 7, 8)) << "moved at once";
        EXPECT_THROW(date.calMainChange(QDate(1969, 12, 31)), EStamp);
        EXPECT_EQ(Week().Days(0).Stamp().AsDateTime().date(), QDate(2025, 3, 3));
        EXPECT_EQ(date.calMain->selectedDate(), QDate(2025, 3, 6));
        date.btnClose->click();
        return int(QDialog::Accepted);
    });
    window.actDateExecute();
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
    EXPECT_EQ(Dialogs_.Runs().at(0).Title, "Goto Date");
}

TEST_F(ViewFeedingTest, AnotherWorkstationsAddShowsAtTheNextTickWithSelectionAndScrollKept)
{
    TfrmMain& window = Window();
    // Shown, so that the days are laid out and a long day scrolls.
    window.show();
    QApplication::processEvents();
    auto other = Connect();
    std::string selected;
    for (int hour = 9; hour < 23; ++hour)
        for (int minute : {0, 30}) {
            const std::string id = TDiaryRecords(*other).Event(
                StampOf(QDateTime(kThursday.date(), QTime(hour, minute))), kMe, {kMe}, "talk");
            if (hour == 20 && minute == 0)
                selected = id;
        }
    window.tmrMainTimer();
    TDayView& thursday = Week().Days(3);
    ASSERT_EQ(thursday.Entries().EntryCount(), 28);
    thursday.OnReceivedFocus(&thursday);
    thursday.List().setCurrentRow(22);
    ASSERT_EQ(Week().SelectedId(), selected);
    QScrollBar& scroll = *thursday.List().verticalScrollBar();
    ASSERT_GT(scroll.maximum(), 2) << "the day must scroll for this test";
    scroll.setValue(scroll.maximum() / 2);
    const int scrolled = scroll.value();

    int dayReads = 0;
    const TWantDayEntriesEvent feed = Week().OnWantDayEntries;
    Week().OnWantDayEntries = [&](QObject* sender, const std::string& day, TDayEntries& entries) {
        ++dayReads;
        feed(sender, day, entries);
    };
    window.tmrMainTimer();
    EXPECT_EQ(dayReads, 0) << "nothing written, nothing read";

    TChildProcess child("AddEvent", {StampOf(QDateTime(kThursday.date(), QTime(8, 0))), "early"});
    ASSERT_EQ(child.Wait(), 0);
    window.tmrMainTimer();
    EXPECT_EQ(dayReads, 7);
    EXPECT_EQ(thursday.Entries().EntryCount(), 29) << "shown within one tick";
    EXPECT_EQ(Week().SelectedId(), selected) << "the selection follows its entry to the next row";
    EXPECT_EQ(thursday.List().currentRow(), 23);
    EXPECT_EQ(scroll.value(), scrolled);
}

}  // namespace
