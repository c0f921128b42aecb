#include "app/AlarmScan.h"
#include "app/UserAlarm.h"
#include "kfstore/RecordLock.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"
#include "storage/Clock.h"
#include "support/ClockScript.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

namespace {

const std::string kAnna = "0000000001";
const std::string kBert = "0000000002";

std::string StampAt(int hour, int minute)
{
    return StampOf(QDateTime(QDate(2025, 3, 6), QTime(hour, minute)));
}

// Two connections to one database folder: the monitor's and another
// workstation's.
class UserAlarmTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db_ = Connect();
        Other_ = Connect();
        Others_.emplace(*Other_);
    }

    TAlarmRec Read(const std::string& alarmId)
    {
        TAlarmRec alarm{};
        EXPECT_TRUE(Db_->AlarmFile.GetEqual(alarm, 0, alarmId));
        return alarm;
    }

    std::vector<std::string> Scan(int hour, int minute)
    {
        const TClockScript now(QDateTime(QDate(2025, 3, 6), QTime(hour, minute)));
        std::vector<std::string> shown;
        TStamp clock;
        TAlarmScan(Db_->AlarmFile, kAnna).Run(clock, [&](TAlarmRec& alarm, const std::string& alarmId) {
            shown.push_back(alarmId);
            EXPECT_EQ(FieldText(alarm.UserId), kAnna);
            TUserAlarm(*Db_, alarm, alarmId).SwitchOff();
            return true;
        });
        return shown;
    }

    std::unique_ptr<TOrbekoDB> Db_;
    std::unique_ptr<TOrbekoDB> Other_;
    std::optional<TDiaryRecords> Others_;  // another workstation's writes
};

TEST_F(UserAlarmTest, ScanReadsOnlyTheUsersDueAlarmsInDueOrder)
{
    const std::string entry = Others_->Event(StampAt(9, 0), kAnna, {kAnna}, "e");
    const std::string late = Others_->Alarm(entry, kAnna, StampAt(9, 30));
    const std::string bert = Others_->Alarm(entry, kBert, StampAt(8, 0));
    const std::string early = Others_->Alarm(entry, kAnna, StampAt(8, 30));
    const std::string noon = Others_->Alarm(entry, kAnna, StampAt(12, 0));
    const std::string other = Others_->Alarm(entry, "0000000010", StampAt(7, 0));

    EXPECT_EQ(Scan(10, 0), (std::vector<std::string>{early, late}));
    EXPECT_TRUE(Scan(10, 0).empty());
    EXPECT_EQ(Scan(12, 0), (std::vector<std::string>{noon}));
    EXPECT_EQ(Db_->AlarmFile.RecordCount(), 2) << bert << other;
}

TEST_F(UserAlarmTest, AFailedReadEndsTheScanWithItsStatus)
{
    Others_->Alarm(Others_->Event(StampAt(9, 0), kAnna, {kAnna}, "e"), kAnna, StampAt(8, 0));
    ASSERT_TRUE(Db_->AlarmFile.Close());
    TStamp clock;
    try {
        TAlarmScan(Db_->AlarmFile, kAnna).Run(clock, [](TAlarmRec&, const std::string&) {
            ADD_FAILURE() << "nothing can be read";
            return true;
        });
        ADD_FAILURE() << "a failed read is not the end of the alarms";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Invalid dataset reference");
    }
}

TEST_F(UserAlarmTest, SnoozeRewritesUnderTheLockAndFollowsTheCallersBuffer)
{
    const std::string id = Others_->Alarm(Others_->Event(StampAt(9, 0), kAnna, {kAnna}, "e"), kAnna, StampAt(9, 0));
    TAlarmRec shown = Read(id);
    TUserAlarm alarm(*Db_, shown, id);
    EXPECT_EQ(alarm.Snooze(StampAt(9, 15)), TUserAlarm::TOutcome::Done);
    EXPECT_EQ(FieldText(shown.AlarmStamp), StampAt(9, 15));
    const TAlarmRec stored = Read(id);
    EXPECT_EQ(FieldText(stored.UserAlarmKey), kAnna + StampAt(9, 15));
    EXPECT_EQ(std::memcmp(&stored, &shown, sizeof stored), 0);
    EXPECT_TRUE(Other_->AlarmFile.LockRecord(id)) << "the lock is released";
}

TEST_F(UserAlarmTest, ALockedAlarmIsLeftAsItIs)
{
    const std::string id = Others_->Alarm(Others_->Event(StampAt(9, 0), kAnna, {kAnna}, "e"), kAnna, StampAt(9, 0));
    TAlarmRec shown = Read(id);
    TUserAlarm alarm(*Db_, shown, id);
    {
        const TRecordLock held(Other_->AlarmFile, id);
        EXPECT_EQ(alarm.Snooze(StampAt(9, 15)), TUserAlarm::TOutcome::Locked);
        EXPECT_EQ(alarm.SwitchOff(), TUserAlarm::TOutcome::Locked);
    }
    EXPECT_EQ(FieldText(shown.AlarmStamp), StampAt(9, 0));
    EXPECT_EQ(FieldText(Read(id).AlarmStamp), StampAt(9, 0));
}

