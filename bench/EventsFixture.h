#pragma once

// The events and alarms files the benchmarks read: day entries and alarms
// spread over ten years, built in bulk once and kept in $TMPDIR/orbeko-bench
// between runs.

#include "storage/OrbekoDB.h"
#include "storage/Records.h"

#include <sqlite3.h>

#include <cstdint>
#include <random>
#include <string>

constexpr int kFirstDay = 1420070400;  // 2015-01-01
constexpr int kDays = 3653;            // ten years
constexpr int kDaySeconds = 86400;

// One event of the fixture, drawn from random.
TDayEntryRec MakeEvent(std::mt19937& random);

// Cheap deterministic numbers: benchmarks that compare two ways of doing
// the same work draw the same sequence for both.
struct TSequence
{
    uint64_t State = 88172645463325252ull;
    uint32_t Next()
    {
        State ^= State << 13;
        State ^= State >> 7;
        State ^= State << 17;
        return static_cast<uint32_t>(State);
    }
};

// The stamp of midnight of one of the fixture's days, chosen by n.
std::string DayStamp(uint32_t n);

// The folder the fixtures are kept in.
std::string BenchFolder();

// True for an SQLite result that is no error; otherwise prints the error.
bool Check(int rc, sqlite3* db, const char* what);

// Makes sure path holds count events (owners and first assignees are users
// 1 to 12, categories 0 to 7), building it in a child process when needed.
bool EnsureFixture(const std::string& path, int count);

// Makes sure path holds count alarms for events 1 to events and users 1 to
// users, due at a quarter hour of the ten years, building it when needed.
bool EnsureAlarmFixture(const std::string& path, int count, int events, int users);

// Adds users 1 to count to an open database: user name "USERn", full name
// "Member of staff n", abbreviation "Un", allowed to add entries. False when
// an add failed.
bool AddUsers(TOrbekoDB& db, int count);
// Adds categories 1 to count ("Category n").
bool AddCategories(TOrbekoDB& db, int count);

// Makes the database files folder lacks, empty (a connection refuses a
// folder that holds only some of the four), and points RootPath at folder.
bool UseDatabaseFolder(const std::string& folder);

// Opens databases without anyone to ask: warnings go unseen, no folder is
// chosen, and questions get the answer given here.
class TBenchShell : public TOrbekoDBShell
{
public:
    explicit TBenchShell(bool confirm = false) : Confirm_(confirm) {}
    void Warn(const std::string&) override {}
    bool AskFolder(const std::string&, std::string&) override { return false; }
    bool Confirm(const std::string&) override { return Confirm_; }

private:
    bool Confirm_;
};
