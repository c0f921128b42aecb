#pragma once

#include "kfstore/Problem.h"
#include "storage/ReferenceRules.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

class TCheckedFile;
class TStoreUpkeep;

// Checks a database, in a folder or on a server: each file on its own, as
// its home checks it (the engine's checks in a folder, every key read
// through the store on a server), then every reference between them: an
// event's owner, assignees and category, an alarm's event and user, that
// the alarm's user is one of its event's assignees, and that each piece of
// the details file (where there is one) belongs to a record that is there.
// Each problem goes to the sink as it is found.
class TDatabaseCheck
{
public:
    explicit TDatabaseCheck(TProblemSink sink);

    // Checks a folder nobody writes to (a backup, a copy). The number of
    // problems found.
    int64_t CheckQuiet(const std::string& location);
    // Checks a folder in use: takes a copy of its files at one moment
    // into a scratch folder under the system's temporary folder and checks
    // that, so workstations wait only while the copy is taken. The number
    // of problems; throws std::runtime_error when no copy can be made. A
    // server is checked as it is, while workstations keep working, so a
    // change made meanwhile may show as a passing problem.
    int64_t CheckLive(const std::string& location);

private:
    int64_t Check(TStoreUpkeep& upkeep, const std::set<std::string>& skipped);
    void Report(const TProblem& problem);
    // The identifiers of a file read whole; nothing when it could not be.
    static std::optional<std::unordered_set<std::string>> CollectIds(TCheckedFile* file);
    // The series' heads of the details file.
    static std::optional<std::unordered_map<std::string, TReferenceRules::TSeriesHead>>
    CollectSeries(TCheckedFile* details);
    class TDetailsBySubject;
    // False when reading the events stopped on an error (reported).
    bool CheckEvents(TCheckedFile& events, TCheckedFile* alarms, TDetailsBySubject& details);
    void CheckAlarms(TCheckedFile& alarms);

    TProblemSink Sink_;
    int64_t Count_ = 0;
    TReferenceRules Rules_;
};
