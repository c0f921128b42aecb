#include "events/EventCommands.h"

#include "events/EventAlarms.h"
#include "storage/OrbekoDB.h"
#include "storage/RecordLock.h"
#include "storage/Stamp.h"

#include <stdexcept>

std::string TEventCommands::AddEvent(const TDayEntryRec& entry, const TAlarmRec& alarm)
{
    TXIsamFile& file = Db_.DayEntryFile;
    if (!file.Add(entry, ""))
        throw std::runtime_error(file.StatusText());
    const std::string entryId = file.LastKey();
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
