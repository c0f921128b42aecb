#pragma once

#include "cli/Problem.h"
#include "cli/ReferenceRules.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>

class TFileCheck;

// Checks a database folder: each file on its own (TFileCheck), then every
// reference between them: an event's owner, assignees and category, an
// alarm's event and user, and that the alarm's user is one of its event's
// assignees. Each problem goes to the sink as it is found.
class TDatabaseCheck
{
public:
    explicit TDatabaseCheck(TProblemSink sink);

    // Checks a folder nobody writes to (a backup, a copy). The number of
    // problems found.
    int64_t CheckQuiet(const std::string& folder);
    // Checks a folder in use: takes a copy of the four files at one moment
    // into a scratch folder under the system's temporary folder and checks
    // that, so workstations wait only while the copy is taken. The number
    // of problems; throws std::runtime_error when no copy can be made.
    int64_t CheckLive(const std::string& folder);

private:
    int64_t Check(const std::string& folder, const std::set<std::string>& skipped);
    void Report(const TProblem& problem);
    // The identifiers of a file read whole; nothing when it could not be.
    static std::optional<std::unordered_set<std::string>> CollectIds(TFileCheck* file);
    void CheckEvents(TFileCheck& events, TFileCheck* alarms);
    void CheckAlarms(TFileCheck& alarms);

    TProblemSink Sink_;
    int64_t Count_ = 0;
    TReferenceRules Rules_;
};
