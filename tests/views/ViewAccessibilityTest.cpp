#include "ViewFixture.h"

#include "views/DayViewList.h"
#include "views/MonthView.h"
#include "views/WeekView.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QLocale>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

namespace {

const QDate Monday(2025, 3, 3);

QDateTime At(int day, int hour, int minute)
{
    return QDateTime(Monday.addDays(day), QTime(hour, minute));
}

// Dates are spoken in the workstation's language; these tests read English.
class ViewAccessibilityTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Saved_ = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QAccessible::setActive(true);
        Data.Users = {{"0000000001", "AK"}, {"0000000002", "CM"}, {"0000000003", "JS"}};
        Data.Categories = {{"0000000007", "Meeting"}};
    }
    void TearDown() override { QLocale::setDefault(Saved_); }

    TDiaryData Data;

private:
    QLocale Saved_;
};

TEST_F(ViewAccessibilityTest, ARowSaysWhatItShows)
{
    struct TCase
    {
        const char* Name;
        TDayEntryRec Entry;
        int Day;           // the day listed, after the entry's first
        std::string End;   // the end stamp, if any
        QString Place;
        bool Alarmed;
        bool Repeated;
        QString Spoken;
    };
    const std::vector<TCase> cases = {
        {"timed", MakeEntry(At(0, 9, 5), "Dentist", 0, {"0000000001"}), 0, "", {}, false, false,
         QStringLiteral("09:05 Dentist, AK")},
        {"un-timed", MakeEntry(At(0, 0, 0), "Holiday", efUntimed), 0, "", {}, false, false,
         QStringLiteral("All day Holiday")},
        {"private", MakeEntry(At(0, 14, 30), "Appraisal", efPrivate, {"0000000003"}), 0, "", {}, false, false,
         QStringLiteral("14:30 Appraisal, JS, private")},
        {"alarm", MakeEntry(At(0, 8, 0), "Call supplier"), 0, "", {}, true, false,
         QStringLiteral("08:00 Call supplier, alarm")},
        {"several assignees with a category",
         MakeEntry(At(0, 10, 0), "Team meeting", 0, {"0000000001", "0000000000", "0000000002", "0000000003"},
                   "0000000007"),
         0, StampTextOf(At(0, 11, 30)), {}, false, false,
         QStringLiteral("10:00\u201311:30 Team meeting, AK, CM and JS, category Meeting")},
        {"all marks", MakeEntry(At(0, 10, 0), "Team meeting", efPrivate, {"0000000001", "0000000002"}, "0000000007"),
         0, StampTextOf(At(0, 11, 30)), QStringLiteral("Room 2"), true, false,
         QStringLiteral("10:00\u201311:30 Team meeting (Room 2), AK and CM, category Meeting, private, alarm")},
        {"a span's first day", MakeEntry(At(0, 22, 0), "Trip"), 0, StampTextOf(At(1, 2, 0)), {}, false, false,
         QStringLiteral("From 22:00 Trip")},
        {"a span's last day", MakeEntry(At(0, 22, 0), "Trip"), 1, StampTextOf(At(1, 2, 0)), {}, false, false,
         QStringLiteral("Until 02:00 Trip")},
        {"a span's middle day", MakeEntry(At(0, 22, 0), "Trip"), 1, StampTextOf(At(3, 2, 0)), {}, false, false,
         QStringLiteral("All day Trip")},
        {"an occurrence of a series", MakeEntry(At(0, 9, 0), "Stand-up", 0, {"0000000001"}), 0, "", {}, true, true,
         QStringLiteral("09:00 Stand-up, AK, alarm, repeats")},
    };
    for (const TCase& c : cases) {
        TDayViewList list;
        TDayEntries entries;
        Data.Connect(list);
        std::set<std::string> repeated;
        list.RepeatedFlagCallback = [&repeated](const std::string& pk, bool& flag) { flag = repeated.count(pk) != 0; };
        list.SetEntries(&entries);
        entries.SetDay(StampTextOf(QDateTime(Monday.addDays(c.Day), QTime(0, 0))));
        TEventDetails details;
        details.EndStamp = c.End;
        details.Place = c.Place;
        entries.AddEntry(c.Entry, "0000000010", details);
        Data.Alarmed.clear();
        if (c.Alarmed)
            Data.Alarmed.insert("0000000010");
        if (c.Repeated)
            repeated.insert("0000000010");
        list.ResetRows(entries.EntryCount());
        EXPECT_EQ(list.item(0)->data(Qt::AccessibleTextRole).toString(), c.Spoken) << c.Name;
        // And so the screen reader hears it.
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&list);
        ASSERT_NE(view, nullptr);
        bool heard = false;
        for (int i = 0; i < view->childCount(); ++i)
            heard = heard || view->child(i)->text(QAccessible::Name) == c.Spoken;
        EXPECT_TRUE(heard) << c.Name;
    }
}

