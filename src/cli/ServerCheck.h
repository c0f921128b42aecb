#pragma once

#include "cli/Problem.h"
#include "cli/ReferenceRules.h"

#include <cstdint>
#include <string>
#include <unordered_set>

class TXIsamFile;
struct TDatabaseFile;

// Checks a database on a PostgreSQL server through the store while
// workstations keep working: every file opens with its own key format,
// every record has an identifier of ten digits, every index holds as many
// records as the file says it has, and every reference between the files
// holds (an event's owner, assignees and category; an alarm's event and
// user, who must be among the event's assignees; its user-and-time key).
// The server checks its own pages; the files are read one after another,
// so a change made meanwhile may show as a passing problem: check again.
class TServerCheck
{
public:
    explicit TServerCheck(TProblemSink sink) : Sink_(std::move(sink)) {}

    // The number of problems found.
    int64_t Check(const std::string& location);

private:
    void Report(const std::string& file, const std::string& record, const std::string& text);
    // Walks every key of the file; the identifiers read by key 0 go to ids.
    void CheckFile(TXIsamFile& file, const TDatabaseFile& known, std::unordered_set<std::string>* ids);
    void CheckReferences(TXIsamFile& events, TXIsamFile& alarms);

    TProblemSink Sink_;
    int64_t Count_ = 0;
    TReferenceRules Rules_;
};
