#pragma once

#include "events/EventCommands.h"
#include "storage/EventDetails.h"
#include "storage/Records.h"

#include <optional>
#include <string>

class TOrbekoDB;

// Told when an undo finds the event changed since it was moved.
inline constexpr const char* kUndoChangedText =
    "The event has been changed since it was moved here. The move cannot be undone";

// A move or a change of length of one event, as a drag in a view gives it:
// the entry and its details rewritten under the entry's lock, its alarms
// moved by the same offset as its start (each user's own due time kept in
// step, a snooze included). A refused lock changes nothing.
class TEventMove
{
public:
    // What a move left, so that it can be taken back while nobody has
    // changed the event since.
    struct TDone
    {
        std::string EntryId;
        TDayEntryRec Before{};
        TEventDetails BeforeDetails;
        TDayEntryRec After{};
        TEventDetails AfterDetails;
    };

    explicit TEventMove(TOrbekoDB& db) : Db_(db) {}

    // Moves the entry to start at newStart; newEnd is its end, empty for
    // none. Done in `done` with what was stored.
    TEventResult Move(const std::string& entryId, const std::string& newStart, const std::string& newEnd,
                      TDone* done = nullptr);
    // Takes a move back when the entry is still as the move stored it;
    // Missing also when it has been changed since.
    TEventResult Undo(const TDone& done);

private:
    // Rewrites the entry as `entry` with `details` when it is stored as
    // `expected` (not checked when none); the alarms follow the start.
    TEventResult Rewrite(const std::string& entryId, const TDayEntryRec* expected, const TEventDetails* expectedDetails,
                         TDayEntryRec entry, const TEventDetails& details, TDone* done);

    TOrbekoDB& Db_;
};
