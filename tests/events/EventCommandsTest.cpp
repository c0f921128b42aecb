#include "events/EventCommands.h"
#include "events/LockedEvent.h"
#include "storage/OrbekoDB.h"
#include "kfstore/RecordLock.h"
#include "support/ChildProcess.h"
#include "support/DatabaseFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const std::string kAnn = "0000000001";
const std::string kBob = "0000000002";
const std::string kCid = "0000000003";
const std::string kNine = "0946717200";      // 2000-01-01 09:00
const std::string kTen = "0946720800";       // 2000-01-01 10:00
const std::string kSnoozed = "0946721100";   // 2000-01-01 10:05

// One alarm record as read back, by alarm identifier.
struct TStoredAlarm
{
    std::string EntryId;
    std::string UserId;
    std::string AlarmStamp;
    std::string UserAlarmKey;
    int32_t Flags;
};

class EventCommandsTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
        Other = Connect();
    }

    TDayEntryRec Entry(std::initializer_list<std::string> assignees, const char* text = "Budget meeting")
    {
        TDayEntryRec entry;
        Db->InitDayEntry(entry);
        SetField(entry.EntryStamp, kNine);
        SetField(entry.OwnerId, kAnn);
        SetField(entry.Description, text);
        int slot = 0;
        for (const std::string& id : assignees)
            SetField(entry.AssigneeIds[slot++], id);
        return entry;
    }

    TAlarmRec Alarm(int32_t flags, const std::string& stamp = kTen)
    {
        TAlarmRec alarm;
        Db->InitAlarm(alarm);
        alarm.Flags = flags;
        SetField(alarm.AlarmStamp, stamp);
        return alarm;
    }

    std::map<std::string, TStoredAlarm> Alarms()
    {
        std::map<std::string, TStoredAlarm> alarms;
        TAlarmRec alarm;
        TXIsamFile& file = Other->AlarmFile;
        EXPECT_TRUE(file.GoTop(0));
        while (file.GetNext(alarm, 0, "", gcAny))
            alarms[file.LastKey()] = {FieldText(alarm.EntryId), FieldText(alarm.UserId), FieldText(alarm.AlarmStamp),
                                      FieldText(alarm.UserAlarmKey), alarm.Flags};
        return alarms;
    }

    bool EntryExists(const std::string& id)
    {
        TDayEntryRec entry;
        return Other->DayEntryFile.GetEqual(entry, 0, id);
    }

    std::string StoredDescription(const std::string& id)
    {
        TDayEntryRec entry;
        EXPECT_TRUE(Other->DayEntryFile.GetEqual(entry, 0, id));
        return FieldText(entry.Description);
    }

    std::string FirstAlarmId()
    {
        TAlarmRec alarm;
        EXPECT_TRUE(Other->AlarmFile.GoTop(0));
        EXPECT_TRUE(Other->AlarmFile.GetNext(alarm, 0, "", gcAny));
        return Other->AlarmFile.LastKey();
    }

    std::unique_ptr<TOrbekoDB> Db;
    std::unique_ptr<TOrbekoDB> Other;  // another workstation
};

TEST_F(EventCommandsTest, ANewEventWithoutAlarmWritesTheEntryOnly)
{
    const std::string id = TEventCommands(*Db).AddEvent(Entry({kAnn, kBob}), Alarm(0));
    EXPECT_EQ(id, "0000000001");
    EXPECT_EQ(StoredDescription(id), "Budget meeting");
    EXPECT_TRUE(Alarms().empty());
}

TEST_F(EventCommandsTest, ANewEventWithAlarmGetsOneAlarmPerAssignee)
{
    TDayEntryRec entry = Entry({kCid, kAnn});
    SetField(entry.AssigneeIds[19], kBob);
    const std::string id = TEventCommands(*Db).AddEvent(entry, Alarm(afAlarmed));

    const auto alarms = Alarms();
    ASSERT_EQ(alarms.size(), 3u);
    std::vector<std::string> users;
    for (const auto& [alarmId, alarm] : alarms) {
        users.push_back(alarm.UserId);
        EXPECT_EQ(alarm.EntryId, id);
        EXPECT_EQ(alarm.AlarmStamp, kTen);
        EXPECT_EQ(alarm.UserAlarmKey, alarm.UserId + kTen);
        EXPECT_EQ(alarm.Flags, afAlarmed);
    }
    EXPECT_EQ(users, (std::vector<std::string>{kCid, kAnn, kBob}));
}

