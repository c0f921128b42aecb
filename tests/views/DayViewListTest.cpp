#include "ViewFixture.h"

#include "views/DayViewList.h"
#include "views/Glyphs.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const QDate Day(2025, 3, 3);

QDateTime At(int hour, int minute)
{
    return QDateTime(Day, QTime(hour, minute));
}

class DayViewListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Data.Users = {{"0000000001", "ANN"}, {"0000000002", "BOB"}};
        Data.Categories = {{"0000000007", "Meeting"}};
        Data.Connect(List);
        List.SetEntries(&Entries);
        List.resize(420, 240);
    }

    void Show(const std::vector<TDayEntryRec>& entries)
    {
        int id = 10;
        for (const TDayEntryRec& entry : entries)
            Entries.AddEntry(entry, IdText(id++));
        List.ResetRows(Entries.EntryCount());
    }

    // Row i in the list's own coordinates, as a snapshot shows it.
    QRect Row(int index)
    {
        List.doItemsLayout();
        return List.visualItemRect(List.item(index)).translated(List.viewport()->pos());
    }

    int Width(const TFont& font, const QString& text) const
    {
        return QFontMetrics(font.QtFont()).horizontalAdvance(text);
    }

    void Click(Qt::MouseButton button, QPoint at)
    {
        QMouseEvent press(QEvent::MouseButtonPress, at, List.viewport()->mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(List.viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, List.viewport()->mapToGlobal(at), button,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(List.viewport(), &release);
    }

    TDayEntries Entries;
    TDiaryData Data;
    TDayViewList List;
};

TEST_F(DayViewListTest, StartsWithTheDocumentedFontsAndOptions)
{
    EXPECT_EQ(List.TimeFont().Color(), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(List.TimeFont().Style(), 0);
    EXPECT_EQ(List.PrivateFont().Color(), QColor(0x00, 0x00, 0x80));
    EXPECT_EQ(List.PrivateFont().Style(), fsBold);
    EXPECT_EQ(List.AssigneeFont().Color(), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(List.CategoryFont().Color(), QColor(0x00, 0x80, 0x80));
    EXPECT_EQ(List.DescriptionFont().Color(), QColor(0x00, 0x00, 0x80));
    EXPECT_EQ(List.DescriptionFont().Style(), 0);
    EXPECT_EQ(List.DescriptionFont().QtFont().pointSize(), 8);
    EXPECT_TRUE(List.ShowCategories());
    EXPECT_TRUE(List.ShowAlarmGlyphs());
    EXPECT_TRUE(List.ShowPrivateGlyphs());
    EXPECT_EQ(List.DisplayMode(), dmSingle);
    EXPECT_EQ(List.BorderStyle(), bsSingle);
    EXPECT_TRUE(List.Ctl3D());
    EXPECT_EQ(List.SelectedRow(), -1);
}

TEST_F(DayViewListTest, TimeColumnShowsHourAndMinuteOrDay)
{
    struct TCase
    {
        TDayEntryRec Entry;
        QString Shown;
    };
    const std::vector<TCase> cases = {
        {MakeEntry(At(9, 5), "Dentist"), "09:05"},
        {MakeEntry(At(14, 30), "Review"), "14:30"},
        {MakeEntry(At(0, 0), "Night shift"), "00:00"},
        {MakeEntry(At(0, 0), "Holiday", efUntimed), "Day"},
    };
    for (const TCase& c : cases) {
        Entries.ClearEntries();
        Show({c.Entry});
        const QImage shot = Snapshot(List);
        const QRect row = Row(0);
        EXPECT_EQ(row.height(), TDayViewList::LineHeight);
        EXPECT_TRUE(TextAt(shot, row.topLeft() + QPoint(1, 1), List.TimeFont(), c.Shown, List.ListColor()))
            << c.Shown.toStdString();
    }
}

TEST_F(DayViewListTest, AnEventWithAnEndShowsItsSpanOnEachDayItCovers)
{
    const auto stamp = [](int day, int hour, int minute) { return StampTextOf(At(hour, minute).addDays(day)); };
    struct TCase
    {
        int Day;  // the day shown, after the first
        QDateTime Start;
        std::string End;
        int32_t Flags;
        QString Shown;
    };
    const std::vector<TCase> cases = {
        {0, At(10, 0), stamp(0, 11, 30), 0, QStringLiteral("10:00\u201311:30")},
        {0, At(10, 0), "", 0, QStringLiteral("10:00")},
        {0, At(10, 0), stamp(0, 10, 0), 0, QStringLiteral("10:00")},
        {0, At(22, 0), stamp(1, 2, 0), 0, QStringLiteral("22:00\u2013")},
        {1, At(22, 0), stamp(1, 2, 0), 0, QStringLiteral("\u201302:00")},
        {1, At(22, 0), stamp(3, 2, 0), 0, QStringLiteral("Day")},
        {0, At(22, 0), stamp(1, 0, 0), 0, QStringLiteral("22:00\u201300:00")},
        {2, At(0, 0), stamp(3, 0, 0), efUntimed, QStringLiteral("Day")},
    };
    for (const TCase& c : cases) {
        const TDayEntryRec entry = MakeEntry(c.Start, "Trip", c.Flags);
        TEventDetails details;
        details.EndStamp = c.End;
        EXPECT_EQ(TDayViewList::TimeText(entry, details, StampTextOf(QDateTime(Day.addDays(c.Day), QTime(0, 0)))),
                  c.Shown)
            << c.Shown.toStdString();
    }

    // A day with a span widens the time column for all its rows.
    Entries.ClearEntries();
    TEventDetails span;
    span.EndStamp = stamp(0, 11, 30);
    span.Place = QStringLiteral("Room 2");
    Entries.SetDay(StampTextOf(QDateTime(Day, QTime(0, 0))));
    Entries.AddEntry(MakeEntry(At(10, 0), "Standup", 0, {}, "0000000007"), "0000000010", span);
    List.ResetRows(Entries.EntryCount());
    List.CategoryColourCallback = [](const std::string&, QColor& colour) { colour = QColor(0xC0, 0x30, 0x30); };
    const QImage shot = Snapshot(List);
    const QRect row = Row(0);
    const int left = row.left() + List.TimeWidth();
    EXPECT_GT(List.TimeWidth(), TDayViewList::TimeColumn);
    EXPECT_TRUE(TextAt(shot, row.topLeft() + QPoint(1, 1), List.TimeFont(), QStringLiteral("10:00\u201311:30"),
                       List.ListColor()));
    const QString described = QStringLiteral("Standup (Room 2)");
    EXPECT_TRUE(TextAt(shot, {left, row.top() + 1}, List.DescriptionFont(), described, List.ListColor()));
    TFont own = List.CategoryFont();
    own.SetColor(QColor(0xC0, 0x30, 0x30));
    const int category = left + Width(List.DescriptionFont(), described) + 5 + 5;
    EXPECT_TRUE(TextAt(shot, {category, row.top() + 1}, own, "Meeting", List.ListColor()));
}

TEST_F(DayViewListTest, AssigneesAreJoinedWithOneCommaAcrossEmptySlots)
{
    Show({MakeEntry(At(10, 0), "Lunch", 0, {"0000000001", "0000000000", "0000000002"})});
    const QImage shot = Snapshot(List);
    const QRect row = Row(0);
    const int description = row.left() + 35;
    EXPECT_TRUE(TextAt(shot, {description, row.top() + 1}, List.DescriptionFont(), "Lunch", List.ListColor()));
    const int assignees = description + Width(List.DescriptionFont(), "Lunch") + 5;
    EXPECT_TRUE(TextAt(shot, {assignees, row.top() + 1}, List.AssigneeFont(), "ANN, BOB", List.ListColor()));
    EXPECT_EQ(Data.NameRequests, 2);
}

TEST_F(DayViewListTest, PrivateAlarmedEntryHasPadlockThenClockThenDescription)
{
    Show({MakeEntry(At(9, 0), "Appraisal", efPrivate)});
    Data.Alarmed = {"0000000010"};
    const QImage shot = Snapshot(List);
    const QRect row = Row(0);
    const int left = row.left();
    EXPECT_TRUE(GlyphAt(shot, {left + 35, row.top()}, TGlyphs::Private(), List.ListColor()));
    EXPECT_TRUE(GlyphAt(shot, {left + 51, row.top()}, TGlyphs::Alarm(), List.ListColor()));
    EXPECT_TRUE(TextAt(shot, {left + 67, row.top() + 1}, List.PrivateFont(), "Appraisal", List.ListColor()));
    EXPECT_FALSE(TextAt(shot, {left + 67, row.top() + 1}, List.DescriptionFont(), "Appraisal", List.ListColor()));
}

TEST_F(DayViewListTest, CategoryFollowsTenPixelsAfterDescriptionWithoutAssignees)
{
    Show({MakeEntry(At(11, 0), "Standup", 0, {}, "0000000007")});
    const QImage shot = Snapshot(List);
    const QRect row = Row(0);
    const int category = row.left() + 35 + Width(List.DescriptionFont(), "Standup") + 10;
    EXPECT_TRUE(TextAt(shot, {row.left() + 35, row.top() + 1}, List.DescriptionFont(), "Standup", List.ListColor()));
    EXPECT_TRUE(TextAt(shot, {category, row.top() + 1}, List.CategoryFont(), "Meeting", List.ListColor()));
    EXPECT_EQ(Data.CategoryRequests, 1);
}

TEST_F(DayViewListTest, AlarmOptionOffAsksNothingAndDrawsNoClock)
{
    Show({MakeEntry(At(9, 0), "Call supplier")});
    Data.Alarmed = {"0000000010"};
    List.SetShowAlarmGlyphs(false);
    const QImage shot = Snapshot(List);
    const QRect row = Row(0);
    EXPECT_EQ(Data.AlarmRequests, 0);
    EXPECT_TRUE(TextAt(shot, {row.left() + 35, row.top() + 1}, List.DescriptionFont(), "Call supplier",
                       List.ListColor()));

    List.SetShowAlarmGlyphs(true);
    const QImage alarmed = Snapshot(List);
    EXPECT_GT(Data.AlarmRequests, 0);
    EXPECT_TRUE(GlyphAt(alarmed, {row.left() + 35, row.top()}, TGlyphs::Alarm(), List.ListColor()));
}

TEST_F(DayViewListTest, CategoryOptionOffAsksNothingAndDrawsNoCategory)
{
    Show({MakeEntry(At(11, 0), "Standup", 0, {}, "0000000007")});
    List.SetShowCategories(false);
    const QImage shot = Snapshot(List);
    const QRect row = Row(0);
    EXPECT_EQ(Data.CategoryRequests, 0);
    const int after = row.left() + 35 + Width(List.DescriptionFont(), "Standup") + 2;
    EXPECT_TRUE(Blank(shot, QRect(QPoint(after, row.top()), QPoint(row.right(), row.bottom())), List.ListColor()));
}

TEST_F(DayViewListTest, PrivateOptionOffDrawsNoPadlockButKeepsPrivateFont)
{
    Show({MakeEntry(At(9, 0), "Appraisal", efPrivate)});
    List.SetShowPrivateGlyphs(false);
    const QImage shot = Snapshot(List);
    const QRect row = Row(0);
    EXPECT_TRUE(TextAt(shot, {row.left() + 35, row.top() + 1}, List.PrivateFont(), "Appraisal", List.ListColor()));
}

TEST_F(DayViewListTest, UnassignedCallbacksGiveNoNamesNoCategoryNoClock)
{
    TDayViewList bare;
    bare.SetEntries(&Entries);
    bare.resize(420, 100);
    Entries.AddEntry(MakeEntry(At(8, 0), "Plain", 0, {"0000000001"}, "0000000007"), "0000000010");
    bare.ResetRows(1);
    const QImage shot = Snapshot(bare);
    const QRect row = bare.visualItemRect(bare.item(0)).translated(bare.viewport()->pos());
    const int after = row.left() + 35 + Width(bare.DescriptionFont(), "Plain") + 2;
    EXPECT_TRUE(TextAt(shot, {row.left() + 35, row.top() + 1}, bare.DescriptionFont(), "Plain", bare.ListColor()));
    EXPECT_TRUE(Blank(shot, QRect(QPoint(after, row.top()), QPoint(row.right(), row.bottom())), bare.ListColor()));
}

TEST_F(DayViewListTest, SelectedRowIsNotFilled)
{
    Show({MakeEntry(At(9, 0), "One"), MakeEntry(At(10, 0), "Two")});
    List.setCurrentRow(1);
    ASSERT_EQ(List.SelectedRow(), 1);
    const QImage selected = Snapshot(List);
    List.clearSelection();
    const QImage plain = Snapshot(List);
    EXPECT_EQ(selected, plain);
}

TEST_F(DayViewListTest, FocusedRowIsOutlinedOnlyWhileTheListHasFocus)
{
    Show({MakeEntry(At(9, 0), "One"), MakeEntry(At(10, 0), "Two")});
    List.show();
    QApplication::setActiveWindow(&List);
    List.setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(List.hasFocus());
    List.setCurrentRow(1);
    const QImage focused = Snapshot(List);
    List.clearFocus();
    const QImage unfocused = Snapshot(List);
    const QRect row = Row(1);
    bool outlined = false;
    for (int x = row.left(); x <= row.right(); ++x)
        outlined = outlined || focused.pixel(x, row.top()) != unfocused.pixel(x, row.top());
    EXPECT_TRUE(outlined);
    EXPECT_EQ(focused.copy(Row(0)), unfocused.copy(Row(0)));
}

TEST_F(DayViewListTest, DoubleModeWrapsDescriptionAndPutsGlyphsUnderTheTime)
{
    List.SetDisplayMode(dmDouble);
    const int wrapWidth = List.viewport()->width() - 35;
    const QFontMetrics metrics(List.PrivateFont().QtFont());
    QString word = "W";
    while (metrics.horizontalAdvance(word) <= wrapWidth * 6 / 10)
        word += "w";
    const QString description = word + " " + word + " " + word;
    Show({MakeEntry(At(9, 0), description.toStdString(), efPrivate, {"0000000001"}, "0000000007"),
          MakeEntry(At(10, 0), "Short")});
    Data.Alarmed = {"0000000010"};
    const QImage shot = Snapshot(List);
    const QRect row = Row(0);
    const int lines = metrics.boundingRect(QRect(0, 0, wrapWidth, 1000), Qt::TextWordWrap, word + "\n" + word + "\n" + word).height();
    EXPECT_EQ(row.height(), lines + 16);
    EXPECT_GT(lines, 3 * metrics.height() - 1);
    const int bottom = row.top() + row.height();
    EXPECT_TRUE(GlyphAt(shot, {row.left(), row.top() + 16}, TGlyphs::Private(), List.ListColor()));
    EXPECT_TRUE(GlyphAt(shot, {row.left() + 16, row.top() + 16}, TGlyphs::Alarm(), List.ListColor()));
    EXPECT_TRUE(TextAt(shot, {row.left() + 35, row.top() + 1}, List.PrivateFont(), word, List.ListColor()));
    EXPECT_TRUE(TextAt(shot, {row.left() + 35, bottom - 16}, List.AssigneeFont(), "ANN", List.ListColor()));
    const int category = row.left() + 35 + Width(List.AssigneeFont(), "ANN") + 5;
    EXPECT_TRUE(TextAt(shot, {category, bottom - 16}, List.CategoryFont(), "Meeting", List.ListColor()));

    // A one-line row still has room for the glyphs above its assignee line.
    EXPECT_EQ(Row(1).height(), 32);
    EXPECT_EQ(Row(1).top(), bottom);
}

// The rows are first measured before the list has its final width, as when
// a day is first shown; what the user sees must follow the width it gets.
TEST_F(DayViewListTest, WrappedRowsAreMeasuredAgainWhenTheWidthChanges)
{
    List.SetDisplayMode(dmDouble);
    Show({MakeEntry(At(9, 0), std::string(30, 'w') + " " + std::string(30, 'w') + " " + std::string(30, 'w')),
          MakeEntry(At(10, 0), "Two")});
    List.show();
    const int width = List.width();
    const auto shownHeight = [&] {
        QApplication::processEvents();
        return List.visualItemRect(List.item(0)).height();
    };
    for (const int narrower : {width, width / 2, width / 4}) {
        List.resize(narrower, List.height());
        EXPECT_EQ(shownHeight(), List.MeasureItem(0)) << narrower;
    }
    EXPECT_GT(List.MeasureItem(0), 3 * 16) << "the text wraps at the narrowest width";
}

TEST_F(DayViewListTest, SingleModeRowsAreSixteenPixelsWhateverTheText)
{
    Show({MakeEntry(At(9, 0), std::string(200, 'x') + " wraps nowhere"), MakeEntry(At(10, 0), "Two")});
    EXPECT_EQ(Row(0).height(), 16);
    EXPECT_EQ(Row(1).top(), Row(0).top() + 16);
}

TEST_F(DayViewListTest, RightClickSelectsTheRowUnderThePointerOrNone)
{
    Show({MakeEntry(At(9, 0), "One"), MakeEntry(At(10, 0), "Two")});
    int focusCalls = 0;
    List.ReceivedFocusCallback = [&] { ++focusCalls; };
    List.show();
    QApplication::setActiveWindow(&List);
    List.clearFocus();
    ASSERT_FALSE(List.hasFocus());
    focusCalls = 0;
    const QRect second = List.visualItemRect(List.item(1));
    Click(Qt::RightButton, second.center());
    EXPECT_EQ(List.SelectedRow(), 1);
    EXPECT_TRUE(List.hasFocus());
    EXPECT_EQ(focusCalls, 1);

    Click(Qt::RightButton, QPoint(second.center().x(), second.bottom() + 40));
    EXPECT_EQ(List.SelectedRow(), -1);
    EXPECT_FALSE(List.currentIndex().isValid());

    Click(Qt::LeftButton, List.visualItemRect(List.item(0)).center());
    EXPECT_EQ(List.SelectedRow(), 0);
}

TEST_F(DayViewListTest, ReceivingFocusCallsTheCallbackAfterTheListHandling)
{
    int calls = 0;
    List.ReceivedFocusCallback = [&] { ++calls; };
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&List, &focusIn);
    EXPECT_EQ(calls, 1);
}

TEST_F(DayViewListTest, FailingCallbackEndsTheRowAndPassesOn)
{
    Show({MakeEntry(At(9, 0), "Lunch", 0, {"0000000009"})});
    QImage image(400, 16, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    EXPECT_THROW(List.DrawItem(painter, 0, QRect(0, 0, 400, 16)), std::out_of_range);
    painter.end();
    EXPECT_TRUE(Blank(image, image.rect(), Qt::white));
    // On screen the failure stays inside the row; the list still paints.
    const QImage shot = Snapshot(List);
    EXPECT_FALSE(shot.isNull());
}

}  // namespace

TEST_F(DayViewListTest, AnOccurrenceOfARepeatingEventShowsTheRepeatMarkAfterTheOthers)
{
    struct TCase
    {
        const char* Why;
        TDisplayMode Mode;
        int32_t Flags;
        bool Alarmed;
        QPoint Mark;  // from the row's top left
    };
    const TCase cases[] = {
        {"alone", dmSingle, 0, false, {35, 0}},
        {"after the padlock and the clock", dmSingle, efPrivate, true, {67, 0}},
        {"under the time, third", dmDouble, efPrivate, true, {32, 16}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Why);
        Entries.ClearEntries();
        List.SetDisplayMode(c.Mode);
        int asked = 0;
        List.RepeatedFlagCallback = [&asked](const std::string& Pk, bool& Repeated) {
            ++asked;
            Repeated = Pk == "0000000010";
        };
        Show({MakeEntry(At(9, 0), "Staff meeting", c.Flags), MakeEntry(At(10, 0), "Once", c.Flags)});
        Data.Alarmed = c.Alarmed ? std::set<std::string>{"0000000010", "0000000011"} : std::set<std::string>{};
        const QImage shot = Snapshot(List);
        const QRect first = Row(0);
        const QRect second = Row(1);
        EXPECT_TRUE(GlyphAt(shot, first.topLeft() + c.Mark, TGlyphs::Repeat(), List.ListColor()));
        EXPECT_FALSE(GlyphAt(shot, second.topLeft() + c.Mark, TGlyphs::Repeat(), List.ListColor()));
        EXPECT_GT(asked, 0);
    }
}
