// iCalendar export of 100,000 events and import of 10,000 into an empty
// database. Run from a Release build: build-bench/bench/bench_ical.

#include "EventsFixture.h"
#include "ical/ICalExport.h"
#include "ical/ICalImport.h"
#include "storage/OrbekoDB.h"
#include "storage/RegistryKey.h"
#include "storage/XIsamFile.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

constexpr int kEvents = 100000;

class TYesShell : public TOrbekoDBShell
{
public:
    void Warn(const std::string&) override {}
    bool AskFolder(const std::string&, std::string&) override { return false; }
    bool Confirm(const std::string&) override { return true; }
};

// A database in folder: twelve users, eight categories, no alarms, and the
// day entries of the shared fixture when count is not zero.
std::unique_ptr<TOrbekoDB> OpenDatabase(const std::string& folder, int count)
{
    std::filesystem::create_directories(folder);
    setenv("XDG_CONFIG_HOME", (folder + "-config").c_str(), 1);
    TRegistryKey::Open(true)->WriteText("RootPath", QString::fromStdString(folder));
    const bool fresh = !std::filesystem::exists(folder + "/" + TOrbekoDB::UserFileName);
    if (fresh && count > 0) {
        EnsureFixture(folder + "/" + TOrbekoDB::DayEntryFileName, count);
        for (const char* name : {TOrbekoDB::UserFileName, TOrbekoDB::AlarmFileName, TOrbekoDB::CategoryFileName}) {
            TXIsamFile other;
            const std::string format = name == std::string(TOrbekoDB::UserFileName) ? TOrbekoDB::UserKeyFormat
                                       : name == std::string(TOrbekoDB::AlarmFileName) ? TOrbekoDB::AlarmKeyFormat
                                                                                      : TOrbekoDB::CategoryKeyFormat;
            other.CreateFile(folder + "/" + name, 10, format);
        }
    }
    TYesShell shell;
    auto db = std::make_unique<TOrbekoDB>(shell);
    if (fresh) {
        AddUsers(*db, 12);
        for (int i = 1; i <= 7; ++i) {
            TCategoryRec category{};
            SetField(category.Description, "Category " + std::to_string(i));
            db->CategoryFile.Add(category, "");
        }
    }
    return db;
}

void BM_ExportAll(benchmark::State& state)
{
    auto db = OpenDatabase(BenchFolder() + "/ical-export", kEvents);
    std::size_t count = 0;
    for (auto _ : state) {
        TICalExport exporter(*db);
        benchmark::DoNotOptimize(exporter.Export({QDate(2015, 1, 1), QDate(2025, 12, 31), {}, {}}));
        count = exporter.Count();
    }
    state.counters["events"] = static_cast<double>(count);
}
BENCHMARK(BM_ExportAll)->Unit(benchmark::kMillisecond)->Iterations(3);

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
