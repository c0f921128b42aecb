#pragma once

#include "storage/Records.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

class TOrbekoDB;

// What becomes of a deleted user's events. An empty NewOwnerId deletes the
// events he owns, an empty NewAssigneeId those assigned to him alone.
struct TUserDeletionPlan
{
    std::string UserId;
    std::string NewOwnerId;
    std::string NewAssigneeId;
};

// The refusal to delete the last user who can administer; its message
// tells why.
class ELastAdministrator : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What the plan does to one event.
enum class TEntryChange { None, Rewrite, Delete };

// Deletes a user: walks every event once, in identifier order, handing his
// owned events to another user or deleting them and taking him off the
// events assigned to him, deletes his alarms and every alarm of the events
// it deleted, and finally his user record.
// Each event and alarm is changed under its record lock and read again
// under it, so a change another workstation saved after the walk read the
// record is kept. Not a transaction: a run that stops leaves the records
// changed so far changed, and running again finishes the work.
class TUserDeletion
{
public:
    static constexpr const char* LockedMessage = "Unable to complete deletion. Another user has locked the database";

    TUserDeletion(TOrbekoDB& db, TUserDeletionPlan plan);

    // Told the number of events before the walk starts.
    std::function<void(int32_t count)> OnStart;
    // Told after each event has been read, before anything is done to it.
    std::function<void()> OnStep;

    // Runs the deletion; true when at least one of his alarms was deleted. A record
    // that another user holds throws std::runtime_error with LockedMessage,
    // a failed read or write one with the file's status. The last user who
    // can administer is refused before anything changes.
    bool Run();

    // Throws ELastAdministrator when the user is the last one who can
    // administer.
    void RefuseLastAdministrator();

    // Applies the plan to entry.
    static TEntryChange Apply(const TUserDeletionPlan& plan, TDayEntryRec& entry);

private:
    static bool Involves(const std::string& userId, const TDayEntryRec& entry);
    TEntryChange ChangeEntry(const std::string& id);
    // Deletes the alarms whose key keyNumber begins with id; true when
    // there was one.
    bool DeleteAlarms(int16_t keyNumber, const std::string& id);
    // Takes the user out of the series as out of their occurrences.
    void ChangeSeries();

    TOrbekoDB& Db_;
    const TUserDeletionPlan Plan_;
};
