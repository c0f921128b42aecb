#pragma once

#include "series/Series.h"
#include "storage/EventDetails.h"
#include "storage/Records.h"

#include <functional>
#include <optional>
#include <string>

class TFilterRules;
class TOrbekoCfg;
class TOrbekoDB;
class TSession;
class TfrmEvent;

// Messages of commands refused because another user holds a lock.
inline constexpr const char* kEditLockedText = "Unable to edit event properties. Another user has locked it";
inline constexpr const char* kDeleteLockedText = "Unable to delete event. Another user has locked it";
inline constexpr const char* kAlarmLockedText = "Unable to delete alarm. Another user has locked it";
// An event that another workstation deleted after the view had listed it.
inline constexpr const char* kEventGoneText = "This event no longer exists. Another user has deleted it";
// Asked when one occurrence of a repeating event is opened or deleted.
inline constexpr const char* kOpenOccurrenceText =
    "\"%1\" is one occurrence of a repeating event.\r\rOpen only this occurrence, this and the following "
    "occurrences, or every occurrence of the series?";
inline constexpr const char* kDeleteOccurrenceText =
    "Delete event \"%1\".\r\rIt is one occurrence of a repeating event: delete only this occurrence, this and "
    "the following occurrences, or every occurrence of the series?";
inline constexpr const char* kKeepExceptionsText =
    "Some occurrences of this series were changed or deleted on their own.\r\rShould they stay as they are?";
inline constexpr const char* kEntryHiddenText =
    "This entry will not be displayed due to your privaledges / filtering options";

// What a command that takes record locks came to. A refused command has
// changed nothing.
enum class TEventResult { Done, EntryLocked, AlarmLocked, Missing };

// Who runs an event command: the logged-in user and the filter of his views.
struct TEventUser
{
    const TSession& Session;
    const TFilterRules& ViewRules;
};

// What the active view shows: the selected entry ("0000000000" for none)
// with its description, and the view's day and hour that a new event and a
// new alarm start from.
struct TEventSelection
{
    std::string EntryId;
    std::string Description;
    std::string ViewStamp;
};

// The event commands New, Properties and Delete as the user runs them (the
// Run... flows, with the editor and the messages), and beneath them the
// database work, free of windows so that it can be driven without dialogs.
// An event is its day entry record with one
// alarm record per assignee when it has an alarm, and its details. Writing
// puts the entry first and its alarms after it; deleting takes the alarms
// first, the entry next and its details last. Records are changed and deleted only under their record
// locks; a failed read or write throws std::runtime_error with the file's
// status text.
class TEventCommands
{
public:
    explicit TEventCommands(TOrbekoDB& db) : Db_(db) {}

    // Each flow returns true when the view must be reloaded: something was
    // stored, or the selected event turned out to be gone. A refused lock
    // or a cancelled editor changes nothing and is answered false.
    bool RunNew(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user, const TEventSelection& selection);
    // The entry stays locked while the editor is open.
    bool RunProperties(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user,
                       const TEventSelection& selection);
    bool RunDelete(const TEventUser& user, const TEventSelection& selection);

    // Adds the entry under a new identifier with its details and, when the
    // alarm is set, one alarm per assignee. Returns the entry's identifier.
    std::string AddEvent(const TDayEntryRec& entry, const TAlarmRec& alarm, const TEventDetails& details = {});

    // Deletes the event's alarms and then the event. Nothing is deleted
    // when another user holds the entry or one of the alarms; Missing when
    // the entry was no longer there.
    TEventResult DeleteEvent(const std::string& entryId);

    // Adds a copy of alarm for every assignee of the entry, each under a new
    // identifier, with the alarm's flags and due time.
    void WriteAlarms(const TDayEntryRec& entry, const std::string& entryId, TAlarmRec alarm);

    // Deletes every alarm of the event; false, with none deleted, when
    // another user holds one of them.
    bool DeleteAlarms(const std::string& entryId);

private:
    // The occurrence of a series the entry is, if it is one.
    std::optional<TOccurrence> OccurrenceOf(const std::string& entryId);
    // Adds a new series from what the editor gave; false when its rule gives no day.
    bool AddSeries(const TDayEntryRec& entry, const TAlarmRec& alarm, const TEventDetails& details,
                   const std::string& rrule);
    // Opens the series of the occurrence in the editor and changes all of it,
    // or this occurrence and the ones after it.
    bool RunSeries(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user, const TOccurrence& occurrence,
                   bool following);
    bool RunProperties(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user,
                       const TEventSelection& selection, const std::optional<TOccurrence>& occurrence);

    // Without the right to add entries for others a user adds and edits
    // events for himself alone.
    static void OfferAssignees(TfrmEvent& editor, const TEventUser& user);
    static void TellWhenHidden(const TEventUser& user, const TDayEntryRec& entry);
    // A user whose record has gone since he logged in writes nothing: true,
    // after telling him, when the users file no longer has him.
    bool Refused(const TEventUser& user);
    // Runs a save under the wait cursor; a failure is shown with its reason
    // and what the folder shows of it, and gives false, so that the editor
    // can open again on what was typed.
    bool Saved(const std::function<void()>& save) const;

    TOrbekoDB& Db_;
};
