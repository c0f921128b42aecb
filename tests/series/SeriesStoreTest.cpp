#include "kfstore/RecordLock.h"
#include "kfstore/StoreFixture.h"
#include "series/SeriesExpansion.h"
#include "series/SeriesStore.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "support/ChildProcess.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>
#include <map>
#include <memory>
#include <set>

namespace {

constexpr int64_t kDay = 86400;

int64_t At(int year, int month, int day, int hour = 9)
{
    return QDateTime(QDate(year, month, day), QTime(hour, 0), QTimeZone::utc()).toSecsSinceEpoch();
}

// Monday 4 January 2027, nine o'clock; "now" is the Friday before.
const int64_t kMonday = At(2027, 1, 4);
const int64_t kNow = At(2027, 1, 1, 12);

std::string When(int64_t stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, QTimeZone::utc()).toString("yyyy-MM-dd hh").toStdString();
}

std::string DayText(int64_t stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, QTimeZone::utc()).toString("MM-dd").toStdString();
}

TSeries Weekly(const std::string& owner, const std::vector<std::string>& assignees, const std::string& rrule,
               int64_t start = kMonday)
{
    TSeries series;
    series.RRule = rrule;
    series.Template.Marker = 1;
    SetField(series.Template.EntryStamp, IdText(start));
    SetField(series.Template.OwnerId, owner);
    SetField(series.Template.CategoryId, kNoneId);
    SetField(series.Template.Description, "Staff meeting");
    for (int slot = 0; slot < kMaxAssignees; ++slot)
        SetField(series.Template.AssigneeIds[slot], slot < static_cast<int>(assignees.size()) ? assignees[slot] : kNoneId);
    return series;
}

// Makes the series' horizon move on in a child process, as a second
// workstation: says "ready", waits for SIGUSR1, extends every series due.
ORBEKO_CHILD_ROLE(ExtendDue)
{
    sigset_t go;
    sigemptyset(&go);
    sigaddset(&go, SIGUSR1);
    sigprocmask(SIG_BLOCK, &go, nullptr);
    TScriptedDBShell shell;
    TOrbekoDB db(shell, args[0]);
    TSeriesStore store(db, std::stoll(args[1]));
    std::printf("ready\n");
    std::fflush(stdout);
    int signal = 0;
    sigwait(&go, &signal);
    // A refused lock means the other is at it: look again until the
    // horizon has moved, by either.
    const int64_t horizon = std::stoll(args[1]) + TSeriesStore::kHorizon;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        store.ExtendDue();
        const std::optional<TSeries> series = store.Read(args[2]);
        if (series && series->MadeUntil >= horizon)
            break;
        usleep(10000);
    }
    std::printf("done\n");
    return 0;
}

class SeriesStoreTest : public TStoreHomesTest
{
protected:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        Db = std::make_unique<TOrbekoDB>(Shell, Location());
        Records.emplace(*Db);
        Ann = Records->User("ann", "Ann Smith", "AS", urAddEntries);
        Bob = Records->User("bob", "Bob Jones", "BJ", urAddEntries);
    }

    // The descriptions of the series' occurrences by day.
    std::map<std::string, std::string> Days(TSeriesStore& store, const std::string& id)
    {
        std::map<std::string, std::string> days;
        for (const TOccurrence& occurrence : store.Occurrences(id))
            days[When(IdValue(FieldText(occurrence.Entry.EntryStamp)))] = FieldText(occurrence.Entry.Description);
        return days;
    }

    int Alarms(const std::string& eventId)
    {
        int count = 0;
        TAlarmRec alarm;
        TKeyWalk walk = TKeyWalk::Prefix(Db->AlarmFile, TOrbekoDB::AlarmEntryKey, eventId);
        while (walk.Next(alarm))
            ++count;
        return count;
    }

    void DeleteOccurrence(const TOccurrence& occurrence)
    {
        ASSERT_TRUE(Db->DayEntryFile.Delete(occurrence.EventId));
        Db->Details.RemoveEvent(occurrence.EventId);
    }

    void ChangeOccurrence(TSeriesStore& store, const TOccurrence& occurrence, const std::string& description)
    {
        TDayEntryRec entry = occurrence.Entry;
        SetField(entry.Description, description);
        Db->Details.WriteEvent(occurrence.EventId, entry, {}, &occurrence.Entry);
        ASSERT_TRUE(Db->DayEntryFile.Rewrite(entry, occurrence.EventId));
        store.MarkChanged(occurrence.EventId, entry);
    }

    TScriptedDBShell Shell;
    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    std::string Ann;
    std::string Bob;
};

