#pragma once

#include "kfstore/FileWatch.h"
#include "storage/OrbekoCache.h"
#include "storage/Records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class TDayEntries;
class TFilterRules;
class TOrbekoDB;
class TSession;

// Answers the calendar views' questions from the shared database: the
// visible entries of a day, the abbreviations of users, the descriptions of
// categories and the alarm marks. Names and descriptions come from the
// caches; the alarm marks from the set of alarmed entries, read again only
// when the alarms file has been written since. Has no window: the main
// window's data handlers call it, and so can anything else.
class TViewFeeder
{
public:
    // The rules and the session are the caller's and may change between
    // calls (new filter rules, a new login).
    TViewFeeder(TOrbekoDB& db, const TFilterRules& rules, const TSession& session);

    // Adds the visible entries of the day whose midnight stamp is
    // datePkVal; a read that fails throws std::runtime_error.
    void DayEntries(const std::string& datePkVal, TDayEntries& entries);
    // Both throw EOrbekoCache for an identifier their file does not hold.
    std::string UserName(const std::string& pk);
    std::string CategoryDescription(const std::string& pk);
    bool Alarmed(const std::string& entryId);
    // Whether the entry is an occurrence of a repeating event: one look for
    // its link per entry asked about, kept until a day's read finds the
    // details file written. Never a walk over every link, which a diary
    // with many series would pay at each write, nor a look at the file's
    // version per entry.
    bool Repeated(const std::string& entryId);
    // A category's own colour as 0xRRGGBB, none when it has none.
    std::optional<uint32_t> CategoryColour(const std::string& pk);

    // True when the day entries, the details or the alarms file has been written, here
    // or on another workstation, since the previous call (or since the
    // feeder was made): a few bytes read per file.
    bool DataMoved();

    TUserCache Users;
    TCategoryCache Categories;

private:
    void ReadAlarmedEntries();
    void AddCovering(const std::vector<std::pair<std::string, TDetailRec>>& covers, const std::string& midnight,
                     TDayEntries& entries);

    TOrbekoDB& Db_;
    const TFilterRules& Rules_;
    const TSession& Session_;

    TFileWatch EntriesWatch_;
    TFileWatch AlarmsWatch_;
    TFileWatch DetailsWatch_;
    std::optional<TFileVersion> EntriesSeen_;
    std::optional<TFileVersion> AlarmsSeen_;
    std::optional<TFileVersion> DetailsSeen_;

    std::unordered_set<std::string> AlarmedEntries_;
    std::optional<TFileVersion> AlarmedRead_;  // the version the set was read from

    // Drops the repeat marks known when the details file was written.
    void ForgetRepeated();
    std::unordered_map<std::string, bool> RepeatedKnown_;
    std::optional<TFileVersion> RepeatedRead_;  // the version the answers were read from
    std::optional<bool> DetailsThere_;          // as the last day's read found it

    std::unordered_map<std::string, uint32_t> Colours_;
    std::optional<TFileVersion> ColoursRead_;
    bool ColoursKnown_ = false;
};
