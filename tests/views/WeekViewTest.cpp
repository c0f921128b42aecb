#include "ViewFixture.h"

#include "storage/Clock.h"
#include "views/WeekView.h"
#include "support/ClockScript.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

// Wednesday of the week of Monday 3 March 2025.
const QDateTime Now(QDate(2025, 3, 5), QTime(10, 15, 30));

class WeekViewTest : public ::testing::Test
{
protected:
    void SetUp() override { View.show(); }

    std::vector<QDate> ShownDates()
    {
        std::vector<QDate> dates;
        for (int i = 0; i < TWeekView::DayCount; ++i)
            dates.push_back(View.Days(i).Stamp().AsDateTime().date());
        return dates;
    }

    std::vector<QDate> WeekFrom(QDate monday)
    {
        std::vector<QDate> dates;
        for (int i = 0; i < TWeekView::DayCount; ++i)
            dates.push_back(monday.addDays(i));
        return dates;
    }

    void Focus(int day)
    {
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(&View.Days(day).List(), &focusIn);
    }

    TClockScript Clock{Now};
    TDiaryData Data;
    TWeekView View;
};

TEST_F(WeekViewTest, ArrangeDaysLaysTheWeekOutInTwoColumns)
{
    struct TCase
    {
        QSize Client;
        std::array<QRect, 7> Days;
    };
    const std::vector<TCase> cases = {
        {{701, 300},
         {QRect(0, 0, 350, 100), QRect(0, 100, 350, 100), QRect(0, 200, 350, 100), QRect(350, 0, 350, 100),
          QRect(350, 100, 350, 100), QRect(350, 200, 350, 50), QRect(350, 250, 350, 50)}},
        {{700, 303},
         {QRect(0, 0, 350, 101), QRect(0, 101, 350, 101), QRect(0, 202, 350, 101), QRect(350, 0, 350, 101),
          QRect(350, 101, 350, 101), QRect(350, 202, 350, 50), QRect(350, 253, 350, 50)}},
        {{640, 481},
         {QRect(0, 0, 320, 160), QRect(0, 160, 320, 160), QRect(0, 320, 320, 160), QRect(320, 0, 320, 160),
          QRect(320, 160, 320, 160), QRect(320, 320, 320, 80), QRect(320, 400, 320, 80)}},
    };
    for (const TCase& c : cases) {
        View.resize(c.Client);
        for (int i = 0; i < TWeekView::DayCount; ++i)
            EXPECT_EQ(View.Days(i).geometry(), c.Days[static_cast<std::size_t>(i)])
                << c.Client.width() << "x" << c.Client.height() << " day " << i;
    }
}

TEST_F(WeekViewTest, ArrangeDaysUsesTheClientAreaInsideABorder)
{
    View.resize(704, 304);
    View.SetBorderStyle(bsSingle);
    View.ArrangeDays();
    EXPECT_EQ(View.Days(0).geometry(), QRect(2, 2, 350, 100));
    EXPECT_EQ(View.Days(6).geometry(), QRect(352, 252, 350, 50));
}

TEST_F(WeekViewTest, ConstructionShowsThisWeekAtTheTimeOfNow)
{
    EXPECT_EQ(ShownDates(), WeekFrom(QDate(2025, 3, 3)));
    EXPECT_EQ(View.Days(0).Stamp().Hour(), 10);
    EXPECT_EQ(View.Days(0).Stamp().Minute(), 15);
    EXPECT_EQ(View.CurrentDay(), nullptr);
    EXPECT_EQ(View.BevelOuter(), bvRaised);
}

