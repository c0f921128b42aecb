#pragma once

#include "storage/Records.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

// What a sound event or alarm holds in its fields and references, checked
// against the users and categories their files were found to hold; the
// same in a folder and on a server.
class TReferenceRules
{
public:
    using TReport = std::function<void(const std::string& text)>;

    // The identifiers there are; left empty when their file could not be
    // read whole, and then every reference to it passes.
    std::optional<std::unordered_set<std::string>> Users;
    std::optional<std::unordered_set<std::string>> Categories;

    // The series of the details file by identifier: their rule and the
    // start it counts from. Left empty when the file could not be read whole.
    struct TSeriesHead
    {
        std::string RRule;
        int64_t Start = 0;
    };
    std::optional<std::unordered_map<std::string, TSeriesHead>> Series;

    // Whether a rule that counts from start gives stamp. Expanding rules is
    // the series library's (libical), which installs it here when it is
    // linked; without it occurrences are not checked against their rule.
    using TRuleGives = std::function<bool(const std::string& rrule, int64_t start, int64_t stamp)>;
    static TRuleGives& RuleGives();

    bool KnownUser(const std::string& id) const { return !Users || Users->count(id) != 0; }
    // Reports what is wrong with the event's time, owner, category and
    // assignees; returns the assignees it names.
    std::set<std::string> CheckEvent(const TDayEntryRec& entry, const TReport& report) const;
    // Reports what is wrong with the alarm's user, due time and the key
    // made of both.
    void CheckAlarm(const TAlarmRec& alarm, const TReport& report) const;
    // Reports a piece of the details file whose record is gone: a
    // category's or a user's that is not in its file, or an event's whose
    // event is not there (event is null) or is another event under the
    // same identifier (its guard does not match); an occurrence's link to a
    // series that is not there, or to a start its rule does not give; a
    // series' piece without the series' head.
    void CheckDetail(const TDetailRec& piece, const TDayEntryRec* event, const TReport& report) const;

private:
    void CheckLink(const TDetailRec& link, const TReport& report) const;
};