struct TMakeCase
{
    const char* Why;
    const char* RRule;
    int64_t Start;
    std::size_t Made;
    const char* First;
    const char* Last;
};

// What a new series makes: every start to the horizon (1 July 2028 from
// 1 January 2027), as many as its rule gives, none for a rule that gives none.
const TMakeCase kMakeCases[] = {
    {"weekly without end", "FREQ=WEEKLY;BYDAY=MO", kMonday, 78, "01-04", "06-26"},
    {"twice a week until June", "FREQ=WEEKLY;UNTIL=20270630T235959;BYDAY=MO,TH", kMonday, 51, "01-04", "06-28"},
    {"ten times", "FREQ=DAILY;COUNT=10", kMonday, 10, "01-04", "01-13"},
    {"last day of each month", "FREQ=MONTHLY;BYMONTHDAY=-1", At(2027, 1, 31), 18, "01-31", "06-30"},
    {"29 February", "FREQ=YEARLY", At(2028, 2, 29), 1, "02-29", "02-29"},
    {"a start long past makes its past too", "FREQ=MONTHLY;BYDAY=1MO", At(2026, 1, 5), 30, "01-05", "06-05"},
    {"a rule gone wild is bounded", "FREQ=HOURLY", kMonday, TSeriesExpansion::kMaxStarts, "01-04", "03-28"},
    {"no start at all", "FREQ=DAILY;UNTIL=20261231T235959", kMonday, 0, "", ""},
};

TEST_P(SeriesStoreTest, ANewSeriesMakesItsOccurrencesToTheHorizon)
{
    for (const TMakeCase& c : kMakeCases) {
        SCOPED_TRACE(c.Why);
        TSeriesStore store(*Db, kNow);
        TSeriesStore::TResult result;
        const std::string id = store.Create(Weekly(Ann, {Ann}, c.RRule, c.Start), &result);
        if (c.Made == 0) {
            EXPECT_EQ(result, TSeriesStore::TResult::NoOccurrence);
            EXPECT_TRUE(id.empty());
            continue;
        }
        ASSERT_EQ(result, TSeriesStore::TResult::Done);
        const std::vector<TOccurrence> made = store.Occurrences(id);
        ASSERT_EQ(made.size(), c.Made);
        EXPECT_EQ(DayText(made.front().Original), c.First);
        EXPECT_EQ(DayText(made.back().Original), c.Last);
        std::set<std::string> ids;
        for (const TOccurrence& occurrence : made) {
            ids.insert(occurrence.EventId);
            EXPECT_EQ(IdValue(FieldText(occurrence.Entry.EntryStamp)), occurrence.Original);
            EXPECT_EQ(FieldText(occurrence.Entry.Description), "Staff meeting");
            ASSERT_TRUE(store.LinkOf(occurrence.EventId, occurrence.Entry));
            EXPECT_EQ(store.LinkOf(occurrence.EventId, occurrence.Entry)->SeriesId, id);
        }
        EXPECT_EQ(ids.size(), made.size());
        EXPECT_EQ(store.Read(id)->RRule, c.RRule);
    }
}

TEST_P(SeriesStoreTest, TheHorizonMovesOnWithTimeAndNothingIsMadeTwice)
{
    const std::string id = TSeriesStore(*Db, kNow).Create(Weekly(Ann, {Ann}, "FREQ=WEEKLY;BYDAY=MO"));
    // Not yet near: nothing to do.
    EXPECT_EQ(TSeriesStore(*Db, kNow + 20 * kDay).ExtendDue(), 0);
    EXPECT_EQ(TSeriesStore(*Db, kNow).Occurrences(id).size(), 78u);
    // A month on, the horizon is near and moves a month.
    TSeriesStore later(*Db, kNow + 40 * kDay);
    EXPECT_EQ(later.ExtendDue(), 1);
    EXPECT_EQ(later.Occurrences(id).size(), 84u);
    EXPECT_EQ(later.ExtendDue(), 0);
    // A series that has ended is never due again.
    const std::string ended = later.Create(Weekly(Ann, {Ann}, "FREQ=WEEKLY;COUNT=3"));
    EXPECT_EQ(TSeriesStore(*Db, kNow + 900 * kDay).ExtendDue(), 1);
    EXPECT_EQ(later.Occurrences(ended).size(), 3u);
}