TEST_F(WeekViewTest, ShowWeekOfStartsOnTheMondayOfTheGivenDay)
{
    struct TCase
    {
        QDateTime Given;
        QDate Monday;
    };
    const std::vector<TCase> cases = {
        {QDateTime(QDate(2025, 3, 16), QTime(9, 0)), QDate(2025, 3, 10)},   // Sunday
        {QDateTime(QDate(2025, 3, 10), QTime(9, 0)), QDate(2025, 3, 10)},   // Monday
        {QDateTime(QDate(2025, 3, 19), QTime(15, 20)), QDate(2025, 3, 17)}, // Wednesday
    };
    for (const TCase& c : cases) {
        View.ShowWeekOf(c.Given);
        EXPECT_EQ(ShownDates(), WeekFrom(c.Monday)) << c.Given.toString().toStdString();
        for (int i = 0; i < TWeekView::DayCount; ++i) {
            EXPECT_EQ(View.Days(i).Stamp().Hour(), c.Given.time().hour());
            EXPECT_EQ(View.Days(i).Stamp().Minute(), c.Given.time().minute());
        }
    }
}

TEST_F(WeekViewTest, ShowWeekOfStopsAtTheFirstDayThatRefuses)
{
    View.ShowWeekOf(QDateTime(QDate(2037, 12, 16), QTime(9, 0)));
    EXPECT_THROW(View.ShowWeekOf(QDateTime(QDate(2037, 12, 30), QTime(9, 0))), EStamp);
    const std::vector<QDate> expected = {QDate(2037, 12, 28), QDate(2037, 12, 29), QDate(2037, 12, 30),
                                         QDate(2037, 12, 31), QDate(2037, 12, 18), QDate(2037, 12, 19),
                                         QDate(2037, 12, 20)};
    EXPECT_EQ(ShownDates(), expected);
}

TEST_F(WeekViewTest, NextAndPreviousWeekMoveEveryDayBySevenDays)
{
    Data.Connect(View);
    View.NextWeek();
    EXPECT_EQ(ShownDates(), WeekFrom(QDate(2025, 3, 10)));
    EXPECT_EQ(Data.DayRequests, 7);
    View.PreviousWeek();
    View.PreviousWeek();
    EXPECT_EQ(ShownDates(), WeekFrom(QDate(2025, 2, 24)));
    EXPECT_EQ(Data.DayRequests, 21);
}

TEST_F(WeekViewTest, NextWeekStopsAtTheFirstDayThatRefuses)
{
    View.ShowWeekOf(QDateTime(QDate(2037, 12, 23), QTime(9, 0)));
    Data.Connect(View);
    EXPECT_THROW(View.NextWeek(), EStamp);
    const std::vector<QDate> expected = {QDate(2037, 12, 28), QDate(2037, 12, 29), QDate(2037, 12, 30),
                                         QDate(2037, 12, 31), QDate(2037, 12, 25), QDate(2037, 12, 26),
                                         QDate(2037, 12, 27)};
    EXPECT_EQ(ShownDates(), expected);
    EXPECT_EQ(Data.DayRequests, 4);
}

TEST_F(WeekViewTest, PreviousWeekRefusedOnMondayMovesNothing)
{
    View.ShowWeekOf(QDateTime(QDate(1970, 1, 8), QTime(0, 0)));
    Data.Connect(View);
    EXPECT_THROW(View.PreviousWeek(), EStamp);
    EXPECT_EQ(ShownDates(), WeekFrom(QDate(1970, 1, 5)));
    EXPECT_EQ(Data.DayRequests, 0);
}

TEST_F(WeekViewTest, CurrentDayFollowsFocusAndAnswersTheQueries)
{
    Data.Add("0000000041", MakeEntry(QDateTime(QDate(2025, 3, 6), QTime(11, 0)), "Board meeting", 0, {},
                                     "0000000000", "0000000003"));
    Data.Connect(View);
    View.Reload();
    EXPECT_EQ(View.SelectedId(), "0000000000");
    EXPECT_EQ(View.SelectedOwnerId(), "0000000000");
    EXPECT_EQ(View.SelectedDescription(), "");
    EXPECT_EQ(View.CurrentDateText(), View.Days(0).Stamp().StampText());
    EXPECT_EQ(View.CurrentSeconds(), View.Days(0).Stamp().Seconds());

    Focus(3);
    EXPECT_EQ(View.CurrentDay(), &View.Days(3));
    EXPECT_EQ(View.CurrentDateText(), View.Days(3).Stamp().StampText());
    EXPECT_EQ(View.SelectedId(), "0000000000");
    View.Days(3).List().setCurrentRow(0);
    EXPECT_EQ(View.SelectedId(), "0000000041");
    EXPECT_EQ(View.SelectedOwnerId(), "0000000003");
    EXPECT_EQ(View.SelectedDescription(), "Board meeting");

    View.NextWeek();
    EXPECT_EQ(View.CurrentDay(), &View.Days(3));
    EXPECT_EQ(View.CurrentDateText(), StampTextOf(QDateTime(QDate(2025, 3, 13), QTime(10, 15, 30))));
    EXPECT_EQ(View.SelectedId(), "0000000000");
}

