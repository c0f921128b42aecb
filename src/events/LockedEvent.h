#pragma once

#include "events/EventCommands.h"
#include "kfstore/RecordLock.h"
#include "storage/EventDetails.h"
#include "storage/Records.h"

#include <string>

class TOrbekoDB;

// One event opened for a change: its entry locked for as long as this
// object lives and read again under the lock, never taken from a view.
class TLockedEvent
{
public:
    // Locks the entry; when the lock is held, reads the entry and the first
    // of its alarms, or starts a fresh alarm due at alarmStamp when it has
    // none. A failed read (other than of an entry that is gone) throws
    // std::runtime_error with the file's status and releases the lock.
    TLockedEvent(TOrbekoDB& db, const std::string& entryId, const std::string& alarmStamp);

    // False when another user holds the entry; nothing has been read then.
    bool Locked() const { return Lock_.Held(); }
    // False when the entry is gone, deleted on another workstation after a
    // view listed it; its alarms have not been read then.
    bool Found() const { return Found_; }
    const std::string& EntryId() const { return Lock_.Key(); }

    TDayEntryRec Entry{};
    TAlarmRec Alarm{};
    TEventDetails Details;
    bool HadAlarm = false;

    // Rewrites the entry with its details and brings its alarms in step with Alarm.Flags:
    // every assignee's alarm is replaced by one due at Alarm.AlarmStamp, so
    // removed assignees lose theirs. AlarmLocked, with nothing written, when
    // another user holds one of the event's alarms.
    TEventResult Store();

private:
    TOrbekoDB& Db_;
    const TRecordLock Lock_;
    bool Found_ = false;
    TDayEntryRec Stored_{};  // as read under the lock
};
