#include "events/EventCommands.h"
#include "events/EventMove.h"
#include "kfstore/RecordLock.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kAnn = "0000000001";
const std::string kBob = "0000000002";
constexpr int64_t kNine = 946717200;  // 2000-01-01 09:00
constexpr int64_t kHour = 3600;

std::string At(int64_t stamp)
{
    return IdText(stamp);
}

// What is in the way of a move, and what it is asked for.
struct TMoveCase
{
    const char* Name;
    int64_t NewStart;
    int64_t NewEnd;  // 0: none
    bool EntryLockedElsewhere;
    bool AlarmLockedElsewhere;
    TEventResult Result;
    int64_t StoredStart;
    int64_t StoredEnd;  // 0: none
    int64_t AlarmDue;   // every alarm's due time afterwards
};

const TMoveCase kMoves[] = {
    {"moved an hour later with its end", kNine + kHour, kNine + 2 * kHour, false, false, TEventResult::Done,
     kNine + kHour, kNine + 2 * kHour, kNine + kHour - 900},
    {"moved to the next day", kNine + 24 * kHour, kNine + 25 * kHour, false, false, TEventResult::Done,
     kNine + 24 * kHour, kNine + 25 * kHour, kNine + 24 * kHour - 900},
    {"made longer, the start kept", kNine, kNine + 3 * kHour, false, false, TEventResult::Done, kNine,
     kNine + 3 * kHour, kNine - 900},
    {"its end taken away", kNine + kHour, 0, false, false, TEventResult::Done, kNine + kHour, 0, kNine + kHour - 900},
    {"the entry locked on another workstation", kNine + kHour, kNine + 2 * kHour, true, false,
     TEventResult::EntryLocked, kNine, kNine + kHour, kNine - 900},
    {"an alarm locked on another workstation", kNine + kHour, kNine + 2 * kHour, false, true,
     TEventResult::AlarmLocked, kNine, kNine + kHour, kNine - 900},
};

class EventMoveTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
        Other = Connect();
    }

    // An event from nine to ten for Ann and Bob, alarmed a quarter before.
    std::string AddEvent()
    {
        TDayEntryRec entry;
        Db->InitDayEntry(entry);
        SetField(entry.EntryStamp, At(kNine));
        SetField(entry.OwnerId, kAnn);
        SetField(entry.Description, "Budget meeting");
        SetField(entry.AssigneeIds[0], kAnn);
        SetField(entry.AssigneeIds[1], kBob);
        TAlarmRec alarm;
        Db->InitAlarm(alarm);
        alarm.Flags = afAlarmed;
        SetField(alarm.AlarmStamp, At(kNine - 900));
        TEventDetails details;
        details.EndStamp = At(kNine + kHour);
        details.Place = QStringLiteral("Room 4");
        return TEventCommands(*Db).AddEvent(entry, alarm, details);
    }

    std::vector<TAlarmRec> AlarmsOf(const std::string& entryId)
    {
        std::vector<TAlarmRec> alarms;
        TAlarmRec alarm;
        TKeyWalk walk = TKeyWalk::Prefix(Other->AlarmFile, TOrbekoDB::AlarmEntryKey, entryId);
        while (walk.Next(alarm))
            alarms.push_back(alarm);
        return alarms;
    }

    std::string FirstAlarmId(const std::string& entryId)
    {
        TAlarmRec alarm;
        TKeyWalk walk = TKeyWalk::Prefix(Other->AlarmFile, TOrbekoDB::AlarmEntryKey, entryId);
        EXPECT_TRUE(walk.Next(alarm));
        return walk.Id();
    }

    TDayEntryRec Stored(const std::string& id)
    {
        TDayEntryRec entry{};
        EXPECT_TRUE(FindRecord(Other->DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, id));
        return entry;
    }

    std::unique_ptr<TOrbekoDB> Db;
    std::unique_ptr<TOrbekoDB> Other;  // another workstation
};

TEST_F(EventMoveTest, AMoveRewritesTheTimesAndMovesTheAlarmsByTheSameOffset)
{
    for (const TMoveCase& c : kMoves) {
        SCOPED_TRACE(c.Name);
        const std::string id = AddEvent();
        {
            std::unique_ptr<TRecordLock> entryLock;
            std::unique_ptr<TRecordLock> alarmLock;
            if (c.EntryLockedElsewhere)
                entryLock = std::make_unique<TRecordLock>(Other->DayEntryFile, id);
            if (c.AlarmLockedElsewhere)
                alarmLock = std::make_unique<TRecordLock>(Other->AlarmFile, FirstAlarmId(id));
            EXPECT_EQ(TEventMove(*Db).Move(id, At(c.NewStart), c.NewEnd ? At(c.NewEnd) : std::string()), c.Result);
        }
        const TDayEntryRec entry = Stored(id);
        EXPECT_EQ(FieldText(entry.EntryStamp), At(c.StoredStart));
        EXPECT_EQ(FieldText(entry.Description), "Budget meeting");
        const TEventDetails details = Other->Details.Event(id, entry);
        EXPECT_EQ(details.EndStamp, c.StoredEnd ? At(c.StoredEnd) : std::string());
        EXPECT_EQ(details.Place, QStringLiteral("Room 4"));
        const std::vector<TAlarmRec> alarms = AlarmsOf(id);
        ASSERT_EQ(alarms.size(), 2u);
        for (const TAlarmRec& alarm : alarms) {
            EXPECT_EQ(FieldText(alarm.AlarmStamp), At(c.AlarmDue));
            EXPECT_EQ(FieldText(alarm.UserAlarmKey), FieldText(alarm.UserId) + At(c.AlarmDue));
        }
    }
}

// What happened to the event between a move and its undo.
struct TUndoCase
{
    const char* Name;
    bool ChangedSince;
    bool LockedElsewhere;
    TEventResult Result;
    int64_t StoredStart;
};

const TUndoCase kUndos[] = {
    {"nobody touched it", false, false, TEventResult::Done, kNine},
    {"another workstation changed it since", true, false, TEventResult::Missing, kNine + 2 * kHour},
    {"another workstation holds it", false, true, TEventResult::EntryLocked, kNine + kHour},
};

TEST_F(EventMoveTest, AnUndoTakesTheMoveBackOnlyWhileTheEventIsAsTheMoveLeftIt)
{
    for (const TUndoCase& c : kUndos) {
        SCOPED_TRACE(c.Name);
        const std::string id = AddEvent();
        TEventMove::TDone done;
        ASSERT_EQ(TEventMove(*Db).Move(id, At(kNine + kHour), At(kNine + 2 * kHour), &done), TEventResult::Done);
        if (c.ChangedSince) {
            ASSERT_EQ(TEventMove(*Other).Move(id, At(kNine + 2 * kHour), At(kNine + 3 * kHour)), TEventResult::Done);
        }
        {
            std::unique_ptr<TRecordLock> lock;
            if (c.LockedElsewhere)
                lock = std::make_unique<TRecordLock>(Other->DayEntryFile, id);
            EXPECT_EQ(TEventMove(*Db).Undo(done), c.Result);
        }
        const TDayEntryRec entry = Stored(id);
        EXPECT_EQ(FieldText(entry.EntryStamp), At(c.StoredStart));
        EXPECT_EQ(Other->Details.Event(id, entry).EndStamp, At(c.StoredStart + kHour));
        for (const TAlarmRec& alarm : AlarmsOf(id)) {
            EXPECT_EQ(FieldText(alarm.AlarmStamp), At(c.StoredStart - 900));
        }
    }
}

}  // namespace