TEST_F(WeekViewTest, DayRequestsReachTheOwnerWithTheWeekViewAsSender)
{
    std::vector<std::string> asked;
    View.OnWantDayEntries = [&](QObject* Sender, const std::string& DatePkVal, TDayEntries&) {
        EXPECT_EQ(Sender, &View);
        asked.push_back(DatePkVal);
    };
    View.Days(2).Reload();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], StampTextOf(QDateTime(QDate(2025, 3, 5), QTime(0, 0))));
}

TEST_F(WeekViewTest, DrawingRequestsComeFromTheWeekView)
{
    Data.Users = {{"0000000001", "ANN"}};
    Data.Categories = {{"0000000007", "Meeting"}};
    Data.Add("0000000041", MakeEntry(QDateTime(QDate(2025, 3, 6), QTime(11, 0)), "Board meeting", 0,
                                     {"0000000001"}, "0000000007"));
    Data.Connect(View);
    View.resize(700, 480);
    View.Reload();
    Data.Senders.clear();
    Snapshot(View);
    EXPECT_EQ(Data.NameRequests, 1);
    EXPECT_EQ(Data.CategoryRequests, 1);
    EXPECT_EQ(Data.AlarmRequests, 1);
    ASSERT_EQ(Data.Senders.size(), 3u);
    for (QObject* sender : Data.Senders)
        EXPECT_EQ(sender, &View);
}

TEST_F(WeekViewTest, UnassignedEventsAreSkipped)
{
    Data.Add("0000000041", MakeEntry(QDateTime(QDate(2025, 3, 6), QTime(11, 0)), "Board meeting", 0,
                                     {"0000000001"}, "0000000007"));
    View.OnWantDayEntries = [&](QObject*, const std::string& DatePkVal, TDayEntries& DayEntries) {
        Data.FillDay(DatePkVal, DayEntries);
    };
    View.Reload();
    EXPECT_NO_THROW(Snapshot(View));
    EXPECT_EQ(View.Days(3).List().count(), 1);
}

TEST_F(WeekViewTest, PropertiesAreReadFromMondayAndWrittenToEveryDay)
{
    View.SetShowCategories(false);
    View.SetDisplayMode(dmDouble);
    View.SetDayBevelOuter(bvLowered);
    View.SetDayBorderStyle(bsSingle);
    View.SetHeaderAlignment(taCenter);
    View.SetListColor(QColor(0xFF, 0xFF, 0xE0));
    TFont time = View.TimeFont();
    time.SetColor(QColor(0x80, 0x00, 0x80));
    View.SetTimeFont(time);
    for (int i = 0; i < TWeekView::DayCount; ++i) {
        TDayView& day = View.Days(i);
        EXPECT_FALSE(day.ShowCategories());
        EXPECT_EQ(day.DisplayMode(), dmDouble);
        EXPECT_EQ(day.BevelOuter(), bvLowered);
        EXPECT_EQ(day.BorderStyle(), bsSingle);
        EXPECT_EQ(day.HeaderAlignment(), taCenter);
        EXPECT_EQ(day.ListColor(), QColor(0xFF, 0xFF, 0xE0));
        EXPECT_EQ(day.TimeFont(), time);
    }
    View.Days(0).SetShowCategories(true);
    EXPECT_TRUE(View.ShowCategories());
    View.Days(0).SetDisplayMode(dmSingle);
    EXPECT_EQ(View.DisplayMode(), dmSingle);
    EXPECT_EQ(View.Days(6).DisplayMode(), dmDouble);
}

