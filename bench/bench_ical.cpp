// iCalendar export of 100,000 events and import of 10,000 into an empty
// database. Run from a Release build: build-bench/bench/bench_ical.

#include "EventsFixture.h"
#include "ical/ICalExport.h"
#include "ical/ICalImport.h"
#include "kfstore/WriteBatch.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kEvents = 100000;

// A database in folder: twelve users, seven categories, no alarms, and the
// day entries of the shared fixture when count is not zero.
std::unique_ptr<TOrbekoDB> OpenDatabase(const std::string& folder, int count)
{
    std::filesystem::create_directories(folder);
    setenv("XDG_CONFIG_HOME", (folder + "-config").c_str(), 1);
    const bool fresh = !std::filesystem::exists(folder + "/" + TOrbekoDB::UserFileName);
    if (fresh && count > 0 && !EnsureFixture(folder + "/" + TOrbekoDB::DayEntryFileName, count))
        throw std::runtime_error("cannot build the events of " + folder);
    if (!UseDatabaseFolder(folder))
        throw std::runtime_error("cannot prepare " + folder);
    TBenchShell shell;
    auto db = std::make_unique<TOrbekoDB>(shell);
    if (fresh && !(AddUsers(*db, 12) && AddCategories(*db, 7)))
        throw std::runtime_error("cannot add users and categories to " + folder);
    return db;
}

// Exports the ten years whole, as many times as the state asks.
void MeasureExport(benchmark::State& state, TOrbekoDB& db)
{
    std::size_t count = 0;
    for (auto _ : state) {
        TICalExport exporter(db);
        benchmark::DoNotOptimize(exporter.Export({QDate(2015, 1, 1), QDate(2025, 12, 31), {}, {}}));
        count = exporter.Count();
    }
    state.counters["events"] = static_cast<double>(count);
}

void BM_ExportAll(benchmark::State& state)
{
    auto db = OpenDatabase(BenchFolder() + "/ical-export", kEvents);
    MeasureExport(state, *db);
}
BENCHMARK(BM_ExportAll)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same with the details file there: every event's details are read,
// a tenth of the events have a place and an end.
void BM_ExportAllWithDetails(benchmark::State& state)
{
    const std::string folder = BenchFolder() + "/ical-export-details";
    const bool fresh = !std::filesystem::exists(folder + "/" + TDetailFile::FileName);
    auto db = OpenDatabase(folder, kEvents);
    if (fresh) {
        db->Details.SetUserEmail("0000000001", "user1@example.com");
        const TWriteBatch batch(db->Details.File());
        TDayEntryRec entry;
        int n = 0;
        for (TKeyWalk walk = TKeyWalk::All(db->DayEntryFile, TOrbekoDB::DayEntryIdKey); walk.Next(entry);)
            if (n++ % 10 == 0)
                db->Details.WriteEvent(walk.Id(), entry,
                                       {IdText(IdValue(FieldText(entry.EntryStamp)) + 3600), "Room 1", {}}, nullptr);
    }
    MeasureExport(state, *db);
}
BENCHMARK(BM_ExportAllWithDetails)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Import10000(benchmark::State& state)
{
    auto source = OpenDatabase(BenchFolder() + "/ical-export", kEvents);
    // About a tenth of the fixture's ten years.
    const std::string text = TICalExport(*source).Export({QDate(2015, 1, 1), QDate(2015, 12, 31), {}, {}});
    source.reset();
    std::size_t added = 0;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string folder = BenchFolder() + "/ical-import-" + std::to_string(run++);
        std::filesystem::remove_all(folder);
        auto db = OpenDatabase(folder, 0);
        state.ResumeTiming();
        added = TICalImport(*db, "0000000001").Import(text, QDate(2015, 1, 1), QDate(2015, 12, 31)).Added;
        state.PauseTiming();
        db.reset();
        std::filesystem::remove_all(folder);
        state.ResumeTiming();
    }
    state.counters["events"] = static_cast<double>(added);
}
BENCHMARK(BM_Import10000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
