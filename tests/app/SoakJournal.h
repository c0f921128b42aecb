#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

// What a soak workstation tells the test about one command: a "B" line
// before it starts and an "E" line when it has ended. Times are
// steady-clock microseconds, which all processes of one machine share, so
// "ended before the other began" holds between workstations too.
struct TSoakOp
{
    static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

    int Worker = 0;
    int Seq = 0;
    std::string Kind;  // add, edit, del, snooze, off, orphan
    int64_t Start = 0;
    int64_t End = kNever;
    std::string Result;  // empty until the command has ended
    std::string EntryId;
    std::string AlarmId;
    std::string UserId;  // whose alarm (snooze, off, orphan)
    std::string Tag;     // the description written (add, edit)
    std::string Stamp;   // alarm time written (add, edit, snooze)
    bool Alarm = false;  // the event carries an alarm (add, edit)
    std::vector<std::string> Assignees;

    bool Done() const { return Result == "done"; }
    // Changed nothing for certain: refused by a lock, or its alarm gone.
    bool Refused() const;
    // Done, or may have done part of its work: it failed midway or its
    // process was killed before it said how it ended.
    bool MayHaveHappened() const { return !Refused(); }
    // Ended before the other began.
    bool Before(const TSoakOp& other) const { return End < other.Start; }

    std::string BeginLine() const;
    std::string EndLine() const;
};

using TSoakJournal = std::map<std::pair<int, int>, TSoakOp>;

// Takes a B or E line into the journal; false for any other line.
bool ReadSoakLine(const std::string& line, TSoakJournal& journal);

// Steady-clock microseconds.
int64_t SoakClock();
