#include "MainWindowFixture.h"
#include "events/EventCommands.h"
#include "events/EventMove.h"
#include "kfstore/RecordLock.h"
#include "storage/KeyWalk.h"
#include "storage/Stamp.h"
#include "support/ClockScript.h"
#include "support/MailTransportFake.h"

#include <gtest/gtest.h>

#include <QTest>

#include <memory>
#include <string>

namespace {

const QDateTime kThursday(QDate(2025, 3, 6), QTime(15, 20));
const std::string kMe = "0000000001";  // JSMITH, the first administrator
const QTime kNine(9, 0);

// One drag on the day view's first row and what it leaves.
struct TDragCase
{
    const char* Name;
    bool OnTheEnd;        // pressed on the row's last pixels
    int Pixels;           // moved down, or up when negative
    bool Escape;          // Esc before the release
    bool LockedElsewhere; // another workstation holds the entry
    bool OthersEvent;     // BOB's event, and the user may not change others'
    QTime Start;
    QTime End;
    QTime AlarmDue;
    const char* Message;  // told, or none
};

const TDragCase kDrags[] = {
    {"moved an hour later", false, 48, false, false, false, QTime(10, 0), QTime(11, 0), QTime(9, 45), nullptr},
    {"moved half an hour earlier", false, -24, false, false, false, QTime(8, 30), QTime(9, 30), QTime(8, 15),
     nullptr},
    {"its end dragged half an hour later", true, 24, false, false, false, kNine, QTime(10, 30), QTime(8, 45),
     nullptr},
    {"cancelled with Esc", false, 48, true, false, false, kNine, QTime(10, 0), QTime(8, 45), nullptr},
    {"locked on another workstation", false, 48, false, true, false, kNine, QTime(10, 0), QTime(8, 45),
     kEditLockedText},
    {"another user's event without the right", false, 48, false, false, true, kNine, QTime(10, 0), QTime(8, 45),
     nullptr},
};

class EventDragTest : public TMainWindowFixture
{
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        Clock_ = std::make_unique<TClockScript>(kThursday);
        TfrmMain& window = Window();
        window.FormActivate();
        ASSERT_FALSE(window.Ended());
        Bob = AddUser("BOB", "", urAddEntries);
        Other = Connect();
        window.resize(800, 600);
        window.show();
        window.actToolsViewDayExecute();
        Day().ShowDate(kThursday);
    }

    std::string AddEntry(const std::string& owner, const std::string& also = {})
    {
        TDayEntryRec entry;
        Other->InitDayEntry(entry);
        SetField(entry.EntryStamp, StampOf(QDateTime(QDate(2025, 3, 6), kNine)));
        SetField(entry.OwnerId, owner);
        SetField(entry.CategoryId, "0000000000");
        SetField(entry.Description, "Budget meeting");
        SetField(entry.AssigneeIds[0], owner);
        if (!also.empty())
            SetField(entry.AssigneeIds[1], also);
        TAlarmRec alarm;
        Other->InitAlarm(alarm);
        alarm.Flags = afAlarmed;
        SetField(alarm.AlarmStamp, StampOf(QDateTime(QDate(2025, 3, 6), QTime(8, 45))));
        TEventDetails details;
        details.EndStamp = StampOf(QDateTime(QDate(2025, 3, 6), QTime(10, 0)));
        return TEventCommands(*Other).AddEvent(entry, alarm, details);
    }

    // Presses on the first row (its middle, or its last pixels), moves
    // the pointer down by pixels and releases it, pressing Esc before.
    void Drag(bool onTheEnd, int pixels, bool escape)
    {
        Window().RefreshView();
        TDayViewList& list = Day().List();
        QWidget* surface = list.viewport();
        const QRect row = list.visualRect(list.model()->index(0, 0));
        const QPoint from(row.center().x(), onTheEnd ? row.bottom() - 1 : row.center().y());
        QTest::mousePress(surface, Qt::LeftButton, {}, from);
        const QPoint to = from + QPoint(0, pixels);
        QTest::mouseMove(surface, from + QPoint(0, pixels / 2));
        QTest::mouseMove(surface, to);
        if (escape)
            QTest::keyClick(&list, Qt::Key_Escape);
        QTest::mouseRelease(surface, Qt::LeftButton, {}, to);
    }

    QTime StartOf(const std::string& id)
    {
        TDayEntryRec entry{};
        EXPECT_TRUE(FindRecord(Other->DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, id));
        return DateTimeOf(FieldText(entry.EntryStamp)).time();
    }
    QTime EndOf(const std::string& id)
    {
        TDayEntryRec entry{};
        EXPECT_TRUE(FindRecord(Other->DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, id));
        return DateTimeOf(Other->Details.Event(id, entry).EndStamp).time();
    }
    QTime AlarmOf(const std::string& id)
    {
        TAlarmRec alarm;
        TKeyWalk walk = TKeyWalk::Prefix(Other->AlarmFile, TOrbekoDB::AlarmEntryKey, id);
        EXPECT_TRUE(walk.Next(alarm));
        return DateTimeOf(FieldText(alarm.AlarmStamp)).time();
    }
    static QDateTime DateTimeOf(const std::string& stamp)
    {
        TStamp at;
        at.SetSeconds(static_cast<int32_t>(IdValue(stamp)));
        return at.AsDateTime();
    }
    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const TShownMessage& shown : Messages_.Shown())
            texts.append(shown.Text);
        return texts.mid(1);  // after the welcome of the first administrator
    }

    std::unique_ptr<TClockScript> Clock_;
    std::unique_ptr<TOrbekoDB> Other;  // another workstation
    std::string Bob;
    TMailTransportFake Mail_;
};