TEST_F(EventCommandsTest, AFailedAlarmWriteThrowsAndLeavesTheEntryWritten)
{
    ASSERT_TRUE(Db->AlarmFile.Close());
    try {
        TEventCommands(*Db).AddEvent(Entry({kAnn}), Alarm(afAlarmed));
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Invalid dataset reference");
    }
    EXPECT_TRUE(EntryExists("0000000001"));
}

TEST_F(EventCommandsTest, ANewEventSkipsAKeyAnotherWorkstationIsAddingUnder)
{
    TEventCommands commands(*Db);
    EXPECT_EQ(commands.AddEvent(Entry({kAnn}), Alarm(0)), "0000000001");
    // Another workstation has reserved the next key for its own add.
    const TRecordLock reserved(Other->DayEntryFile, "0000000002");
    const std::string id = commands.AddEvent(Entry({kAnn, kBob}), Alarm(afAlarmed));
    EXPECT_EQ(id, "0000000003");
    EXPECT_FALSE(EntryExists("0000000002"));
    EXPECT_EQ(Alarms().size(), 2u);
    EXPECT_EQ(Alarms().begin()->second.EntryId, id);
    const TRecordLock free(Other->DayEntryFile, id);
    EXPECT_TRUE(free.Held()) << "the new entry is given back once its alarms are written";
}

TEST_F(EventCommandsTest, DeleteRemovesTheAlarmsAndTheEntryAndLeavesOtherEvents)
{
    TEventCommands commands(*Db);
    const std::string gone = commands.AddEvent(Entry({kAnn, kBob, kCid}), Alarm(afAlarmed));
    const std::string kept = commands.AddEvent(Entry({kBob}, "Lunch"), Alarm(afAlarmed));

    EXPECT_EQ(commands.DeleteEvent(gone), TEventResult::Done);

    EXPECT_FALSE(EntryExists(gone));
    EXPECT_TRUE(EntryExists(kept));
    const auto alarms = Alarms();
    ASSERT_EQ(alarms.size(), 1u);
    EXPECT_EQ(alarms.begin()->second.EntryId, kept);
    // Nothing stays locked.
    EXPECT_TRUE(TRecordLock(Other->DayEntryFile, gone).Held());
}

TEST_F(EventCommandsTest, AnEventsDetailsAreWrittenWithItAndGoWithIt)
{
    TEventCommands commands(*Db);
    TEventDetails details;
    details.EndStamp = kTen;
    details.Place = QStringLiteral("Room 4");
    details.Notes = QStringLiteral("Agenda\nBudget");
    const std::string id = commands.AddEvent(Entry({kAnn}), Alarm(0), details);
    TDayEntryRec stored;
    ASSERT_TRUE(Other->DayEntryFile.GetEqual(stored, 0, id));
    EXPECT_EQ(Other->Details.Event(id, stored), details);

    {
        TLockedEvent event(*Db, id, kNine);
        ASSERT_TRUE(event.Locked());
        EXPECT_EQ(event.Details, details);
        SetField(event.Entry.EntryStamp, kTen);
        event.Details.EndStamp = kSnoozed;
        event.Details.Place = QStringLiteral("Room 5");
        EXPECT_EQ(event.Store(), TEventResult::Done);
    }
    ASSERT_TRUE(Other->DayEntryFile.GetEqual(stored, 0, id));
    EXPECT_EQ(Other->Details.Event(id, stored).Place, QStringLiteral("Room 5"));
    EXPECT_EQ(Other->Details.Event(id, stored).EndStamp, kSnoozed);

    EXPECT_EQ(commands.DeleteEvent(id), TEventResult::Done);
    EXPECT_TRUE(Other->Details.Event(id, stored).Empty());
    EXPECT_EQ(Other->Details.File().RecordCount(), 0);

    // A workstation that keeps no details deletes an event and leaves them;
    // the next event under that identifier starts without them.
    const std::string first = commands.AddEvent(Entry({kAnn}), Alarm(0), details);
    ASSERT_TRUE(Other->DayEntryFile.Delete(first));
    const std::string reused = commands.AddEvent(Entry({kAnn}, "Another"), Alarm(0));
    ASSERT_EQ(reused, first);
    ASSERT_TRUE(Other->DayEntryFile.GetEqual(stored, 0, reused));
    EXPECT_TRUE(Other->Details.Event(reused, stored).Empty());
}

