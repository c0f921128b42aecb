#include "ViewFixture.h"

#include "support/ClockScript.h"
#include "views/DayView.h"
#include "views/WeekView.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Wednesday 5 March 2025.
const QDateTime kNow(QDate(2025, 3, 5), QTime(10, 15));

// One calendar view driven only through what the main window knows of it.
struct TViewCase
{
    const char* Name;
    std::function<std::unique_ptr<TCalendarView>()> Make;
    // After ShowDate(Sunday 16 March 2025, 15:20): the day the view works at
    // and the range it offers; then one Step forward and two back.
    QDate Current;
    QDate RangeFrom;
    QDate RangeTo;
    QDate AfterStep;
    QDate AfterTwoBack;
    int DayRequestsPerReload;
};

class CalendarViewTest : public ::testing::TestWithParam<TViewCase>
{
protected:
    TClockScript Clock{kNow};
    TDiaryData Data;
};

TEST_P(CalendarViewTest, ShowsStepsAndTellsTheDayItWorksAt)
{
    const TViewCase& c = GetParam();
    const std::unique_ptr<TCalendarView> view = c.Make();
    view->ShowDate(QDateTime(QDate(2025, 3, 16), QTime(15, 20)));
    EXPECT_EQ(view->CurrentDateTime(), QDateTime(c.Current, QTime(15, 20)));
    EXPECT_EQ(view->CurrentDateText(), StampTextOf(QDateTime(c.Current, QTime(15, 20))));
    EXPECT_EQ(view->DefaultRange(), std::make_pair(c.RangeFrom, c.RangeTo));
    view->Step(1);
    EXPECT_EQ(view->CurrentDateTime().date(), c.AfterStep);
    view->Step(-2);
    EXPECT_EQ(view->CurrentDateTime().date(), c.AfterTwoBack);
    EXPECT_THROW(view->ShowDate(QDateTime(QDate(1969, 12, 31), QTime(0, 0))), EStamp);
}

TEST_P(CalendarViewTest, DataEventsReachTheOwnerWithTheViewAsSender)
{
    const TViewCase& c = GetParam();
    const std::unique_ptr<TCalendarView> view = c.Make();
    Data.Users = {{"0000000001", "ANN"}};
    Data.Add("0000000021", MakeEntry(kNow, "Review", 0, {"0000000001"}));
    Data.Connect(*view);
    view->resize(600, 400);
    view->show();
    view->Reload();
    QApplication::processEvents();
    EXPECT_EQ(Data.DayRequests, c.DayRequestsPerReload);
    EXPECT_GT(Data.NameRequests, 0) << "the entry's row was drawn";
    for (QObject* sender : Data.Senders)
        EXPECT_EQ(sender, view.get());
    EXPECT_EQ(view->SelectedId(), "0000000000");
    EXPECT_EQ(view->SelectedOwnerId(), "0000000000");
    EXPECT_EQ(view->SelectedDescription(), "");
}

TEST_P(CalendarViewTest, DisplayOptionsGoInAndComeBack)
{
    const std::unique_ptr<TCalendarView> view = GetParam().Make();
    TDisplayOptions options = view->DisplayOptions();
    options.TimeFont = TFont(QColor(1, 2, 3), fsItalic);
    options.AssigneeFont = TFont(QColor(4, 5, 6), 0);
    options.DisplayMode = dmDouble;
    options.ShowCategories = false;
    options.ShowPrivateGlyphs = false;
    ASSERT_NE(options, view->DisplayOptions());
    view->SetDisplayOptions(options);
    EXPECT_EQ(view->DisplayOptions(), options);
}

INSTANTIATE_TEST_SUITE_P(
    Views, CalendarViewTest,
    ::testing::Values(
        TViewCase{"Day", [] { return std::make_unique<TDayView>(); }, QDate(2025, 3, 16), QDate(2025, 3, 1),
                  QDate(2025, 3, 31), QDate(2025, 3, 17), QDate(2025, 3, 15), 1},
        TViewCase{"Week", [] { return std::make_unique<TWeekView>(); }, QDate(2025, 3, 10), QDate(2025, 3, 10),
                  QDate(2025, 3, 16), QDate(2025, 3, 17), QDate(2025, 3, 3), TWeekView::DayCount}),
    [](const auto& info) { return std::string(info.param.Name); });

// Every day of a week takes the options; the week's own are Monday's.
TEST(WeekDisplayOptionsTest, ReachEveryDay)
{
    TWeekView week;
    TDisplayOptions options = week.DisplayOptions();
    options.PrivateFont = TFont(QColor(7, 8, 9), fsItalic);
    options.ShowAlarmGlyphs = false;
    week.SetDisplayOptions(options);
    for (int day = 0; day < TWeekView::DayCount; ++day)
        EXPECT_EQ(week.Days(day).DisplayOptions(), options) << day;
}

}  // namespace