TEST_F(EventDragTest, ADragMovesOrResizesTheEventThroughItsLock)
{
    for (const TDragCase& c : kDrags) {
        SCOPED_TRACE(c.Name);
        SetRights(c.OthersEvent ? urAddEntries : urAddEntries | urAdminister | urModifyOthers);
        const int told = static_cast<int>(Messages_.Shown().size());
        const std::string id = AddEntry(c.OthersEvent ? Bob : kMe);
        {
            std::unique_ptr<TRecordLock> lock;
            if (c.LockedElsewhere)
                lock = std::make_unique<TRecordLock>(Other->DayEntryFile, id);
            Drag(c.OnTheEnd, c.Pixels, c.Escape);
        }
        EXPECT_EQ(StartOf(id), c.Start);
        EXPECT_EQ(EndOf(id), c.End);
        EXPECT_EQ(AlarmOf(id), c.AlarmDue);
        const QStringList texts = MessageTexts().mid(told - 1);
        if (c.Message) {
            EXPECT_EQ(texts, QStringList{QString::fromLatin1(c.Message)});
        } else {
            EXPECT_TRUE(texts.isEmpty()) << texts.join(QLatin1Char('|')).toStdString();
        }
        TEventCommands(*Other).DeleteEvent(id);
    }
}

TEST_F(EventDragTest, CtrlZTakesTheLastMoveBackUnlessTheEventChangedSince)
{
    for (const bool changedSince : {false, true}) {
        SCOPED_TRACE(changedSince ? "changed since" : "untouched");
        const int told = static_cast<int>(Messages_.Shown().size());
        const std::string id = AddEntry(kMe);
        Drag(false, 48, false);
        ASSERT_EQ(StartOf(id), QTime(10, 0));
        if (changedSince) {
            const std::string later = StampOf(QDateTime(QDate(2025, 3, 6), QTime(14, 0)));
            ASSERT_EQ(TEventMove(*Other).Move(id, later, ""), TEventResult::Done);
        }
        Action("actEventUndoMove").trigger();
        EXPECT_EQ(StartOf(id), changedSince ? QTime(14, 0) : kNine);
        const QStringList texts = MessageTexts().mid(told - 1);
        if (changedSince) {
            EXPECT_EQ(texts, QStringList{QString::fromLatin1(kUndoChangedText)});
        } else {
            EXPECT_TRUE(texts.isEmpty());
            EXPECT_EQ(AlarmOf(id), QTime(8, 45));
        }
        TEventCommands(*Other).DeleteEvent(id);
    }
}

TEST_F(EventDragTest, ADropOnAnotherDayOfTheWeekMovesTheEventThereAtItsTime)
{
    const struct
    {
        const char* Name;
        int Day;  // 0 = Monday
        QDate Date;
    } cases[] = {{"Friday", 4, QDate(2025, 3, 7)}, {"Monday", 0, QDate(2025, 3, 3)}, {"Thursday itself", 3, QDate(2025, 3, 6)}};
    Window().actToolsViewWeekExecute();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string id = AddEntry(kMe);
        Window().RefreshView();
        TDayViewList& thursday = Week().Days(3).List();
        QWidget* surface = thursday.viewport();
        const QPoint from = thursday.visualRect(thursday.model()->index(0, 0)).center();
        TDayView& target = Week().Days(c.Day);
        const QPoint to = surface->mapFromGlobal(target.mapToGlobal(target.rect().center()));
        QTest::mousePress(surface, Qt::LeftButton, {}, from);
        QTest::mouseMove(surface, from + QPoint(10, 10));
        QTest::mouseMove(surface, to);
        QTest::mouseRelease(surface, Qt::LeftButton, {}, to);
        TDayEntryRec entry{};
        ASSERT_TRUE(FindRecord(Other->DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, id));
        const QDateTime start = DateTimeOf(FieldText(entry.EntryStamp));
        EXPECT_EQ(start.date(), c.Date);
        if (c.Day != 3) {
            EXPECT_EQ(start.time(), kNine);
            EXPECT_EQ(DateTimeOf(Other->Details.Event(id, entry).EndStamp), QDateTime(c.Date, QTime(10, 0)));
            EXPECT_EQ(AlarmOf(id), QTime(8, 45));
        }
        TEventCommands(*Other).DeleteEvent(id);
    }
}

TEST_F(EventDragTest, AMovedEventIsMailedToItsOtherAssignees)
{
    Other->Details.SetUserEmail(Bob, QStringLiteral("bob@example.org"));
    Other->Details.SetUserEmail(kMe, QStringLiteral("me@example.org"));
    const struct
    {
        const char* Name;
        bool WithBob;
        QStringList To;
    } cases[] = {{"only the user himself", false, {}}, {"Bob as well", true, {QStringLiteral("bob@example.org")}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::size_t sent = Mail_.Sent().size();
        const std::string id = AddEntry(kMe, c.WithBob ? Bob : std::string());
        Drag(false, 48, false);
        ASSERT_EQ(StartOf(id), QTime(10, 0));
        QStringList to;
        for (std::size_t i = sent; i < Mail_.Sent().size(); ++i) {
            EXPECT_EQ(Mail_.Sent()[i].Subject, QStringLiteral("Updated Orbeko Event"));
            EXPECT_TRUE(Mail_.Sent()[i].Body.contains(QStringLiteral("Budget meeting")));
            for (const TMailRecipient& recipient : Mail_.Sent()[i].To)
                to.append(recipient.Address);
        }
        EXPECT_EQ(to, c.To);
        TEventCommands(*Other).DeleteEvent(id);
    }
}

}  // namespace