TEST_P(SeriesStoreTest, TwoWorkstationsExtendingAtOnceMakeEveryOccurrenceOnce)
{
    const std::string id = TSeriesStore(*Db, kNow).Create(Weekly(Ann, {Ann}, "FREQ=DAILY"));
    const int64_t later = kNow + 200 * kDay;
    std::vector<std::unique_ptr<TChildProcess>> children;
    std::string line;
    for (int i = 0; i < 2; ++i) {
        children.push_back(std::make_unique<TChildProcess>(
            "ExtendDue", std::vector<std::string>{Location(), std::to_string(later), id}));
        ASSERT_TRUE(children.back()->ReadLine(line));
        ASSERT_EQ(line, "ready");
    }
    for (auto& child : children)
        child->Kill(SIGUSR1);
    for (auto& child : children) {
        EXPECT_TRUE(child->ReadLine(line, 60000));
        EXPECT_EQ(line, "done");
        EXPECT_EQ(child->Wait(), 0);
    }
    TSeriesStore store(*Db, later);
    std::set<int64_t> starts;
    const std::vector<TOccurrence> made = store.Occurrences(id);
    for (const TOccurrence& occurrence : made)
        starts.insert(occurrence.Original);
    EXPECT_EQ(starts.size(), made.size());
    // Every day from the start to the new horizon, once.
    EXPECT_EQ(made.size(), static_cast<std::size_t>((later + TSeriesStore::kHorizon - kMonday) / kDay + 1));
    // And the day entries file holds no occurrence without its link.
    EXPECT_EQ(ScanKeys<TDayEntryRec>(Db->DayEntryFile, TOrbekoDB::DayEntryIdKey).size(), made.size());
}

// What the user does to the series of Mondays at nine from 4 January 2027,
// after deleting the occurrence of 11 January and renaming that of 18
// January on their own: the change moves it to ten and renames it.
enum class TEdit { AllKeeping, AllAfresh, Following, DeleteFollowing, DeleteAll };

struct TEditCase
{
    const char* Why;
    TEdit Edit;
    std::map<std::string, std::string> January;  // the occurrences up to 2 February
};

const TEditCase kEditCases[] = {
    {"all: exceptions stay", TEdit::AllKeeping,
     {{"2027-01-04 10", "Team meeting"}, {"2027-01-18 09", "Moved agenda"}, {"2027-01-25 10", "Team meeting"},
      {"2027-02-01 10", "Team meeting"}}},
    {"all, afresh: exceptions go", TEdit::AllAfresh,
     {{"2027-01-04 10", "Team meeting"}, {"2027-01-11 10", "Team meeting"}, {"2027-01-18 10", "Team meeting"},
      {"2027-01-25 10", "Team meeting"}, {"2027-02-01 10", "Team meeting"}}},
    {"this and following from 25 January", TEdit::Following,
     {{"2027-01-04 09", "Staff meeting"}, {"2027-01-18 09", "Moved agenda"}, {"2027-01-25 10", "Team meeting"},
      {"2027-02-01 10", "Team meeting"}}},
    {"delete from 18 January", TEdit::DeleteFollowing, {{"2027-01-04 09", "Staff meeting"}}},
    {"delete all", TEdit::DeleteAll, {}},
};

TEST_P(SeriesStoreTest, ChangingAllOrFollowingKeepsExceptionsUnlessAskedNotTo)
{
    for (const TEditCase& c : kEditCases) {
        SCOPED_TRACE(c.Why);
        TSeriesStore store(*Db, kNow);
        const std::string id = store.Create(Weekly(Ann, {Ann}, "FREQ=WEEKLY;BYDAY=MO"));
        std::vector<TOccurrence> made = store.Occurrences(id);
        DeleteOccurrence(made[1]);
        ChangeOccurrence(store, made[2], "Moved agenda");
        TSeries changed = *store.Read(id);
        SetField(changed.Template.Description, "Team meeting");
        SetField(changed.Template.EntryStamp, IdText(kMonday + 3600));
        std::string followingId;
        TSeriesStore::TResult result = TSeriesStore::TResult::Missing;
        switch (c.Edit) {
        case TEdit::AllKeeping: result = store.ChangeAll(changed, true); break;
        case TEdit::AllAfresh: result = store.ChangeAll(changed, false); break;
        case TEdit::Following:
            SetField(changed.Template.EntryStamp, IdText(made[3].Original + 3600));
            result = store.ChangeFollowing(id, made[3].Original, changed, &followingId);
            break;
        case TEdit::DeleteFollowing: result = store.DeleteFollowing(id, made[2].Original); break;
        case TEdit::DeleteAll: result = store.DeleteAll(id); break;
        }
        ASSERT_EQ(result, TSeriesStore::TResult::Done);
        std::map<std::string, std::string> days = Days(store, id);
        if (!followingId.empty())
            days.merge(Days(store, followingId));
        std::map<std::string, std::string> first;
        for (const auto& [day, what] : days)
            if (day < "2027-02-03")
                first.emplace(day, what);
        EXPECT_EQ(first, c.January);
        if (c.Edit == TEdit::DeleteAll) {
            EXPECT_FALSE(store.Read(id));
        }
        store.DeleteAll(id);
        if (!followingId.empty())
            store.DeleteAll(followingId);
        EXPECT_TRUE(ScanKeys<TDayEntryRec>(Db->DayEntryFile, TOrbekoDB::DayEntryIdKey).empty());
    }
}

