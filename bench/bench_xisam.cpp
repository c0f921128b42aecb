// TXIsamFile against SQLite's C API on the same events file: one day's
// entries, lookup by identifier, a full scan per record, an add with an
// empty key and a lock/unlock pair, at 100,000 and 1,000,000 events over
// ten years. Prints the ratio of each pair (the goal: at most 1.25 in real
// and in processor time), the other goals, the peak resident
// size of this process, and what syncing the journal's removal costs an
// add (SQLite's add with synchronous=EXTRA, as the store commits, against
// FULL).
//
// The fixtures are built once (in a child process, so this one's peak size
// is that of a reader) and kept in $TMPDIR/orbeko-bench between runs.

#include "EventsFixture.h"
#include "RatioReporter.h"
#include "kfstore/KfStore.h"
#include "storage/Records.h"
#include "storage/Stamp.h"
#include "kfstore/XIsamFile.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One fixture opened both ways.
struct TEvents
{
    int Count = 0;
    std::string Path;
    TXIsamFile File;
    sqlite3* Db = nullptr;
    sqlite3_stmt* Day = nullptr;
    sqlite3_stmt* Lookup = nullptr;
    sqlite3_stmt* Scan = nullptr;
    sqlite3_stmt* Highest = nullptr;
    sqlite3_stmt* Insert = nullptr;
    int LockFd = -1;

    TEvents() = default;
    TEvents(const TEvents&) = delete;
    TEvents& operator=(const TEvents&) = delete;
    ~TEvents()
    {
        for (sqlite3_stmt* statement : {Day, Lookup, Scan, Highest, Insert})
            sqlite3_finalize(statement);
        sqlite3_close(Db);
        if (LockFd >= 0)
            close(LockFd);
    }

