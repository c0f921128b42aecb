#pragma once

#include "storage/Records.h"

#include <string>

class TOrbekoDB;

// One alarm record of a user, as a notice shows it, and what the user can
// do with it. Every change is made under the record's lock on a copy read
// again under that lock, and only while the record is still this user's
// alarm for this event: meanwhile an event command may have replaced the
// event's alarms, and a replacement can carry the same id.
class TUserAlarm
{
public:
    enum class TOutcome {
        Done,    // changed as asked
        Locked,  // another handle holds the record; nothing changed
        Gone,    // the alarm is no longer there; nothing changed
    };

    // alarm is the caller's buffer; it follows a snooze.
    TUserAlarm(TOrbekoDB& db, TAlarmRec& alarm, std::string alarmId);

    // Reads the alarm's event into entry; false when no such event exists,
    // or when the alarm's user is not among its assignees: such an alarm
    // was left behind when the event was changed, or deleted and its id
    // given to another, while the alarm was being written; showing it would
    // show the user someone else's event. Any other failed read raises the
    // file's status text: a busy database is no reason to think the event
    // deleted.
    bool ReadEvent(TDayEntryRec& entry);
    // Removes the alarm of an event that no longer exists; an alarm already
    // gone counts as removed. A refused lock or failed delete raises the
    // file's status text.
    void DeleteOrphan();
    // Moves the alarm to dueStamp (a 10-digit stamp text), keeping its
    // UserAlarmKey in step. A failed read or rewrite raises the status text.
    TOutcome Snooze(const std::string& dueStamp);
    // Deletes the alarm. A failed read or delete raises the status text.
    TOutcome SwitchOff();

    // A failure's message, with what the database's folder shows of its
    // cause below it.
    std::string Diagnosed(const std::string& message) const;

private:
    // Reads the record under its id; false when it is gone or now belongs
    // to another user or event.
    bool ReadSame(TAlarmRec& stored);

    TOrbekoDB& Db_;
    TAlarmRec& Alarm_;
    const std::string AlarmId_;
};