TEST_P(SeriesStoreTest, EveryOccurrenceHasItsOwnAlarmsForEveryAssignee)
{
    TSeries series = Weekly(Ann, {Ann, Bob}, "FREQ=WEEKLY;COUNT=4");
    series.AlarmLead = 15 * 60;
    // The first occurrence's alarm would be past now: it is left out.
    TSeriesStore store(*Db, kMonday - 10 * 60);
    const std::string id = store.Create(series);
    const std::vector<TOccurrence> made = store.Occurrences(id);
    ASSERT_EQ(made.size(), 4u);
    EXPECT_EQ(Alarms(made[0].EventId), 0);
    for (std::size_t i = 1; i < made.size(); ++i) {
        EXPECT_EQ(Alarms(made[i].EventId), 2);
        TAlarmRec alarm;
        TKeyWalk walk = TKeyWalk::Prefix(Db->AlarmFile, TOrbekoDB::AlarmEntryKey, made[i].EventId);
        while (walk.Next(alarm))
            EXPECT_EQ(IdValue(FieldText(alarm.AlarmStamp)), made[i].Original - 15 * 60);
    }
    // Switching off one occurrence's alarm leaves the others.
    TAlarmRec alarm;
    ASSERT_TRUE(FindRecord(Db->AlarmFile, alarm, TOrbekoDB::AlarmEntryKey, made[2].EventId));
    ASSERT_TRUE(Db->AlarmFile.Delete(Db->AlarmFile.LastKey()));
    EXPECT_EQ(Alarms(made[1].EventId), 2);
    EXPECT_EQ(Alarms(made[2].EventId), 1);
    EXPECT_EQ(Alarms(made[3].EventId), 2);
}

TEST_P(SeriesStoreTest, ASeriesHeldElsewhereIsLeftWholeWithTheLockMessage)
{
    TSeries series = Weekly(Ann, {Ann}, "FREQ=WEEKLY;BYDAY=MO");
    series.AlarmLead = 600;
    TSeriesStore store(*Db, kNow);
    const std::string id = store.Create(series);
    const std::vector<TOccurrence> before = store.Occurrences(id);
    TSeries changed = *store.Read(id);
    SetField(changed.Template.Description, "Renamed");
    TScriptedDBShell shell;
    TOrbekoDB other(shell, Location());
    {
        // Another workstation changes the series...
        other.Details.Exists();
        const TRecordLock held(other.Details.File(), id);
        ASSERT_TRUE(held.Held());
        EXPECT_EQ(store.ChangeAll(changed, true), TSeriesStore::TResult::Locked);
        EXPECT_EQ(store.Extend(id), TSeriesStore::TResult::Locked);
    }
    {
        // ...or has one occurrence open, or snoozes one alarm.
        const TRecordLock entry(other.DayEntryFile, before[40].EventId);
        EXPECT_EQ(store.DeleteAll(id), TSeriesStore::TResult::Locked);
    }
    {
        TAlarmRec alarm;
        ASSERT_TRUE(FindRecord(other.AlarmFile, alarm, TOrbekoDB::AlarmEntryKey, before[70].EventId));
        const TRecordLock snoozing(other.AlarmFile, other.AlarmFile.LastKey());
        EXPECT_EQ(store.ChangeAll(changed, true), TSeriesStore::TResult::Locked);
    }
    const std::vector<TOccurrence> after = store.Occurrences(id);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].EventId, before[i].EventId);
        EXPECT_EQ(FieldText(after[i].Entry.Description), "Staff meeting");
    }
    // Free again, the change goes through whole; a rule with no start is refused.
    EXPECT_EQ(store.ChangeAll(changed, true), TSeriesStore::TResult::Done);
    for (const TOccurrence& occurrence : store.Occurrences(id))
        EXPECT_EQ(FieldText(occurrence.Entry.Description), "Renamed");
    changed.RRule = "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30";
    EXPECT_EQ(store.ChangeAll(changed, true), TSeriesStore::TResult::NoOccurrence);
    EXPECT_EQ(store.Occurrences(id).size(), before.size());
}

INSTANTIATE_STORE_HOMES(SeriesStoreTest);

}  // namespace
