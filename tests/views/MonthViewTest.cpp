#include "ViewFixture.h"

#include "storage/Clock.h"
#include "views/Glyphs.h"
#include "views/MonthView.h"
#include "support/ClockScript.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <set>

namespace {

const QDateTime Now(QDate(2026, 12, 10), QTime(9, 30));

class MonthViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Data.Connect(View);
        View.OnOpenDay = [this](QObject* sender) { Opened.push_back(sender); };
        View.resize(840, 640);
        View.show();
    }

    void Key(int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&View, &press);
    }

    void Click(int index, QEvent::Type type = QEvent::MouseButtonPress)
    {
        const QPointF at = View.DayRect(index).center();
        QMouseEvent event(type, at, View.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&View, &event);
    }

    TClockScript Clock{Now};
    TDiaryData Data;
    TMonthView View;
    std::vector<QObject*> Opened;
};

// Months of 28 to 31 days, starting on each day of the week: the grid starts
// on the Monday on or before the first, holds the whole month, and asks for
// each of its 42 days by that day's midnight.
TEST_F(MonthViewTest, TheGridHoldsTheMonthFromTheMondayBefore)
{
    struct TCase
    {
        QDate Day;
        QDate FirstShown;
    };
    const TCase cases[] = {
        {QDate(2027, 2, 14), QDate(2027, 2, 1)},    // 28 days from a Monday
        {QDate(2026, 9, 30), QDate(2026, 8, 31)},   // 30 from a Tuesday
        {QDate(2026, 4, 1), QDate(2026, 3, 30)},    // 30 from a Wednesday
        {QDate(2024, 2, 29), QDate(2024, 1, 29)},   // 29 from a Thursday
        {QDate(2026, 5, 31), QDate(2026, 4, 27)},   // 31 from a Friday
        {QDate(2026, 8, 15), QDate(2026, 7, 27)},   // 31 from a Saturday
        {QDate(2026, 3, 31), QDate(2026, 2, 23)},   // 31 from a Sunday: six rows
        {QDate(2026, 2, 1), QDate(2026, 1, 26)},    // 28 from a Sunday
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Day.toString(Qt::ISODate).toStdString());
        Data.Senders.clear();
        Data.DayRequests = 0;
        View.ShowDate(QDateTime(c.Day, QTime(14, 5)));
        EXPECT_EQ(View.FirstDay(), c.FirstShown);
        EXPECT_EQ(View.SelectedDay(), c.Day);
        EXPECT_EQ(View.CurrentDateTime().time(), QTime(14, 5));
        const QDate first(c.Day.year(), c.Day.month(), 1);
        EXPECT_EQ(View.DefaultRange(), std::make_pair(first, first.addDays(c.Day.daysInMonth() - 1)));
        EXPECT_GE(c.FirstShown.addDays(TMonthView::DayCount - 1), View.DefaultRange().second);
        EXPECT_EQ(Data.DayRequests, TMonthView::DayCount);
        EXPECT_EQ(View.Entries(0).Day(), StampTextOf(QDateTime(c.FirstShown, QTime(0, 0))));
        EXPECT_EQ(View.Entries(41).Day(), StampTextOf(QDateTime(c.FirstShown.addDays(41), QTime(0, 0))));
    }
}

// Keys, clicks and Step move the selected day; leaving the month shows the
// new one; a day the stamps refuse is not selected.
TEST_F(MonthViewTest, TheSelectionMovesAcrossMonths)
{
    struct TCase
    {
        QDate From;
        int Key;
        QDate To;
        QDate FirstShown;
    };
    const TCase cases[] = {
        {QDate(2026, 1, 31), Qt::Key_Right, QDate(2026, 2, 1), QDate(2026, 1, 26)},
        {QDate(2026, 3, 1), Qt::Key_Left, QDate(2026, 2, 28), QDate(2026, 1, 26)},
        {QDate(2026, 12, 10), Qt::Key_Down, QDate(2026, 12, 17), QDate(2026, 11, 30)},
        {QDate(2026, 12, 3), Qt::Key_Up, QDate(2026, 11, 26), QDate(2026, 10, 26)},
        {QDate(2026, 1, 31), Qt::Key_PageDown, QDate(2026, 2, 28), QDate(2026, 1, 26)},
        {QDate(2024, 3, 31), Qt::Key_PageUp, QDate(2024, 2, 29), QDate(2024, 1, 29)},
        {QDate(2037, 12, 31), Qt::Key_Right, QDate(2037, 12, 31), QDate(2037, 11, 30)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.From.toString(Qt::ISODate).toStdString());
        View.ShowDate(QDateTime(c.From, QTime(9, 0)));
        Key(c.Key);
        EXPECT_EQ(View.SelectedDay(), c.To);
        EXPECT_EQ(View.FirstDay(), c.FirstShown);
    }

    View.ShowDate(QDateTime(QDate(2026, 3, 31), QTime(9, 0)));
    View.Step(1);
    EXPECT_EQ(View.SelectedDay(), QDate(2026, 4, 30)) << "a month without the 31st ends on its last day";
    View.Step(-2);
    EXPECT_EQ(View.SelectedDay(), QDate(2026, 2, 28));

    Click(0);
    EXPECT_EQ(View.SelectedDay(), QDate(2026, 1, 26)) << "a day of the month before shows that month";
    EXPECT_EQ(View.FirstDay(), QDate(2025, 12, 29));
    EXPECT_TRUE(Opened.empty());
}