TEST_F(ViewAccessibilityTest, TheOptionsThatHideAMarkKeepItOutOfTheWords)
{
    TDayViewList list;
    TDayEntries entries;
    Data.Connect(list);
    list.SetEntries(&entries);
    entries.AddEntry(MakeEntry(At(0, 10, 0), "Review", 0, {}, "0000000007"), "0000000010");
    Data.Alarmed.insert("0000000010");
    list.ResetRows(1);
    struct TCase
    {
        bool Categories;
        bool Alarms;
        QString Spoken;
    };
    const TCase cases[] = {
        {true, true, QStringLiteral("10:00 Review, category Meeting, alarm")},
        {false, true, QStringLiteral("10:00 Review, alarm")},
        {true, false, QStringLiteral("10:00 Review, category Meeting")},
    };
    for (const TCase& c : cases) {
        list.SetShowCategories(c.Categories);
        list.SetShowAlarmGlyphs(c.Alarms);
        EXPECT_EQ(list.SpokenRow(0), c.Spoken);
    }
}

TEST_F(ViewAccessibilityTest, EachDayOfTheWeekIsNamedAfterItsDateAndCount)
{
    Data.Add("0000000010", MakeEntry(At(3, 9, 0), "Stand-up"));
    Data.Add("0000000011", MakeEntry(At(3, 10, 0), "Review"));
    Data.Add("0000000012", MakeEntry(At(0, 10, 0), "Planning"));
    TWeekView week;
    Data.Connect(week);
    week.ShowWeekOf(At(2, 8, 0));
    struct TCase
    {
        int Day;
        QString List;
        QString Header;
    };
    const TCase cases[] = {
        {0, QStringLiteral("Monday 3 March 2025, 1 event"), week.Days(0).Header().GetDateText()},
        {3, QStringLiteral("Thursday 6 March 2025, 2 events"), week.Days(3).Header().GetDateText()},
        {6, QStringLiteral("Sunday 9 March 2025, no events"), week.Days(6).Header().GetDateText()},
    };
    for (const TCase& c : cases) {
        TDayView& day = week.Days(c.Day);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(&day.List())->text(QAccessible::Name), c.List);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(&day)->text(QAccessible::Name), c.List);
        EXPECT_FALSE(c.Header.isEmpty());
        EXPECT_EQ(QAccessible::queryAccessibleInterface(&day.Header())->text(QAccessible::Name), c.Header);
    }
}

TEST_F(ViewAccessibilityTest, TheMonthViewHasOneItemPerDayWithItsEvents)
{
    Data.Add("0000000010", MakeEntry(At(3, 9, 0), "Stand-up", 0, {"0000000001"}));
    Data.Add("0000000011", MakeEntry(At(3, 0, 0), "Holiday", efUntimed));
    TMonthView month;
    Data.Connect(month);
    month.ShowDate(At(3, 8, 0));
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&month);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->text(QAccessible::Name), QStringLiteral("March 2025"));
    ASSERT_EQ(view->childCount(), TMonthView::DayCount);
    const int thursday = static_cast<int>(month.FirstDay().daysTo(Monday.addDays(3)));
    struct TCase
    {
        int Index;
        QString Spoken;
    };
    const TCase cases[] = {
        {thursday, QStringLiteral("Thursday 6 March 2025, 2 events: All day Holiday; 09:00 Stand-up, AK")},
        {thursday + 1, QStringLiteral("Friday 7 March 2025, no events")},
        {0, QStringLiteral("Monday 24 February 2025, no events")},
    };
    for (const TCase& c : cases) {
        QAccessibleInterface* day = view->child(c.Index);
        ASSERT_NE(day, nullptr);
        EXPECT_EQ(day->text(QAccessible::Name), c.Spoken);
        EXPECT_EQ(view->indexOfChild(day), c.Index);
        EXPECT_EQ(day->parent(), view);
        EXPECT_EQ(day->state().selected, c.Index == thursday);
    }
}

TEST_F(ViewAccessibilityTest, AFocusedEmptyDayShowsTheFocusInLightAndDarkColours)
{
    struct TCase
    {
        const char* Name;
        QColor Base;
        QColor Text;
    };
    const TCase cases[] = {
        {"light", QColor(0xFF, 0xFF, 0xFF), QColor(0x00, 0x00, 0x00)},
        {"dark", QColor(0x20, 0x20, 0x20), QColor(0xE0, 0xE0, 0xE0)},
    };
    for (const TCase& c : cases) {
        TDayViewList list;
        TDayEntries entries;
        list.SetEntries(&entries);
        QPalette colours = list.palette();
        colours.setColor(QPalette::Window, c.Base);
        colours.setColor(QPalette::WindowText, c.Text);
        colours.setColor(QPalette::Highlight, c.Base == Qt::white ? QColor(0x30, 0x60, 0xC0) : QColor(0x60, 0xA0, 0xFF));
        list.setPalette(colours);
        list.SetListColor(c.Base);
        list.resize(200, 120);
        list.ResetRows(0);
        list.show();
        list.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&list)) << c.Name;
        list.clearFocus();
        QApplication::processEvents();
        const QImage unfocused = Snapshot(list);
        list.setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        ASSERT_TRUE(list.hasFocus()) << c.Name;
        const QImage focused = Snapshot(list);
        EXPECT_NE(focused, unfocused) << c.Name;
        // The frame stands out from the list's colour.
        const QColor edge = focused.pixelColor(list.viewport()->pos() + QPoint(1, list.viewport()->height() / 2));
        EXPECT_GT(std::abs(edge.lightness() - c.Base.lightness()), 40) << c.Name;
    }
}

}  // namespace