TEST_F(WeekViewTest, EveryDayPropertyRoundTrips)
{
    TFont font;
    font.SetColor(QColor(0x12, 0x34, 0x56));
    font.SetStyle(fsItalic | fsUnderline);
    View.SetDayCtl3D(false);
    View.SetListCtl3D(false);
    View.SetDateFormat("ddd dd");
    View.SetPrivateFont(font);
    View.SetHeaderColor(QColor(0x10, 0x20, 0x30));
    View.SetHeaderCtl3D(false);
    View.SetCategoryFont(font);
    View.SetAssigneeFont(font);
    View.SetDayBevelInner(bvSpace);
    View.SetDescriptionFont(font);
    View.SetShowAlarmGlyphs(false);
    View.SetListBorderStyle(bsNone);
    View.SetShowPrivateGlyphs(false);
    View.SetHeaderBevelOuter(bvRaised);
    View.SetHeaderBevelInner(bvLowered);
    View.SetHeaderBorderStyle(bsSingle);
    for (int i = 0; i < TWeekView::DayCount; ++i) {
        TDayView& day = View.Days(i);
        EXPECT_FALSE(day.Ctl3D());
        EXPECT_FALSE(day.ListCtl3D());
        EXPECT_EQ(day.DateFormat(), "ddd dd");
        EXPECT_EQ(day.PrivateFont(), font);
        EXPECT_EQ(day.HeaderColor(), QColor(0x10, 0x20, 0x30));
        EXPECT_FALSE(day.HeaderCtl3D());
        EXPECT_EQ(day.CategoryFont(), font);
        EXPECT_EQ(day.AssigneeFont(), font);
        EXPECT_EQ(day.BevelInner(), bvSpace);
        EXPECT_EQ(day.DescriptionFont(), font);
        EXPECT_FALSE(day.ShowAlarmGlyphs());
        EXPECT_EQ(day.ListBorderStyle(), bsNone);
        EXPECT_FALSE(day.ShowPrivateGlyphs());
        EXPECT_EQ(day.HeaderBevelOuter(), bvRaised);
        EXPECT_EQ(day.HeaderBevelInner(), bvLowered);
        EXPECT_EQ(day.HeaderBorderStyle(), bsSingle);
    }
    EXPECT_FALSE(View.DayCtl3D());
    EXPECT_FALSE(View.ListCtl3D());
    EXPECT_EQ(View.DateFormat(), "ddd dd");
    EXPECT_EQ(View.PrivateFont(), font);
    EXPECT_EQ(View.HeaderColor(), QColor(0x10, 0x20, 0x30));
    EXPECT_FALSE(View.HeaderCtl3D());
    EXPECT_EQ(View.CategoryFont(), font);
    EXPECT_EQ(View.AssigneeFont(), font);
    EXPECT_EQ(View.DayBevelInner(), bvSpace);
    EXPECT_EQ(View.DescriptionFont(), font);
    EXPECT_FALSE(View.ShowAlarmGlyphs());
    EXPECT_EQ(View.ListBorderStyle(), bsNone);
    EXPECT_FALSE(View.ShowPrivateGlyphs());
    EXPECT_EQ(View.HeaderBevelOuter(), bvRaised);
    EXPECT_EQ(View.HeaderBevelInner(), bvLowered);
    EXPECT_EQ(View.HeaderBorderStyle(), bsSingle);
    EXPECT_EQ(View.Days(3).Header().GetDateText(), "Thu 06");
}

TEST_F(WeekViewTest, RightClickInADayOpensTheWeekViewsPopupMenu)
{
    QMenu menu;
    menu.addAction("New event");
    View.SetPopupMenu(&menu);
    View.resize(700, 480);
    QWidget* list = View.Days(4).List().viewport();
    const QPoint at(30, 30);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->mapToGlobal(at));
    QApplication::sendEvent(list, &event);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

}  // namespace
