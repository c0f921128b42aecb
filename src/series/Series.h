#pragma once

#include "storage/EventDetails.h"
#include "storage/Records.h"
#include "storage/Stamp.h"

#include <cstdint>
#include <optional>
#include <string>

// A recurring event: its rule, and the event each occurrence is made from.
// Its occurrences are ordinary day entries linked to it (TSeriesStore), so
// every view, report, alarm and older workstation treats them as events.
struct TSeries
{
    std::string Id;  // none until stored
    std::string RRule;
    // The first occurrence's entry: its start is the one the rule counts
    // from, its time of day every occurrence's.
    TDayEntryRec Template{};
    // Place and notes of every occurrence; EndStamp unused (see Duration).
    TEventDetails Details;
    int64_t Duration = 0;  // seconds from each start to its end; 0 none
    // Seconds before each start that its assignees' alarms are due; none
    // when the occurrences have no alarm.
    std::optional<int64_t> AlarmLead;
    // Made up to and including this stamp; later starts are made as time passes.
    int64_t MadeUntil = 0;
    // The iCalendar UID it was imported with or exported under.
    std::string Uid;

    int64_t Start() const { return IdValue(FieldText(Template.EntryStamp)); }
};

// One made occurrence: its day entry and the start the rule gave it.
struct TOccurrence
{
    std::string SeriesId;
    std::string EventId;
    int64_t Original = 0;
    // Changed on its own ("this occurrence"): a change of the series leaves it.
    bool Changed = false;
    TDayEntryRec Entry{};
};