TEST_F(EventCommandsTest, DeleteOfAnEventWithAnotherUsersAlarmLockChangesNothing)
{
    TEventCommands commands(*Db);
    const std::string id = commands.AddEvent(Entry({kAnn, kBob, kCid}), Alarm(afAlarmed));
    const auto before = Alarms();
    const TRecordLock held(Other->AlarmFile, std::prev(before.end())->first);
    ASSERT_TRUE(held.Held());

    EXPECT_EQ(commands.DeleteEvent(id), TEventResult::AlarmLocked);

    EXPECT_TRUE(EntryExists(id));
    EXPECT_EQ(Alarms().size(), 3u);
    // The alarms it could lock have been given back.
    EXPECT_TRUE(TRecordLock(Other->AlarmFile, before.begin()->first).Held());
    EXPECT_TRUE(TRecordLock(Other->DayEntryFile, id).Held());
}

TEST_F(EventCommandsTest, DeleteOfAnEventAnotherUserHasOpenKeepsItsAlarms)
{
    TEventCommands commands(*Db);
    const std::string id = commands.AddEvent(Entry({kAnn, kBob}), Alarm(afAlarmed));
    const TRecordLock held(Other->DayEntryFile, id);

    EXPECT_EQ(commands.DeleteEvent(id), TEventResult::EntryLocked);

    EXPECT_TRUE(EntryExists(id));
    EXPECT_EQ(Alarms().size(), 2u);
}

TEST_F(EventCommandsTest, DeleteIsRefusedByAnAlarmLockOfAnotherProcess)
{
    TEventCommands commands(*Db);
    const std::string id = commands.AddEvent(Entry({kAnn, kBob}), Alarm(afAlarmed));
    TChildProcess child("HoldRecordLock", {Db->AlarmFile.FileName(), FirstAlarmId()});
    std::string line;
    ASSERT_TRUE(child.ReadLine(line));
    ASSERT_EQ(line, "locked");

    EXPECT_EQ(commands.DeleteEvent(id), TEventResult::AlarmLocked);
    EXPECT_TRUE(EntryExists(id));

    child.Kill(SIGKILL);
    child.Wait();
    // The system dropped the dead process's lock.
    EXPECT_EQ(commands.DeleteEvent(id), TEventResult::Done);
    EXPECT_FALSE(EntryExists(id));
    EXPECT_TRUE(Alarms().empty());
}

TEST_F(EventCommandsTest, AnOpenedEventIsReadAgainUnderItsLock)
{
    const std::string id = TEventCommands(*Db).AddEvent(Entry({kAnn, kBob}), Alarm(afAlarmed));
    const TLockedEvent event(*Db, id, kNine);

    ASSERT_TRUE(event.Locked());
    EXPECT_EQ(event.EntryId(), id);
    EXPECT_EQ(FieldText(event.Entry.Description), "Budget meeting");
    EXPECT_TRUE(event.HadAlarm);
    EXPECT_EQ(int32_t{event.Alarm.Flags}, afAlarmed);
    EXPECT_EQ(FieldText(event.Alarm.AlarmStamp), kTen);
    EXPECT_FALSE(TRecordLock(Other->DayEntryFile, id).Held());
}

TEST_F(EventCommandsTest, AnOpenedEventWithoutAlarmStartsOneAtTheGivenTime)
{
    const std::string id = TEventCommands(*Db).AddEvent(Entry({kAnn}), Alarm(0));
    const TLockedEvent event(*Db, id, kNine);

    EXPECT_FALSE(event.HadAlarm);
    EXPECT_EQ(int32_t{event.Alarm.Flags}, 0);
    EXPECT_EQ(FieldText(event.Alarm.AlarmStamp), kNine);
    EXPECT_EQ(FieldText(event.Alarm.UserId), "");
}