// A double-click or Enter opens the selected day; the view names itself.
TEST_F(MonthViewTest, ADoubleClickOrEnterOpensTheDay)
{
    View.ShowDate(Now);
    Click(17, QEvent::MouseButtonDblClick);
    EXPECT_EQ(View.SelectedDay(), QDate(2026, 12, 17));
    Key(Qt::Key_Left);
    Key(Qt::Key_Return);
    ASSERT_EQ(Opened.size(), 2u);
    EXPECT_EQ(Opened[0], &View);
    EXPECT_EQ(View.SelectedDay(), QDate(2026, 12, 16));
    EXPECT_EQ(View.SelectedId(), kNoneId) << "the month selects days, never events";
}

// As many entries as fit, the last line then saying how many more there are.
TEST_F(MonthViewTest, ADayShowsWhatFitsAndCountsTheRest)
{
    struct TCase
    {
        int Entries;
        int ViewHeight;
        int Fitting;
    };
    // 640 high: cells of (640 - title - header) / 6 rows, the day's number on
    // the first line; entries on lines of 16 pixels.
    View.ShowDate(Now);
    const int lines = (View.DayRect(10).height() - TDayViewList::LineHeight - 2) / TDayViewList::LineHeight;
    ASSERT_GE(lines, 3);
    const TCase cases[] = {{0, 640, 0}, {lines, 640, lines}, {lines + 1, 640, lines - 1}, {30, 640, lines - 1}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Entries);
        Data.Days.clear();
        for (int i = 0; i < c.Entries; ++i)
            Data.Add(IdText(100 + i), MakeEntry(QDateTime(QDate(2026, 12, 9), QTime(8, i)), "Meeting " +
                                                                                                std::to_string(i)));
        View.Reload();
        EXPECT_EQ(View.Entries(9).EntryCount(), c.Entries) << "Wednesday 9 December is the grid's tenth day";
        EXPECT_EQ(View.FittingEntries(9), c.Fitting);
    }
}

// The month as a person would see it, saved for looking at: today marked,
// a busy day with "+n more", a category colour, a private entry.
TEST_F(MonthViewTest, SavesAPopulatedMonth)
{
    Data.Users = {{"0000000001", "ANN"}, {"0000000002", "BOB"}};
    Data.Colours = {{"0000000001", QColor(0x1f, 0x6f, 0xb4)}};
    Data.Categories = {{"0000000001", "Meeting"}};
    int id = 100;
    for (int hour = 8; hour < 17; ++hour)
        Data.Add(IdText(++id), MakeEntry(QDateTime(QDate(2026, 12, 8), QTime(hour, 0)), "Interview",
                                         0, {"0000000001"}, "0000000001"));
    Data.Add(IdText(++id), MakeEntry(QDateTime(QDate(2026, 12, 10), QTime(0, 0)), "Office party", efUntimed,
                                     {"0000000001", "0000000002"}));
    Data.Add(IdText(++id), MakeEntry(QDateTime(QDate(2026, 12, 15), QTime(11, 0)), "Doctor", efPrivate,
                                     {"0000000002"}));
    Data.Alarmed = {IdText(id)};
    View.ShowDate(Now);
    const QImage shot = Snapshot(View);
    const QString folder = qEnvironmentVariable("ORBEKO_SCREENSHOT_DIR");
    ASSERT_TRUE(shot.save(QDir(folder.isEmpty() ? QDir::tempPath() : folder).filePath("orbeko-month.png")));
    EXPECT_LT(View.FittingEntries(8), 9);
    EXPECT_FALSE(Blank(shot, View.DayRect(8).adjusted(2, 20, -2, -2), View.palette().color(QPalette::Base)));
}

}  // namespace

namespace {

// An occurrence of a series shows the repeat mark after the time, as in the
// day and week views; the view asks about the entries it draws only.
TEST_F(MonthViewTest, AnOccurrenceShowsTheRepeatMark)
{
    View.ShowDate(Now);
    Data.Add("0000000100", MakeEntry(QDateTime(QDate(2026, 12, 9), QTime(9, 0)), "Staff meeting"));
    Data.Add("0000000101", MakeEntry(QDateTime(QDate(2026, 12, 9), QTime(10, 0)), "Once"));
    std::set<std::string> asked;
    View.OnWantRepeatedFlag = [&asked](QObject*, const std::string& Pk, bool& Repeated) {
        asked.insert(Pk);
        Repeated = Pk == "0000000100";
    };
    View.Reload();
    QImage shot(View.size(), QImage::Format_ARGB32);
    View.render(&shot);
    EXPECT_EQ(asked, (std::set<std::string>{"0000000100", "0000000101"}));
    // The mark is drawn once: in the first entry's line of Wednesday 9 December.
    const QRect day = View.DayRect(9);
    int found = 0;
    for (int y = day.top(); y + TGlyphs::Size <= day.bottom(); ++y)
        for (int x = day.left(); x + TGlyphs::Size <= day.right(); ++x)
            if (GlyphAt(shot, {x, y}, TGlyphs::Repeat(), shot.pixelColor(x, y)))
                ++found;
    EXPECT_EQ(found, 1);
}

}  // namespace
