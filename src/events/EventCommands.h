#pragma once

#include "storage/Records.h"

#include <string>

class TOrbekoDB;

// Messages of commands refused because another user holds a lock.
inline constexpr const char* kEditLockedText = "Unable to edit event properties. Another user has locked it";
inline constexpr const char* kDeleteLockedText = "Unable to delete event. Another user has locked it";
inline constexpr const char* kAlarmLockedText = "Unable to delete alarm. Another user has locked it";

// What a command that takes record locks came to. A refused command has
// changed nothing.
enum class TEventResult { Done, EntryLocked, AlarmLocked };

// The database work of the event commands, free of windows so that it can
// be driven without dialogs. An event is its day entry record with one
// alarm record per assignee when it has an alarm. Writing puts the entry
// first and its alarms after it; deleting takes the alarms first and the
// entry last. Records are changed and deleted only under their record
// locks; a failed read or write throws std::runtime_error with the file's
// status text.
class TEventCommands
{
public:
    explicit TEventCommands(TOrbekoDB& db) : Db_(db) {}

    // Adds the entry under a new identifier and, when the alarm is set, one
    // alarm per assignee. Returns the entry's identifier.
    std::string AddEvent(const TDayEntryRec& entry, const TAlarmRec& alarm);

    // Deletes the event's alarms and then the event. Nothing is deleted
    // when another user holds the entry or one of the alarms.
    TEventResult DeleteEvent(const std::string& entryId);

    // Adds a copy of alarm for every assignee of the entry, each under a new
    // identifier, with the alarm's flags and due time.
    void WriteAlarms(const TDayEntryRec& entry, const std::string& entryId, TAlarmRec alarm);

    // Deletes every alarm of the event; false, with none deleted, when
    // another user holds one of them.
    bool DeleteAlarms(const std::string& entryId);

private:
    TOrbekoDB& Db_;
};
