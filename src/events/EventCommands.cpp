#include "events/EventCommands.h"

#include "events/EventAlarms.h"
#include "storage/OrbekoDB.h"
#include "storage/RecordLock.h"
#include "storage/Stamp.h"

#include "storage/KfsStatus.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

// Keys tried before a busy file gives up an add.
constexpr int kKeyAttempts = 100;

}  // namespace

std::string TEventCommands::AddEvent(const TDayEntryRec& entry, const TAlarmRec& alarm)
{
    // The new entry is added under a key locked beforehand and stays locked
    // until its alarms are written: otherwise another workstation could edit
    // or delete it in between and leave alarms for users it no longer has.
    TXIsamFile& file = Db_.DayEntryFile;
    std::optional<TRecordLock> lock;
    int64_t candidate = 0;
    for (int attempt = 0; attempt < kKeyAttempts; ++attempt) {
        const std::string next = file.NextKey();
        if (next.empty())
            throw std::runtime_error(file.StatusText());
        candidate = std::max(candidate + 1, IdValue(next));
        const std::string key = IdText(candidate);
        lock.emplace(file, key);
        if (!lock->Held())
            continue;  // another workstation is adding under this key
        if (file.Add(entry, key))
            break;
        if (file.Status() != ksNameInUse)
            throw std::runtime_error(file.StatusText());
        lock.reset();
    }
    if (!lock || !lock->Held())
        throw std::runtime_error(TXIsamFile::StatusText(ksLocked));
    const std::string entryId = lock->Key();
    if (alarm.Flags & afAlarmed)
        WriteAlarms(entry, entryId, alarm);
    return entryId;
}

TEventResult TEventCommands::DeleteEvent(const std::string& entryId)
{
    // The entry is locked before its alarms go, so that an event that
    // cannot be deleted keeps its alarms.
    TXIsamFile& file = Db_.DayEntryFile;
    const TRecordLock lock(file, entryId);
    if (!lock.Held())
        return TEventResult::EntryLocked;
    if (!DeleteAlarms(entryId))
        return TEventResult::AlarmLocked;
    if (!file.Delete(entryId))
        throw std::runtime_error(file.StatusText());
    return TEventResult::Done;
}

void TEventCommands::WriteAlarms(const TDayEntryRec& entry, const std::string& entryId, TAlarmRec alarm)
{
    TXIsamFile& file = Db_.AlarmFile;
    SetField(alarm.EntryId, entryId);
    for (const auto& slot : entry.AssigneeIds) {
        // A free slot holds "0000000000"; one left blank is free as well.
        const std::string userId = FieldText(slot);
        if (IdValue(userId) == 0)
            continue;
        SetAlarmUser(alarm, userId);
        if (!file.Add(alarm, ""))
            throw std::runtime_error(file.StatusText());
    }
}

bool TEventCommands::DeleteAlarms(const std::string& entryId)
{
    TEventAlarms alarms(Db_.AlarmFile, entryId);
    if (!alarms.Locked())
        return false;
    alarms.DeleteAll();
    return true;
}