struct TGoneCase
{
    const char* Name;
    // Changes the stored alarm behind the notice's back; returns whether a
    // record is still stored under the id.
    bool (*Change)(TOrbekoDB& db, const std::string& id);
};

void PrintTo(const TGoneCase& c, std::ostream* os)
{
    *os << c.Name;
}

class GoneAlarmTest : public UserAlarmTest, public ::testing::WithParamInterface<TGoneCase>
{
};

TEST_P(GoneAlarmTest, IsNeitherSnoozedNorDeleted)
{
    const std::string id = Others_->Alarm(Others_->Event(StampAt(9, 0), kAnna, {kAnna}, "e"), kAnna, StampAt(9, 0));
    TAlarmRec shown = Read(id);
    const bool kept = GetParam().Change(*Other_, id);
    TAlarmRec before{};
    Other_->AlarmFile.GetEqual(before, 0, id);

    TUserAlarm alarm(*Db_, shown, id);
    EXPECT_EQ(alarm.Snooze(StampAt(10, 0)), TUserAlarm::TOutcome::Gone);
    EXPECT_EQ(alarm.SwitchOff(), TUserAlarm::TOutcome::Gone);
    EXPECT_EQ(FieldText(shown.AlarmStamp), StampAt(9, 0));
    TAlarmRec after{};
    EXPECT_EQ(Other_->AlarmFile.GetEqual(after, 0, id), kept);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof after), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, GoneAlarmTest,
    ::testing::Values(
        TGoneCase{"Deleted", [](TOrbekoDB& db, const std::string& id) { return !db.AlarmFile.Delete(id); }},
        TGoneCase{"OtherUser",
                  [](TOrbekoDB& db, const std::string& id) {
                      TAlarmRec alarm;
                      db.AlarmFile.GetEqual(alarm, 0, id);
                      SetAlarmUser(alarm, kBert);
                      return db.AlarmFile.Rewrite(alarm, id);
                  }},
        TGoneCase{"OtherEvent",
                  [](TOrbekoDB& db, const std::string& id) {
                      TAlarmRec alarm;
                      db.AlarmFile.GetEqual(alarm, 0, id);
                      SetField(alarm.EntryId, "0000000099");
                      return db.AlarmFile.Rewrite(alarm, id);
                  }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(UserAlarmTest, ASnoozeFromAnotherWorkstationOfTheSameUserIsStillThisAlarm)
{
    const std::string id = Others_->Alarm(Others_->Event(StampAt(9, 0), kAnna, {kAnna}, "e"), kAnna, StampAt(9, 0));
    TAlarmRec shown = Read(id);
    TAlarmRec elsewhere = shown;
    ASSERT_EQ(TUserAlarm(*Other_, elsewhere, id).Snooze(StampAt(9, 5)), TUserAlarm::TOutcome::Done);
    EXPECT_EQ(TUserAlarm(*Db_, shown, id).SwitchOff(), TUserAlarm::TOutcome::Done);
    EXPECT_EQ(Db_->AlarmFile.RecordCount(), 0);
}

TEST_F(UserAlarmTest, ReadEventTellsAMissingEventFromAFailedRead)
{
    const std::string entry = Others_->Event(StampAt(9, 0), kAnna, {kAnna}, "there");
    TAlarmRec shown{};
    SetField(shown.EntryId, entry);
    SetAlarmUser(shown, kAnna);
    TDayEntryRec found;
    TUserAlarm alarm(*Db_, shown, "0000000001");
    ASSERT_TRUE(alarm.ReadEvent(found));
    EXPECT_STREQ(found.Description, "there");

    SetField(shown.EntryId, "0000000077");
    EXPECT_FALSE(alarm.ReadEvent(found));

    SetField(shown.EntryId, entry);
    SetAlarmUser(shown, kBert);
    EXPECT_FALSE(alarm.ReadEvent(found)) << "the event under that id is not his";

    ASSERT_TRUE(Db_->DayEntryFile.Close());
    EXPECT_THROW(alarm.ReadEvent(found), std::runtime_error) << "a failed read is no proof of a deleted event";
}

TEST_F(UserAlarmTest, DeleteOrphanRemovesTheAlarmOrFindsItAlreadyGone)
{
    const std::string id = Others_->Alarm("0000000050", kAnna, StampAt(9, 0));
    TAlarmRec shown = Read(id);
    TUserAlarm alarm(*Db_, shown, id);
    {
        const TRecordLock held(Other_->AlarmFile, id);
        EXPECT_THROW(alarm.DeleteOrphan(), std::runtime_error);
    }
    EXPECT_EQ(Db_->AlarmFile.RecordCount(), 1);
    alarm.DeleteOrphan();
    EXPECT_EQ(Db_->AlarmFile.RecordCount(), 0);
    EXPECT_NO_THROW(alarm.DeleteOrphan()) << "removed meanwhile by the same user elsewhere";
}

}  // namespace
