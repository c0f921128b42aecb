#include "events/EventMove.h"

#include "kfstore/RecordLock.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"

#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

bool SameRecord(const TDayEntryRec& a, const TDayEntryRec& b)
{
    return std::memcmp(&a, &b, sizeof(TDayEntryRec)) == 0;
}

}  // namespace

TEventResult TEventMove::Move(const std::string& entryId, const std::string& newStart, const std::string& newEnd,
                              TDone* done)
{
    TDayEntryRec entry{};
    SetField(entry.EntryStamp, newStart);
    TEventDetails details;
    details.EndStamp = newEnd;
    // Only the times change; the rest is taken as read under the lock.
    return Rewrite(entryId, nullptr, nullptr, entry, details, done);
}

TEventResult TEventMove::Undo(const TDone& done)
{
    return Rewrite(done.EntryId, &done.After, &done.AfterDetails, done.Before, done.BeforeDetails, nullptr);
}

TEventResult TEventMove::Rewrite(const std::string& entryId, const TDayEntryRec* expected,
                                 const TEventDetails* expectedDetails, TDayEntryRec entry, const TEventDetails& details,
                                 TDone* done)
{
    TXIsamFile& file = Db_.DayEntryFile;
    const TRecordLock lock(file, entryId);
    if (!lock.Held())
        return TEventResult::EntryLocked;
    TDayEntryRec stored;
    if (!FindRecord(file, stored, TOrbekoDB::DayEntryIdKey, entryId))
        return TEventResult::Missing;
    const TEventDetails storedDetails = Db_.Details.Event(entryId, stored);
    if (expected && (!SameRecord(stored, *expected) || storedDetails != *expectedDetails))
        return TEventResult::Missing;

    TEventDetails wanted = storedDetails;
    wanted.EndStamp = details.EndStamp;
    if (!expected) {
        // A move: everything but the times as stored now.
        const std::string start = FieldText(entry.EntryStamp);
        entry = stored;
        SetField(entry.EntryStamp, start);
    }
    const int64_t offset = IdValue(FieldText(entry.EntryStamp)) - IdValue(FieldText(stored.EntryStamp));

    // Every alarm is locked before anything is written, so that a refused
    // lock leaves the event and its alarms as they were.
    std::vector<TRecordLock> alarmLocks;
    std::vector<TAlarmRec> alarms;
    {
        std::vector<std::string> ids;
        TAlarmRec alarm;
        TKeyWalk walk = TKeyWalk::Prefix(Db_.AlarmFile, TOrbekoDB::AlarmEntryKey, entryId);
        while (walk.Next(alarm))
            ids.push_back(walk.Id());
        for (const std::string& id : ids) {
            TRecordLock alarmLock(Db_.AlarmFile, id);
            if (!alarmLock.Held())
                return TEventResult::AlarmLocked;
            // Switched off meanwhile by the alarm monitor: nothing to move.
            if (!FindRecord(Db_.AlarmFile, alarm, TOrbekoDB::AlarmIdKey, id))
                continue;
            alarms.push_back(alarm);
            alarmLocks.push_back(std::move(alarmLock));
        }
    }

    Db_.Details.WriteEvent(entryId, entry, wanted, &stored);
    if (!file.Rewrite(entry, entryId))
        throw std::runtime_error(file.StatusText());
    for (std::size_t i = 0; i < alarms.size(); ++i) {
        TAlarmRec& alarm = alarms[i];
        SetAlarmStamp(alarm, IdText(IdValue(FieldText(alarm.AlarmStamp)) + offset));
        if (!Db_.AlarmFile.Rewrite(alarm, alarmLocks[i].Key()))
            throw std::runtime_error(Db_.AlarmFile.StatusText());
    }
    if (done) {
        *done = {entryId, stored, storedDetails, entry, Db_.Details.Event(entryId, entry)};
    }
    return TEventResult::Done;
}
