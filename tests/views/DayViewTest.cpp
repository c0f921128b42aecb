#include "ViewFixture.h"

#include "storage/Clock.h"
#include "views/DayView.h"
#include "support/ClockScript.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const QDateTime Monday3March(QDate(2025, 3, 3), QTime(10, 15));

class DayViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Data.Users = {{"0000000001", "ANN"}, {"0000000002", "BOB"}};
        Data.Categories = {{"0000000007", "Meeting"}};
        Data.Add("0000000021", MakeEntry(QDateTime(QDate(2025, 3, 3), QTime(9, 0)), "Dentist", 0, {}, "0000000000",
                                         "0000000002"));
        Data.Add("0000000022", MakeEntry(QDateTime(QDate(2025, 3, 3), QTime(14, 30)), "Review", 0, {"0000000001"}));
        Data.Add("0000000023", MakeEntry(QDateTime(QDate(2025, 3, 4), QTime(9, 0)), "Tuesday only"));
        View.resize(300, 200);
        View.show();
    }

    void SelectRow(int row)
    {
        View.List().setCurrentRow(row);
    }

    TClockScript Clock{Monday3March};
    TDiaryData Data;
    TDayView View;
};

TEST_F(DayViewTest, PropertiesAfterConstruction)
{
    EXPECT_EQ(View.Align(), alNone);
    EXPECT_TRUE(View.Ctl3D());
    EXPECT_FALSE(View.OnDblClick);
    EXPECT_EQ(View.BevelOuter(), bvRaised);
    EXPECT_EQ(View.BevelInner(), bvNone);
    EXPECT_EQ(View.PopupMenu(), nullptr);
    EXPECT_EQ(View.BorderStyle(), bsNone);
    EXPECT_EQ(View.TimeFont().Color(), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(View.ListColor(), QListWidget().palette().color(QPalette::Base));
    EXPECT_TRUE(View.ListCtl3D());
    EXPECT_EQ(View.DateFormat(), "dddd, dd mmm, yy");
    EXPECT_EQ(View.PrivateFont().Color(), QColor(0x00, 0x00, 0x80));
    EXPECT_EQ(View.PrivateFont().Style(), fsBold);
    EXPECT_EQ(View.HeaderColor(), QWidget().palette().color(QPalette::Window));
    EXPECT_TRUE(View.HeaderCtl3D());
    EXPECT_EQ(View.CategoryFont().Color(), QColor(0x00, 0x80, 0x80));
    EXPECT_EQ(View.AssigneeFont().Color(), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(View.DisplayMode(), dmSingle);
    EXPECT_TRUE(View.ShowCategories());
    EXPECT_EQ(View.DescriptionFont().Color(), QColor(0x00, 0x00, 0x80));
    EXPECT_TRUE(View.ShowAlarmGlyphs());
    EXPECT_EQ(View.HeaderAlignment(), taLeftJustify);
    EXPECT_FALSE(View.OnWantUserName);
    EXPECT_EQ(View.ListBorderStyle(), bsSingle);
    EXPECT_TRUE(View.ShowPrivateGlyphs());
    EXPECT_EQ(View.HeaderBevelOuter(), bvNone);
    EXPECT_EQ(View.HeaderBevelInner(), bvNone);
    EXPECT_FALSE(View.OnReceivedFocus);
    EXPECT_EQ(View.HeaderBorderStyle(), bsNone);
    EXPECT_FALSE(View.OnWantDayEntries);
    EXPECT_FALSE(View.OnWantAlarmedFlag);
    EXPECT_FALSE(View.OnWantCategoryDescription);
    EXPECT_EQ(View.Stamp().StampText(), StampTextOf(Monday3March));
    EXPECT_EQ(View.Header().GetDateText(), View.Stamp().DisplayText());
}

TEST_F(DayViewTest, HeaderSitsOnTopAndListFillsTheRestInsideTheBevel)
{
    TDayViewHeader& header = View.Header();
    EXPECT_EQ(header.Align(), alTop);
    EXPECT_EQ(header.Alignment(), taLeftJustify);
    EXPECT_EQ(header.BevelOuter(), bvNone);
    EXPECT_EQ(header.geometry(), QRect(1, 1, 298, 16));
    EXPECT_EQ(View.List().geometry(), QRect(1, 17, 298, 182));
}

TEST_F(DayViewTest, HeaderKeepsTwoSpacesOnTheAlignedSide)
{
    View.SetDateFormat("dddd, dd mmmm, yyyy");
    View.Stamp().SetDateTime(QDateTime(QDate(2025, 3, 3), QTime(8, 0)));
    TDayViewHeader& header = View.Header();
    EXPECT_EQ(header.Caption(), "  Monday, 03 March, 2025");
    View.SetHeaderAlignment(taRightJustify);
    EXPECT_EQ(header.Caption(), "Monday, 03 March, 2025  ");
    EXPECT_EQ(header.GetDateText(), "Monday, 03 March, 2025");
    View.SetHeaderAlignment(taCenter);
    EXPECT_EQ(header.Caption(), "Monday, 03 March, 2025");
    View.SetHeaderAlignment(taLeftJustify);
    EXPECT_EQ(header.Caption(), "  Monday, 03 March, 2025");
}

TEST_F(DayViewTest, TodaysHeaderIsBoldAndOtherDaysHaveNoStyle)
{
    View.Stamp().SetNow();
    EXPECT_TRUE(View.Header().font().bold());
    EXPECT_FALSE(View.List().font().bold());
    View.Stamp().Increment(suDay, 1);
    EXPECT_FALSE(View.Header().font().bold());
    EXPECT_FALSE(View.Header().font().italic());
}

TEST_F(DayViewTest, ReloadAsksOnceForTheDayWithItsMidnightAndShowsOneRowPerEntry)
{
    std::string asked;
    TDayEntries* list = nullptr;
    int entriesWhenAsked = -1;
    Data.Connect(View);
    View.OnWantDayEntries = [&](QObject* Sender, const std::string& DatePkVal, TDayEntries& DayEntries) {
        EXPECT_EQ(Sender, &View);
        asked = DatePkVal;
        list = &DayEntries;
        entriesWhenAsked = DayEntries.EntryCount();
        Data.FillDay(DatePkVal, DayEntries);
    };
    View.Stamp().SetDateTime(QDateTime(QDate(2025, 3, 3), QTime(16, 45)));
    EXPECT_EQ(Data.DayRequests, 1);
    EXPECT_EQ(asked, StampTextOf(QDateTime(QDate(2025, 3, 3), QTime(0, 0))));
    EXPECT_EQ(list, &View.Entries());
    EXPECT_EQ(entriesWhenAsked, 0);
    EXPECT_EQ(View.List().count(), 2);

    View.Reload();
    EXPECT_EQ(Data.DayRequests, 2);
    EXPECT_EQ(View.List().count(), 2);
}

TEST_F(DayViewTest, ConstructionDoesNotAskForEntries)
{
    int asked = 0;
    TDayView view;
    view.OnWantDayEntries = [&](QObject*, const std::string&, TDayEntries&) { ++asked; };
    EXPECT_EQ(asked, 0);
    view.Reload();
    EXPECT_EQ(asked, 1);
}

TEST_F(DayViewTest, WithoutDayHandlerReloadKeepsTheRows)
{
    Data.Connect(View);
    View.Reload();
    ASSERT_EQ(View.List().count(), 2);
    View.OnWantDayEntries = nullptr;
    View.Stamp().Increment(suDay, 1);
    EXPECT_EQ(View.List().count(), 2);
    EXPECT_FALSE(View.Header().font().bold());
}

TEST_F(DayViewTest, SelectionQueriesAnswerForTheSelectedRowOnly)
{
    Data.Connect(View);
    View.Reload();
    EXPECT_EQ(View.SelectedId(), "0000000000");
    EXPECT_EQ(View.SelectedOwnerId(), "0000000000");
    EXPECT_EQ(View.SelectedDescription(), "");
    SelectRow(0);
    EXPECT_EQ(View.SelectedId(), "0000000021");
    EXPECT_EQ(View.SelectedOwnerId(), "0000000002");
    EXPECT_EQ(View.SelectedDescription(), "Dentist");
    SelectRow(1);
    EXPECT_EQ(View.SelectedId(), "0000000022");
    View.Reload();
    EXPECT_EQ(View.SelectedId(), "0000000000");
}

TEST_F(DayViewTest, EmptyDayHasNoSelection)
{
    Data.Connect(View);
    View.Stamp().SetDateTime(QDateTime(QDate(2025, 3, 9), QTime(8, 0)));
    EXPECT_EQ(View.List().count(), 0);
    EXPECT_EQ(View.SelectedId(), "0000000000");
}

TEST_F(DayViewTest, RowsFollowTheEntriesWhenTheDayHandlerFails)
{
    Data.Connect(View);
    View.Reload();
    ASSERT_EQ(View.List().count(), 2);
    View.OnWantDayEntries = [](QObject*, const std::string&, TDayEntries& DayEntries) {
        DayEntries.AddEntry(MakeEntry(QDateTime(QDate(2025, 3, 3), QTime(8, 0)), "First"), "0000000030");
        throw std::runtime_error("Multi-user access");
    };
    EXPECT_THROW(View.Reload(), std::runtime_error);
    EXPECT_EQ(View.List().count(), 1);
    SelectRow(0);
    EXPECT_EQ(View.SelectedId(), "0000000030");
}

TEST_F(DayViewTest, DrawingEventsComeFromTheDayView)
{
    Data.Connect(View);
    Data.Alarmed = {"0000000022"};
    View.Reload();
    Data.Senders.clear();
    Snapshot(View);
    EXPECT_EQ(Data.NameRequests, 1);
    EXPECT_EQ(Data.AlarmRequests, 2);
    ASSERT_FALSE(Data.Senders.empty());
    for (QObject* sender : Data.Senders)
        EXPECT_EQ(sender, &View);
}

TEST_F(DayViewTest, ListFocusIsReportedWithTheDayViewAsSender)
{
    QObject* sender = nullptr;
    View.OnReceivedFocus = [&](QObject* Sender) { sender = Sender; };
    QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(&View.List(), &focusIn);
    EXPECT_EQ(sender, &View);
}

TEST_F(DayViewTest, DoubleClickInTheListDoesNotReachTheDayView)
{
    int clicks = 0;
    View.OnDblClick = [&](QObject*) { ++clicks; };
    const QPoint inList(20, 20);
    QMouseEvent inside(QEvent::MouseButtonDblClick, inList, View.List().viewport()->mapToGlobal(inList),
                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View.List().viewport(), &inside);
    EXPECT_EQ(clicks, 0);
    const QPoint onBevel(0, 100);
    QMouseEvent outside(QEvent::MouseButtonDblClick, onBevel, View.mapToGlobal(onBevel), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&View, &outside);
    EXPECT_EQ(clicks, 1);
}

TEST_F(DayViewTest, DateFormatShowsAtOnceWithoutReloading)
{
    Data.Connect(View);
    View.Stamp().SetDateTime(QDateTime(QDate(2025, 3, 4), QTime(8, 0)));
    const int requests = Data.DayRequests;
    View.SetDateFormat("ddd dd");
    EXPECT_EQ(View.Header().GetDateText(), "Tue 04");
    EXPECT_EQ(Data.DayRequests, requests);
}

TEST_F(DayViewTest, FontPropertiesAreCopiesOfTheListFonts)
{
    TFont font = View.CategoryFont();
    font.SetColor(Qt::magenta);
    font.SetStyle(fsItalic);
    EXPECT_EQ(View.CategoryFont().Color(), QColor(0x00, 0x80, 0x80));
    View.SetCategoryFont(font);
    EXPECT_EQ(View.List().CategoryFont(), font);
    font.SetColor(Qt::black);
    EXPECT_EQ(View.CategoryFont().Color(), QColor(Qt::magenta));
}

TEST_F(DayViewTest, RefusedDateKeepsTheDayAndDoesNotReload)
{
    Data.Connect(View);
    View.Stamp().SetDateTime(QDateTime(QDate(1970, 1, 3), QTime(8, 0)));
    const int requests = Data.DayRequests;
    const std::string before = View.Stamp().StampText();
    EXPECT_THROW(View.Stamp().Increment(suWeek, -1), EStamp);
    EXPECT_EQ(View.Stamp().StampText(), before);
    EXPECT_EQ(Data.DayRequests, requests);
}

}  // namespace