    bool Open()
    {
        if (!File.Open(Path, 3))
            return false;
        if (sqlite3_open_v2(Path.c_str(), &Db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            return false;
        sqlite3_busy_timeout(Db, 5000);
        sqlite3_exec(Db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=EXTRA", nullptr, nullptr, nullptr);
        const std::pair<sqlite3_stmt**, const char*> statements[] = {
            {&Day, "SELECT pk, data FROM kfs_records WHERE key3 >= ?1 AND key3 < ?2 ORDER BY key3, pk"},
            {&Lookup, "SELECT pk, data FROM kfs_records WHERE pk = ?1"},
            {&Scan, "SELECT pk, data FROM kfs_records ORDER BY pk"},
            {&Highest, "SELECT pk FROM kfs_records ORDER BY pk DESC LIMIT 1"},
            {&Insert, "INSERT INTO kfs_records(pk, data, key3) VALUES(?1, ?2, ?3)"},
        };
        for (const auto& [statement, sql] : statements)
            if (!Check(sqlite3_prepare_v3(Db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr), Db, sql))
                return false;
        LockFd = open((Path + "-locks").c_str(), O_RDWR | O_CLOEXEC);
        return LockFd >= 0;
    }

    // Takes the records the adds left behind out again.
    void RemoveAdded()
    {
        const std::string sql = "DELETE FROM kfs_records WHERE pk > '" + IdText(Count) + "'";
        sqlite3_exec(Db, sql.c_str(), nullptr, nullptr, nullptr);
    }
};

// Each operation against SQLite's, in real and in processor time.
constexpr double kGoalRatio = 1.25;

std::vector<std::unique_ptr<TEvents>> Fixtures;

void DayXIsam(benchmark::State& state, TEvents* events)
{
    TSequence sequence;
    TDayEntryRec entry;
    int64_t records = 0;
    for (auto _ : state) {
        const uint32_t n = sequence.Next();
        const std::string start = DayStamp(n);
        const std::string end = IdText(std::stoll(start) + kDaySeconds);
        if (events->File.GetEqual(entry, 3, start))
            ++records;
        while (events->File.GetNext(entry, 3, end, gcBelow))
            ++records;
        benchmark::DoNotOptimize(entry);
    }
    state.counters["records/day"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kAvgIterations);
}

void DaySqlite(benchmark::State& state, TEvents* events)
{
    TSequence sequence;
    TDayEntryRec entry;
    std::string lastKey;
    int64_t records = 0;
    for (auto _ : state) {
        const uint32_t n = sequence.Next();
        const std::string start = DayStamp(n);
        const std::string end = IdText(std::stoll(start) + kDaySeconds);
        sqlite3_bind_text(events->Day, 1, start.data(), static_cast<int>(start.size()), SQLITE_STATIC);
        sqlite3_bind_text(events->Day, 2, end.data(), static_cast<int>(end.size()), SQLITE_STATIC);
        while (sqlite3_step(events->Day) == SQLITE_ROW) {
            lastKey = reinterpret_cast<const char*>(sqlite3_column_text(events->Day, 0));
            std::memcpy(&entry, sqlite3_column_blob(events->Day, 1), sizeof(entry));
            ++records;
        }
        sqlite3_reset(events->Day);
        benchmark::DoNotOptimize(entry);
    }
    state.counters["records/day"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kAvgIterations);
}

void LookupXIsam(benchmark::State& state, TEvents* events)
{
    TSequence sequence;
    TDayEntryRec entry;
    for (auto _ : state) {
        if (!events->File.GetEqual(entry, 0, IdText(1 + sequence.Next() % events->Count)))
            state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(entry);
    }
}

void LookupSqlite(benchmark::State& state, TEvents* events)
{
    TSequence sequence;
    TDayEntryRec entry;
    std::string lastKey;
    for (auto _ : state) {
        const std::string id = IdText(1 + sequence.Next() % events->Count);
        sqlite3_bind_text(events->Lookup, 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
        if (sqlite3_step(events->Lookup) != SQLITE_ROW)
            state.SkipWithError("lookup failed");
        lastKey = reinterpret_cast<const char*>(sqlite3_column_text(events->Lookup, 0));
        std::memcpy(&entry, sqlite3_column_blob(events->Lookup, 1), sizeof(entry));
        sqlite3_reset(events->Lookup);
        benchmark::DoNotOptimize(entry);
    }
}

void ScanXIsam(benchmark::State& state, TEvents* events)
{
    TDayEntryRec entry;
    events->File.GoTop(0);
    for (auto _ : state) {
        if (!events->File.GetNext(entry, 0, "", gcAny)) {
            events->File.GoTop(0);
            events->File.GetNext(entry, 0, "", gcAny);
        }
        benchmark::DoNotOptimize(entry);
    }
}

void ScanSqlite(benchmark::State& state, TEvents* events)
{
    TDayEntryRec entry;
    std::string lastKey;
    for (auto _ : state) {
        if (sqlite3_step(events->Scan) != SQLITE_ROW) {
            sqlite3_reset(events->Scan);
            sqlite3_step(events->Scan);
        }
        lastKey = reinterpret_cast<const char*>(sqlite3_column_text(events->Scan, 0));
        std::memcpy(&entry, sqlite3_column_blob(events->Scan, 1), sizeof(entry));
        benchmark::DoNotOptimize(entry);
    }
    sqlite3_reset(events->Scan);
}

void AddXIsam(benchmark::State& state, TEvents* events)
{
    std::mt19937 random(5);
    const TDayEntryRec entry = MakeEvent(random);
    for (auto _ : state)
        if (!events->File.Add(entry, ""))
            state.SkipWithError("add failed");
    events->RemoveAdded();
}

void AddSqlite(benchmark::State& state, TEvents* events)
{
    std::mt19937 random(5);
    const TDayEntryRec entry = MakeEvent(random);
    for (auto _ : state) {
        sqlite3_exec(events->Db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        int64_t next = 1;
        if (sqlite3_step(events->Highest) == SQLITE_ROW)
            next = std::stoll(reinterpret_cast<const char*>(sqlite3_column_text(events->Highest, 0))) + 1;
        sqlite3_reset(events->Highest);
        const std::string pk = IdText(next);
        sqlite3_bind_text(events->Insert, 1, pk.data(), static_cast<int>(pk.size()), SQLITE_STATIC);
        sqlite3_bind_blob(events->Insert, 2, &entry, sizeof(entry), SQLITE_STATIC);
        sqlite3_bind_text(events->Insert, 3, entry.EntryStamp, -1, SQLITE_STATIC);
        const int rc = sqlite3_step(events->Insert);
        sqlite3_reset(events->Insert);
        if (rc != SQLITE_DONE || sqlite3_exec(events->Db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            state.SkipWithError("add failed");
    }
    events->RemoveAdded();
}

// The same add with the journal's removal left unsynced.
void AddSqliteFull(benchmark::State& state, TEvents* events)
{
    sqlite3_exec(events->Db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    AddSqlite(state, events);
    sqlite3_exec(events->Db, "PRAGMA synchronous=EXTRA", nullptr, nullptr, nullptr);
}

void LockXIsam(benchmark::State& state, TEvents* events)
{
    TSequence sequence;
    for (auto _ : state) {
        const std::string id = IdText(1 + sequence.Next() % events->Count);
        if (!events->File.LockRecord(id) || !events->File.UnlockRecord(id))
            state.SkipWithError("lock failed");
    }
}

// The same byte locks taken straight from the system.
void LockSqlite(benchmark::State& state, TEvents* events)
{
    TSequence sequence;
    for (auto _ : state) {
        const std::string id = IdText(1 + sequence.Next() % events->Count);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = std::stoll(id);
        lock.l_len = 1;
        if (fcntl(events->LockFd, F_OFD_SETLK, &lock) != 0)
            state.SkipWithError("lock failed");
        lock.l_type = F_UNLCK;
        fcntl(events->LockFd, F_OFD_SETLK, &lock);
    }
}

std::string PeakResident()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return line.substr(6);
    return "?";
}

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = BenchFolder();
    for (int count : {100000, 1000000}) {
        auto events = std::make_unique<TEvents>();
        events->Count = count;
        events->Path = (folder / ("events-" + std::to_string(count) + ".Ism")).string();
        if (!EnsureFixture(events->Path, count) || !events->Open()) {
            std::fprintf(stderr, "cannot prepare %s\n", events->Path.c_str());
            return 1;
        }
        Fixtures.push_back(std::move(events));
    }

    using TBody = void (*)(benchmark::State&, TEvents*);
    const std::vector<std::tuple<std::string, TBody, TBody>> operations = {
        {"DayEntries", DayXIsam, DaySqlite},   {"LookupById", LookupXIsam, LookupSqlite},
        {"ScanPerRecord", ScanXIsam, ScanSqlite}, {"AddEmptyKey", AddXIsam, AddSqlite},
        {"LockUnlock", LockXIsam, LockSqlite},
    };
    for (const auto& events : Fixtures) {
        const std::string suffix = "/" + std::to_string(events->Count);
        for (const auto& [name, ours, raw] : operations) {
            benchmark::RegisterBenchmark((name + "/XIsam" + suffix).c_str(), ours, events.get())
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark((name + "/Sqlite" + suffix).c_str(), raw, events.get())
                ->Unit(benchmark::kMicrosecond);
        }
        benchmark::RegisterBenchmark(("AddEmptyKey/SqliteFull" + suffix).c_str(), AddSqliteFull, events.get())
            ->Unit(benchmark::kMicrosecond);
    }

    TRatioReporter reporter;
    reporter.RunAll(argc, argv);

    std::printf("\n%-15s %9s %12s %12s %7s %10s\n", "operation", "events", "XIsam us", "SQLite us", "ratio",
                "cpu ratio");
    bool met = true;
    for (const auto& events : Fixtures)
        for (const auto& [name, ours, raw] : operations) {
            const std::string suffix = "/" + std::to_string(events->Count);
            met = reporter.PrintRatio(name, events->Count, name + "/XIsam" + suffix, name + "/Sqlite" + suffix,
                                      kGoalRatio, true)
                  && met;
        }
    for (const auto& events : Fixtures) {
        const std::string suffix = "/" + std::to_string(events->Count);
        const auto extra = reporter.Times.find("AddEmptyKey/Sqlite" + suffix);
        const auto full = reporter.Times.find("AddEmptyKey/SqliteFull" + suffix);
        if (extra != reporter.Times.end() && full != reporter.Times.end())
            std::printf("add at %d events, journal removal synced (EXTRA) %.0f us, not synced (FULL) %.0f us: %+.0f%%\n",
                        events->Count, extra->second.Real, full->second.Real,
                        100 * (extra->second.Real / full->second.Real - 1));
    }
    const auto day = reporter.Times.find("DayEntries/XIsam/1000000");
    if (day != reporter.Times.end()) {
        met = met && day->second.Real < 1000;
        std::printf("one day at 1,000,000 events: %.3f ms (goal under 1 ms)\n", day->second.Real / 1000);
    }
    std::printf("peak resident size (VmHWM):%s (goal under 50 MB)\n", PeakResident().c_str());
    std::printf("%s\n", met ? "all time goals met" : "some time goals NOT met");
    Fixtures.clear();
    return 0;
}
