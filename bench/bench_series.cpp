// Recurring events on a database folder of their own: a weekly series
// with no end made (78 occurrences to the horizon, alarms for two
// assignees), and every occurrence of a weekly series that has run for six
// months (104 occurrences) changed at once. Goals: 200 ms and 1 s.

#include "EventsFixture.h"
#include "series/SeriesStore.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace {

constexpr int64_t kNow = 1798761600;  // 2027-01-01
constexpr int64_t kWeek = 7 * 86400LL;

TSeries Meeting(int64_t start)
{
    TSeries series;
    series.RRule = "FREQ=WEEKLY;BYDAY=MO";
    series.Template.Marker = 1;
    SetField(series.Template.EntryStamp, IdText(start));
    SetField(series.Template.OwnerId, IdText(1));
    SetField(series.Template.CategoryId, kNoneId);
    SetField(series.Template.Description, "Staff meeting");
    for (int slot = 0; slot < kMaxAssignees; ++slot)
        SetField(series.Template.AssigneeIds[slot], slot < 2 ? IdText(slot + 1) : kNoneId);
    series.Details.Place = "Meeting room 4";
    series.Duration = 3600;
    series.AlarmLead = 900;
    return series;
}

void MakeWeekly(benchmark::State& state, TOrbekoDB* db)
{
    TSeriesStore store(*db, kNow);
    for (auto _ : state) {
        const std::string id = store.Create(Meeting(kNow + 3 * 86400 + 9 * 3600));
        state.PauseTiming();
        if (store.Occurrences(id).size() != 78)
            state.SkipWithError("the series was not made whole");
        store.DeleteAll(id);
        state.ResumeTiming();
    }
}

void ChangeAll(benchmark::State& state, TOrbekoDB* db)
{
    TSeriesStore store(*db, kNow);
    const std::string id = store.Create(Meeting(kNow - 26 * kWeek + 3 * 86400 + 9 * 3600));
    TSeries series = *store.Read(id);
    if (store.Occurrences(id).size() != 104)
        state.SkipWithError("the series is not two years long");
    int round = 0;
    for (auto _ : state) {
        SetField(series.Template.Description, "Staff meeting " + std::to_string(++round));
        if (store.ChangeAll(series, true) != TSeriesStore::TResult::Done)
            state.SkipWithError("the change was refused");
    }
    store.DeleteAll(id);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const std::string folder = BenchFolder() + "/series/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    TBenchShell shell(true);
    const auto db = std::make_unique<TOrbekoDB>(shell, folder);
    if (!AddUsers(*db, 2))
        return 1;
    benchmark::RegisterBenchmark("Series/MakeWeeklyWithoutEnd", MakeWeekly, db.get())->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Series/ChangeAllOfTwoYearsWeekly", ChangeAll, db.get())->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
