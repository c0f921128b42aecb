// The keyed-file store on a PostgreSQL server over its Unix socket, beside
// raw libpq sending the same queries on a connection of its own: one day's
// entries, a lookup by identifier, an add with an empty key, a rewrite and
// a lock/unlock pair, at 1,000,000 events over ten years; then a week fed
// to the main window from that server. Prints the ratio of each pair and
// the goals (ratio at most 1.5, a day under 2 ms, a week under 40 ms).
//
// The server is the one named by ORBEKO_BENCH_PG or ORBEKO_TEST_PG, a libpq
// connection string in keyword=value form (./build.sh bench starts a
// throwaway one); the events are loaded once into its database
// orbeko_bench with COPY, the same events as the folder's fixture.

#include "EventsFixture.h"
#include "RatioReporter.h"
#include "WeekFeed.h"
#include "app/ViewFeeder.h"
#include "prefs/FilterRules.h"
#include "prefs/Session.h"
#include "kfstore/KeyOrder.h"
#include "storage/OrbekoDB.h"
#include "kfstore/server/PgConnection.h"
#include "kfstore/server/PgFileSchema.h"
#include "storage/Stamp.h"
#include "kfstore/StoreHome.h"
#include "kfstore/StoreLocation.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

// Each operation against libpq's, in real time: a round trip's wait is most of it.
constexpr double kGoalRatio = 1.5;

namespace {

class TCreatingShell : public TOrbekoDBShell
{
public:
    void Warn(const std::string&) override {}
    bool AskFolder(const std::string&, std::string&) override { return false; }
    bool Confirm(const std::string&) override { return true; }
};

std::string ServerOf()
{
    for (const char* name : {"ORBEKO_BENCH_PG", "ORBEKO_TEST_PG"})
        if (const char* value = std::getenv(name); value && *value)
            return value;
    return {};
}

bool Ok(const TPgResult& result, PGconn* conn, const char* what)
{
    if (result.Ok() || PQresultStatus(result.Get()) == PGRES_COPY_IN)
        return true;
    std::fprintf(stderr, "%s: %s", what, PQerrorMessage(conn));
    return false;
}

// The benchmark's own database on the server, made when missing.
std::string BenchDatabase(const std::string& server)
{
    TPgConnection connection;
    if (connection.Open(server) != 0)
        return {};
    if (connection.Exec("SELECT 1 FROM pg_database WHERE datname = 'orbeko_bench'").Rows() == 0 &&
        !Ok(connection.Exec("CREATE DATABASE orbeko_bench TEMPLATE template0"), connection.Handle(), "create"))
        return {};
    return server + " dbname=orbeko_bench";
}

void PutInt(std::string& buffer, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        buffer += static_cast<char>((value >> (8 * i)) & 0xff);
}

void PutField(std::string& buffer, std::string_view bytes)
{
    PutInt(buffer, static_cast<uint32_t>(bytes.size()), 4);
    buffer.append(bytes);
}

// The events file's id and table on the server.
int32_t EventsFileId(TPgConnection& connection)
{
    const TPgResult id = connection.Exec("SELECT id FROM orbeko.kfs_files WHERE name = 'OBDayEnt.Ism'");
    return id.Ok() && id.Rows() == 1 ? static_cast<int32_t>(id.Int(0, 0)) : 0;
}

// Loads the fixture's events into the events file in one COPY, as the
// store would have stored them (folded keys, which digits are already).
bool LoadEvents(TPgConnection& connection, int32_t fileId, int count)
{
    const std::string table = TPgFileSchema::Table(fileId);
    PGconn* conn = connection.Handle();
    if (!Ok(connection.Exec("COPY " + table + "(pk, id, data, key3) FROM STDIN (FORMAT binary)"), conn, "copy"))
        return false;
    std::string buffer("PGCOPY\n\377\r\n\0", 11);
    PutInt(buffer, 0, 4);
    PutInt(buffer, 0, 4);
    std::mt19937 random(20240501);
    for (int i = 1; i <= count; ++i) {
        const TDayEntryRec entry = MakeEvent(random);
        const std::string pk = IdText(i);
        PutInt(buffer, 4, 2);
        PutField(buffer, pk);
        PutField(buffer, pk);
        PutField(buffer, std::string_view(reinterpret_cast<const char*>(&entry), sizeof(entry)));
        PutField(buffer, FoldedKey(FieldText(entry.EntryStamp)));
        if (buffer.size() > (1 << 20) || i == count) {
            if (i == count)
                PutInt(buffer, 0xffff, 2);
            if (PQputCopyData(conn, buffer.data(), static_cast<int>(buffer.size())) != 1)
                return false;
            buffer.clear();
        }
    }
    if (PQputCopyEnd(conn, nullptr) != 1 || !Ok(TPgResult(PQgetResult(conn)), conn, "copy end"))
        return false;
    return Ok(connection.Exec("UPDATE orbeko.kfs_files SET record_count = " + std::to_string(count) +
                              ", version = nextval('orbeko.kfs_versions') WHERE id = " + std::to_string(fileId)),
              conn, "count") &&
           Ok(connection.Exec("VACUUM ANALYZE " + table), conn, "vacuum");
}

// The events file opened through the store and on a raw connection.
struct TServer
{
    std::unique_ptr<TOrbekoDB> Db;
    TPgConnection Raw;
    int32_t FileId = 0;
    std::string Table;
    int Count = kWeekEvents;