TEST_F(EventCommandsTest, AnEventAnotherUserHasOpenIsNotOpenedAgain)
{
    const std::string id = TEventCommands(*Db).AddEvent(Entry({kAnn}), Alarm(0));
    const TLockedEvent first(*Other, id, kNine);
    const TLockedEvent second(*Db, id, kNine);

    EXPECT_TRUE(first.Locked());
    EXPECT_FALSE(second.Locked());
    EXPECT_EQ(FieldText(second.Entry.Description), "");
}

TEST_F(EventCommandsTest, AnEventThatIsGoneIsNotFoundAndGivesItsLockBack)
{
    {
        const TLockedEvent event(*Db, "0000000042", kNine);
        EXPECT_TRUE(event.Locked());
        EXPECT_FALSE(event.Found());
        EXPECT_EQ(TEventCommands(*Other).DeleteEvent("0000000042"), TEventResult::EntryLocked);
    }
    EXPECT_TRUE(TRecordLock(Other->DayEntryFile, "0000000042").Held());
    EXPECT_EQ(TEventCommands(*Db).DeleteEvent("0000000042"), TEventResult::Missing);
}

TEST_F(EventCommandsTest, RemovingAnAssigneeLeavesTheOthersAlarmsAtTheEditorsTime)
{
    const std::string id = TEventCommands(*Db).AddEvent(Entry({kAnn, kBob, kCid}), Alarm(afAlarmed));
    // Bob has snoozed his alarm meanwhile.
    for (auto& [alarmId, stored] : Alarms())
        if (stored.UserId == kBob) {
            TAlarmRec alarm;
            ASSERT_TRUE(Other->AlarmFile.GetEqual(alarm, 0, alarmId));
            SetAlarmStamp(alarm, kSnoozed);
            ASSERT_TRUE(Other->AlarmFile.Rewrite(alarm, alarmId));
        }

    TLockedEvent event(*Db, id, kNine);
    event.Entry = Entry({kAnn, kBob}, "Budget meeting, room 2");
    SetField(event.Alarm.AlarmStamp, kTen);
    EXPECT_EQ(event.Store(), TEventResult::Done);

    EXPECT_EQ(StoredDescription(id), "Budget meeting, room 2");
    const auto alarms = Alarms();
    ASSERT_EQ(alarms.size(), 2u);
    std::vector<std::string> users;
    for (const auto& [alarmId, alarm] : alarms) {
        users.push_back(alarm.UserId);
        EXPECT_EQ(alarm.AlarmStamp, kTen);
        EXPECT_EQ(alarm.UserAlarmKey, alarm.UserId + kTen);
        EXPECT_EQ(alarm.EntryId, id);
    }
    EXPECT_EQ(users, (std::vector<std::string>{kAnn, kBob}));
}

TEST_F(EventCommandsTest, CheckingTheAlarmOfAnEventWithoutOneWritesOnePerAssignee)
{
    const std::string id = TEventCommands(*Db).AddEvent(Entry({kAnn, kBob}), Alarm(0));
    TLockedEvent event(*Db, id, kNine);
    event.Alarm.Flags = afAlarmed;

    EXPECT_EQ(event.Store(), TEventResult::Done);
    const auto alarms = Alarms();
    ASSERT_EQ(alarms.size(), 2u);
    for (const auto& [alarmId, alarm] : alarms)
        EXPECT_EQ(alarm.AlarmStamp, kNine);
}

TEST_F(EventCommandsTest, AStoreRefusedByAnAlarmLockWritesNothing)
{
    const std::string id = TEventCommands(*Db).AddEvent(Entry({kAnn, kBob, kCid}), Alarm(afAlarmed));
    const auto before = Alarms();
    TLockedEvent event(*Db, id, kNine);
    SetField(event.Entry.Description, "Moved");
    event.Alarm.Flags = 0;
    {
        const TRecordLock held(Other->AlarmFile, std::prev(before.end())->first);
        EXPECT_EQ(event.Store(), TEventResult::AlarmLocked);
    }
    EXPECT_EQ(StoredDescription(id), "Budget meeting");
    EXPECT_EQ(Alarms().size(), 3u);
    // Once the other user lets go, the same change goes through.
    EXPECT_EQ(event.Store(), TEventResult::Done);
    EXPECT_EQ(StoredDescription(id), "Moved");
    EXPECT_TRUE(Alarms().empty());
}

}  // namespace
