#include "app/UserAlarm.h"

#include "storage/KeyWalk.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "kfstore/RecordLock.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const TXIsamFile& file)
{
    throw std::runtime_error(file.StatusText());
}

// Only another user's lock is worth waiting for; any other refusal (a
// folder gone or read-only) is a failure with its own reason.
TUserAlarm::TOutcome LockRefused(const TXIsamFile& alarms)
{
    if (alarms.Status() != ksLocked)
        Fail(alarms);
    return TUserAlarm::TOutcome::Locked;
}

}  // namespace

TUserAlarm::TUserAlarm(TOrbekoDB& db, TAlarmRec& alarm, std::string alarmId)
    : Db_(db), Alarm_(alarm), AlarmId_(std::move(alarmId))
{
}

bool TUserAlarm::ReadEvent(TDayEntryRec& entry)
{
    TXIsamFile& entries = Db_.DayEntryFile;
    if (!FindRecord(entries, entry, TOrbekoDB::DayEntryIdKey, FieldText(Alarm_.EntryId)))
        return false;
    const std::string userId = FieldText(Alarm_.UserId);
    return std::any_of(std::begin(entry.AssigneeIds), std::end(entry.AssigneeIds),
                       [&](const char(&slot)[11]) { return FieldText(slot) == userId; });
}

bool TUserAlarm::ReadSame(TAlarmRec& stored)
{
    TXIsamFile& alarms = Db_.AlarmFile;
    if (!FindRecord(alarms, stored, TOrbekoDB::AlarmIdKey, AlarmId_))
        return false;
    return FieldText(stored.UserId) == FieldText(Alarm_.UserId) &&
           FieldText(stored.EntryId) == FieldText(Alarm_.EntryId);
}

void TUserAlarm::DeleteOrphan()
{
    TXIsamFile& alarms = Db_.AlarmFile;
    const TRecordLock lock(alarms, AlarmId_);
    if (!lock.Held())
        Fail(alarms);
    TAlarmRec stored;
    if (ReadSame(stored) && !alarms.Delete(AlarmId_))
        Fail(alarms);
}

TUserAlarm::TOutcome TUserAlarm::Snooze(const std::string& dueStamp)
{
    TXIsamFile& alarms = Db_.AlarmFile;
    const TRecordLock lock(alarms, AlarmId_);
    if (!lock.Held())
        return LockRefused(alarms);
    TAlarmRec stored;
    if (!ReadSame(stored))
        return TOutcome::Gone;
    SetAlarmStamp(stored, dueStamp);
    if (!alarms.Rewrite(stored, AlarmId_))
        Fail(alarms);
    Alarm_ = stored;
    return TOutcome::Done;
}

TUserAlarm::TOutcome TUserAlarm::SwitchOff()
{
    TXIsamFile& alarms = Db_.AlarmFile;
    const TRecordLock lock(alarms, AlarmId_);
    if (!lock.Held())
        return LockRefused(alarms);
    TAlarmRec stored;
    if (!ReadSame(stored))
        return TOutcome::Gone;
    if (!alarms.Delete(AlarmId_))
        Fail(alarms);
    return TOutcome::Done;
}

std::string TUserAlarm::Diagnosed(const std::string& message) const
{
    return Db_.Diagnosed(message);
}
