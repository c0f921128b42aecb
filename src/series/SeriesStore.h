#pragma once

#include "series/Series.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

class TOrbekoDB;
class TXIsamFile;

// Messages of series commands.
inline constexpr const char* kSeriesLockedText = "Unable to change the series. Another user has locked it";
inline constexpr const char* kNoOccurrenceText = "This repeat rule gives no day on which the event would take place";

// The series of a database, kept in detail records: a head piece with the
// rule, the start it counts from and how far occurrences have been made,
// and template pieces with the event each occurrence is made from. Every
// occurrence is a day entry with a link piece naming its series and the
// start the rule gave it; a start the rule gives before the made-until mark
// without a linked entry is one the user deleted. Occurrences are made
// ahead to a horizon and extended as time passes, always under the series'
// record lock (the lock of its head piece), so two workstations never make
// the same occurrence twice nor change one series at once.
//
// Writes go in batches per file: entries first, their links next, alarms
// after and the head last, so a series read while it changes never claims
// occurrences that are not there. Failed reads and writes raise EOrbekoDB
// or std::runtime_error with the file's status.
class TSeriesStore
{
public:
    enum class TResult { Done, Locked, NoOccurrence, Missing };

    // How far ahead occurrences are made, and how near the horizon may come
    // before a workstation extends it.
    static constexpr int64_t kHorizon = 548 * 86400LL;
    static constexpr int64_t kMargin = 31 * 86400LL;

    // now: the wall-clock stamp the horizon is counted from.
    TSeriesStore(TOrbekoDB& db, int64_t now) : Db_(db), Now_(now) {}

    // Stores the series and makes its occurrences to the horizon; the series'
    // identifier, or none (NoOccurrence in result) when the rule gives no start.
    std::string Create(TSeries series, TResult* result = nullptr);
    std::optional<TSeries> Read(const std::string& id);
    // The occurrences made, in order of their original start.
    std::vector<TOccurrence> Occurrences(const std::string& id);
    // The series an event is an occurrence of, and its link; none for a plain event.
    std::optional<TOccurrence> LinkOf(const std::string& eventId, const TDayEntryRec& entry);

    // Makes occurrences up to the horizon; Locked when another workstation is at it.
    TResult Extend(const std::string& id);
    // Extends every series whose horizon is near; how many were extended.
    int ExtendDue();

    // Changes every occurrence to the series as changed. Occurrences changed
    // or deleted on their own stay so unless keepExceptions is false.
    TResult ChangeAll(const TSeries& changed, bool keepExceptions);
    // Ends the series before the occurrence that started at from (its original
    // start) and makes a new one from changed; its identifier in newId.
    // Exceptions after from carry over to the new series.
    TResult ChangeFollowing(const std::string& id, int64_t from, TSeries changed, std::string* newId = nullptr);
    TResult DeleteAll(const std::string& id);
    TResult DeleteFollowing(const std::string& id, int64_t from);
    // The starts the rule gave up to the made-until mark whose occurrence
    // the user deleted.
    std::vector<int64_t> DeletedStarts(const std::string& id);
    // Every series' identifier.
    std::vector<std::string> Ids();
    // Stores the series' rule and template as given, its occurrences left
    // as they are: for changes made to every occurrence already (a user or
    // category taken out of them).
    TResult RewriteTemplate(const TSeries& series);
    // Ends the series as a series; the occurrences left become events of
    // their own.
    TResult Dissolve(const std::string& id);
    // Every series by the iCalendar UID it was imported with.
    std::map<std::string, std::string> ByUid();
    // Whether an occurrence was changed or deleted on its own.
    bool HasExceptions(const std::string& id);
    // Marks an occurrence changed on its own; its entry's lock is the caller's.
    void MarkChanged(const std::string& eventId, const TDayEntryRec& entry);

    // The day an original start falls on: exceptions are kept by day, so a
    // change of the series' time of day keeps them.
    static int64_t DayOf(int64_t stamp) { return stamp - stamp % 86400; }

private:
    struct THeld;

    int64_t Horizon() const;
    void WriteHead(const TSeries& series, bool more);
    // Adds the occurrences for these starts, with links and alarms.
    void Make(const TSeries& series, const std::vector<int64_t>& starts);
    // Locks the occurrences and their alarms; false when one is held elsewhere.
    bool LockAll(const std::vector<TOccurrence>& occurrences, THeld& held);
    void Remove(const std::vector<TOccurrence>& occurrences, const THeld& held);
    void RemoveSeriesPieces(const std::string& id);
    void Relink(const TOccurrence& occurrence, const std::string& seriesId);
    // The days the rule gave up to the made-until mark that have no occurrence.
    std::vector<int64_t> DeletedDays(const TSeries& series, const std::vector<TOccurrence>& occurrences);
    TResult Remake(TSeries series, const std::set<int64_t>& skipDays, const std::vector<TOccurrence>& removed,
                   const THeld& held);

    TOrbekoDB& Db_;
    int64_t Now_;
};
