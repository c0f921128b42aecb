#include "events/LockedEvent.h"

#include "events/EventAlarms.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"

#include <stdexcept>

TLockedEvent::TLockedEvent(TOrbekoDB& db, const std::string& entryId, const std::string& alarmStamp)
    : Db_(db), Lock_(db.DayEntryFile, entryId)
{
    if (!Locked())
        return;
    Found_ = FindRecord(Db_.DayEntryFile, Entry, TOrbekoDB::DayEntryIdKey, entryId);
    if (!Found_)
        return;
    Stored_ = Entry;
    Details = Db_.Details.Event(entryId, Entry);
    HadAlarm = FindRecord(Db_.AlarmFile, Alarm, TOrbekoDB::AlarmEntryKey, entryId);
    if (!HadAlarm) {
        Db_.InitAlarm(Alarm);
        SetField(Alarm.AlarmStamp, alarmStamp);
    }
}

TEventResult TLockedEvent::Store()
{
    const bool wanted = (Alarm.Flags & afAlarmed) != 0;
    // Every alarm to be replaced is locked before anything is written, so a
    // refused lock leaves the event and its alarms as they were. They are
    // the alarms stored now, not those the editor was opened with: a save
    // tried again after a failure finds what the failed one left.
    TEventAlarms alarms(Db_.AlarmFile, EntryId());
    if (!alarms.Locked())
        return TEventResult::AlarmLocked;
    // The details first, guarded for the entry both as stored and as it
    // will be: an entry write that does not follow leaves them its own.
    Db_.Details.WriteEvent(EntryId(), Entry, Details, &Stored_);
    if (!Db_.DayEntryFile.Rewrite(Entry, EntryId()))
        throw std::runtime_error(Db_.DayEntryFile.StatusText());
    Stored_ = Entry;
    alarms.DeleteAll();
    if (wanted)
        TEventCommands(Db_).WriteAlarms(Entry, EntryId(), Alarm);
    return TEventResult::Done;
}