    bool Prepare(PGconn* conn)
    {
        Table = TPgFileSchema::Table(FileId);
        const std::string id = std::to_string(FileId);
        const std::tuple<const char*, std::string, int> statements[] = {
            {"day", "SELECT id, data FROM " + Table + " WHERE key3 >= $1 AND key3 < $2 ORDER BY key3, pk", 2},
            {"lookup", "SELECT id, data FROM " + Table + " WHERE pk = $1", 1},
            {"insert", "INSERT INTO " + Table + "(pk, id, data, key3) VALUES($1, $2, $3, $4)", 4},
            {"update", "UPDATE " + Table + " SET data = $2, key3 = $3 WHERE pk = $1", 3},
        };
        for (const auto& [name, sql, parameters] : statements)
            if (!Ok(TPgResult(PQprepare(conn, name, sql.c_str(), parameters, nullptr)), conn, name))
                return false;
        return true;
    }

    // Takes the records the adds left behind out again.
    void RemoveAdded()
    {
        Raw.Exec("DELETE FROM " + Table + " WHERE pk > '\\x" + [this] {
            std::string hex;
            char digit[3];
            for (char c : IdText(Count)) {
                std::snprintf(digit, sizeof digit, "%02x", static_cast<unsigned char>(c));
                hex += digit;
            }
            return hex;
        }() + "'::bytea; UPDATE orbeko.kfs_files SET record_count = " + std::to_string(Count) +
                 ", version = nextval('orbeko.kfs_versions') WHERE id = " + std::to_string(FileId));
    }
};

// Runs a plain multi-statement command, reading every result.
bool RunAll(PGconn* conn, const std::string& sql)
{
    if (!PQsendQuery(conn, sql.c_str()))
        return false;
    bool ok = true;
    while (PGresult* raw = PQgetResult(conn)) {
        const TPgResult result(raw);
        ok = ok && result.Ok();
    }
    return ok;
}

void Take(const TPgResult& result, int row, TDayEntryRec& entry, std::string& lastKey)
{
    lastKey.assign(result.Bytes(row, 0));
    std::memcpy(&entry, result.Bytes(row, 1).data(), sizeof(entry));
}

void DayStore(benchmark::State& state, TServer* server)
{
    TSequence sequence;
    TDayEntryRec entry;
    TXIsamFile& file = server->Db->DayEntryFile;
    int64_t records = 0;
    for (auto _ : state) {
        const std::string start = DayStamp(sequence.Next());
        const std::string end = IdText(std::stoll(start) + kDaySeconds);
        if (file.GetEqual(entry, 3, start))
            ++records;
        while (file.GetNext(entry, 3, end, gcBelow))
            ++records;
        benchmark::DoNotOptimize(entry);
    }
    state.counters["records/day"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kAvgIterations);
}

void DayLibpq(benchmark::State& state, TServer* server)
{
    TSequence sequence;
    TDayEntryRec entry;
    std::string lastKey;
    int64_t records = 0;
    for (auto _ : state) {
        const std::string start = DayStamp(sequence.Next());
        const std::string end = IdText(std::stoll(start) + kDaySeconds);
        TPgParams params;
        params.Bytes(start).Bytes(end);
        const TPgResult result = server->Raw.ExecPrepared("day", params);
        for (int row = 0; row < result.Rows(); ++row, ++records)
            Take(result, row, entry, lastKey);
        benchmark::DoNotOptimize(entry);
    }
    state.counters["records/day"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kAvgIterations);
}

void LookupStore(benchmark::State& state, TServer* server)
{
    TSequence sequence;
    TDayEntryRec entry;
    for (auto _ : state) {
        if (!server->Db->DayEntryFile.GetEqual(entry, 0, IdText(1 + sequence.Next() % server->Count)))
            state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(entry);
    }
}

void LookupLibpq(benchmark::State& state, TServer* server)
{
    TSequence sequence;
    TDayEntryRec entry;
    std::string lastKey;
    for (auto _ : state) {
        const std::string id = IdText(1 + sequence.Next() % server->Count);
        TPgParams params;
        params.Bytes(id);
        const TPgResult result = server->Raw.ExecPrepared("lookup", params);
        if (result.Rows() != 1)
            state.SkipWithError("lookup failed");
        else
            Take(result, 0, entry, lastKey);
        benchmark::DoNotOptimize(entry);
    }
}

void AddStore(benchmark::State& state, TServer* server)
{
    std::mt19937 random(5);
    const TDayEntryRec entry = MakeEvent(random);
    for (auto _ : state)
        if (!server->Db->DayEntryFile.Add(entry, ""))
            state.SkipWithError("add failed");
    server->RemoveAdded();
}

// The store's add: the version raised and the highest key read in one
// round trip with BEGIN, the insert, the commit.
void AddLibpq(benchmark::State& state, TServer* server)
{
    std::mt19937 random(5);
    const TDayEntryRec entry = MakeEvent(random);
    PGconn* conn = server->Raw.Handle();
    const std::string begin = "BEGIN;" + TPgFileSchema::BumpSql(server->FileId, 1) +
                              "SELECT convert_from(pk, 'SQL_ASCII') FROM " + server->Table +
                              " WHERE pk < '\\x3a'::bytea ORDER BY pk DESC LIMIT 1";
    for (auto _ : state) {
        PQsendQuery(conn, begin.c_str());
        int64_t next = 1;
        while (PGresult* raw = PQgetResult(conn)) {
            const TPgResult result(raw);
            if (PQnfields(raw) == 1 && result.Rows() == 1)
                next = std::stoll(std::string(result.Bytes(0, 0))) + 1;
        }
        const std::string pk = IdText(next);
        TPgParams params;
        params.Bytes(pk).Bytes(pk).Bytes(std::string_view(reinterpret_cast<const char*>(&entry), sizeof(entry)));
        params.Bytes(FieldText(entry.EntryStamp));
        if (!server->Raw.ExecPrepared("insert", params).Ok() || !server->Raw.Exec("COMMIT").Ok())
            state.SkipWithError("add failed");
    }
    server->RemoveAdded();
}

void RewriteStore(benchmark::State& state, TServer* server)
{
    TSequence sequence;
    TDayEntryRec entry;
    TXIsamFile& file = server->Db->DayEntryFile;
    if (!file.GetEqual(entry, 0, IdText(1)))
        state.SkipWithError("no record");
    for (auto _ : state)
        if (!file.Rewrite(entry, IdText(1 + sequence.Next() % 1000)))
            state.SkipWithError("rewrite failed");
}

// The store's rewrite: the record's lock tested and the version raised with
// BEGIN, the update, the commit.
void RewriteLibpq(benchmark::State& state, TServer* server)
{
    TSequence sequence;
    TDayEntryRec entry;
    std::string lastKey;
    {
        TPgParams params;
        params.Bytes(IdText(1));
        Take(server->Raw.ExecPrepared("lookup", params), 0, entry, lastKey);
    }
    PGconn* conn = server->Raw.Handle();
    for (auto _ : state) {
        const std::string pk = IdText(1 + sequence.Next() % 1000);
        const std::string begin = "BEGIN;SELECT pg_try_advisory_xact_lock(" +
                                  std::to_string(TPgFileSchema::RecordLock(server->FileId, pk)) + ");" +
                                  TPgFileSchema::BumpSql(server->FileId, 0);
        TPgParams params;
        params.Bytes(pk).Bytes(std::string_view(reinterpret_cast<const char*>(&entry), sizeof(entry)));
        params.Bytes(FieldText(entry.EntryStamp));
        if (!RunAll(conn, begin) || server->Raw.ExecPrepared("update", params).Changed() != 1 ||
            !server->Raw.Exec("COMMIT").Ok())
            state.SkipWithError("rewrite failed");
    }
}

void LockStore(benchmark::State& state, TServer* server)
{
    TSequence sequence;
    TXIsamFile& file = server->Db->DayEntryFile;
    for (auto _ : state) {
        const std::string id = IdText(1 + sequence.Next() % server->Count);
        if (!file.LockRecord(id) || !file.UnlockRecord(id))
            state.SkipWithError("lock failed");
    }
}

void LockLibpq(benchmark::State& state, TServer* server)
{
    TSequence sequence;
    for (auto _ : state) {
        const std::string lock =
            std::to_string(TPgFileSchema::RecordLock(server->FileId, IdText(1 + sequence.Next() % server->Count)));
        const TPgResult taken = server->Raw.Exec("SELECT pg_try_advisory_lock(" + lock + ")");
        if (!taken.Ok() || !taken.Bool(0, 0) || !server->Raw.Exec("SELECT pg_advisory_unlock(" + lock + ")").Ok())
            state.SkipWithError("lock failed");
    }
}

struct TFeeding
{
    TViewFeeder* Feeder;
};

void WeekFeed(benchmark::State& state, TFeeding* feeding)
{
    int listed = 0;
    for (auto _ : state)
        listed = FeedWeek(*feeding->Feeder);
    state.counters["entries"] = listed;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::string server = ServerOf();
    if (server.empty()) {
        std::printf("bench_pg: no PostgreSQL server (ORBEKO_BENCH_PG or ORBEKO_TEST_PG); run it through "
                    "scripts/test-postgres.sh, as ./build.sh bench does\n");
        return 0;
    }
    const std::string location = BenchDatabase(server);
    if (location.empty()) {
        std::fprintf(stderr, "bench_pg: cannot reach %s\n", StoreHomes::Shown(server).c_str());
        return 1;
    }
    TServer events;
    TCreatingShell shell;
    events.Db = std::make_unique<TOrbekoDB>(shell, location);
    if (events.Raw.Open(location) != 0 || (events.FileId = EventsFileId(events.Raw)) == 0) {
        std::fprintf(stderr, "bench_pg: no events file in %s\n", StoreHomes::Shown(location).c_str());
        return 1;
    }
    if (events.Db->DayEntryFile.RecordCount() < events.Count) {
        std::fprintf(stderr, "loading %d events...\n", events.Count);
        if (!LoadEvents(events.Raw, events.FileId, events.Count))
            return 1;
    }
    if (!PrepareWeek(*events.Db) || !events.Prepare(events.Raw.Handle())) {
        std::fprintf(stderr, "bench_pg: cannot prepare the database\n");
        return 1;
    }

    TUserRec user;
    if (!events.Db->UserFile.GetEqual(user, 0, IdText(1)))
        return 1;
    // The shown entries of two users, as in the folder's week benchmark.
    TFilterRules rules;
    rules.Mode = fmListedUsers;
    rules.AddUser(IdText(1));
    rules.AddUser(IdText(2));
    const TSession session(IdText(1), user);
    TViewFeeder feeder(*events.Db, rules, session);
    TFeeding feeding{&feeder};

    using TBody = void (*)(benchmark::State&, TServer*);
    const std::vector<std::tuple<std::string, TBody, TBody>> operations = {
        {"DayEntries", DayStore, DayLibpq}, {"LookupById", LookupStore, LookupLibpq},
        {"AddEmptyKey", AddStore, AddLibpq}, {"Rewrite", RewriteStore, RewriteLibpq},
        {"LockUnlock", LockStore, LockLibpq},
    };
    const std::string suffix = "/" + std::to_string(events.Count);
    for (const auto& [name, ours, raw] : operations) {
        benchmark::RegisterBenchmark((name + "/Store" + suffix).c_str(), ours, &events)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((name + "/Libpq" + suffix).c_str(), raw, &events)->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark(("WeekFeed" + suffix).c_str(), WeekFeed, &feeding)->Unit(benchmark::kMillisecond);

    TRatioReporter reporter;
    reporter.RunAll(argc, argv);

    std::printf("\n%-15s %9s %12s %12s %7s %10s\n", "operation", "events", "store us", "libpq us", "ratio",
                "cpu ratio");
    bool met = true;
    for (const auto& [name, ours, raw] : operations) {
        met = reporter.PrintRatio(name, events.Count, name + "/Store" + suffix, name + "/Libpq" + suffix, kGoalRatio,
                                  false)
              && met;
    }
    if (const auto day = reporter.Times.find("DayEntries/Store" + suffix); day != reporter.Times.end()) {
        met = met && day->second.Real < 2000;
        std::printf("one day at 1,000,000 events: %.3f ms (goal under 2 ms)\n", day->second.Real / 1000);
    }
    if (const auto week = reporter.Times.find("WeekFeed" + suffix); week != reporter.Times.end()) {
        met = met && week->second.Real < 40;
        std::printf("a week fed to the main window: %.3f ms (goal under 40 ms)\n", week->second.Real);
    }
    std::printf("%s\n", met ? "all time goals met" : "some time goals NOT met");
    return 0;
}
