// Feeding one week, and the six weeks of a month, from a database of 1,000,000 events:
// seven day reads, the alarm flag of every listed entry and the name and
// category lookups its row needs, as the views ask for them when they
// draw, without the painting. The feeder is the one the main window uses,
// on a database folder whose day entries file is the shared 1,000,000-event
// fixture. Nine repetitions; median, min and max are printed.

#include "EventsFixture.h"
#include "WeekFeed.h"
#include "app/ViewFeeder.h"
#include "prefs/FilterRules.h"
#include "prefs/Session.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "kfstore/XIsamFile.h"
#include "views/DayEntries.h"
#include "support/DialogScript.h"
#include "support/MessageBoxScript.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

struct TFeeding
{
    TOrbekoDB& Db;
    TViewFeeder& Feeder;
};

void WeekFeed(benchmark::State& state, TFeeding* feeding)
{
    int listed = 0;
    for (auto _ : state)
        listed = FeedWeek(feeding->Feeder);
    state.counters["entries"] = listed;
}

// The six weeks of a month view (goal: under 10 ms).
void MonthFeed(benchmark::State& state, TFeeding* feeding)
{
    int listed = 0;
    for (auto _ : state)
        listed = FeedDays(feeding->Feeder, 42);
    state.counters["entries"] = listed;
}

// The same after another workstation snoozed an alarm: the first question
// for an alarm mark reads the alarms file again.
void WeekFeedAfterSnooze(benchmark::State& state, TFeeding* feeding)
{
    TXIsamFile& alarms = feeding->Db.AlarmFile;
    TAlarmRec alarm;
    if (!alarms.GetEqual(alarm, 0, IdText(1))) {
        state.SkipWithError("no alarm to snooze");
        return;
    }
    int listed = 0;
    int32_t stamp = kWeekStart;
    for (auto _ : state) {
        state.PauseTiming();
        SetAlarmStamp(alarm, IdText(++stamp));
        if (!alarms.Rewrite(alarm, IdText(1)))
            state.SkipWithError("rewrite failed");
        state.ResumeTiming();
        listed = FeedWeek(feeding->Feeder);
    }
    state.counters["entries"] = listed;
}

double Least(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

double Most(const std::vector<double>& values)
{
    return *std::max_element(values.begin(), values.end());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = BenchFolder() + "/week-feed";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder + "/config"));
    QCoreApplication app(argc, argv);
    if (!EnsureFixture(BenchFolder() + "/events-1000000.Ism", kWeekEvents) || !PrepareWeekFolder(folder + "/data")) {
        std::fprintf(stderr, "cannot prepare the database in %s\n", folder.c_str());
        return 1;
    }

    TBenchShell shell;
    TOrbekoDB db(shell);
    TUserRec user;
    const std::string userId = IdText(1);
    if (!db.UserFile.GetEqual(user, 0, userId)) {
        std::fprintf(stderr, "no user %s: %s\n", userId.c_str(), db.UserFile.StatusText().c_str());
        return 1;
    }
    // The shown entries of two users: about 350 of the week's 1,900.
    TFilterRules rules;
    rules.Mode = fmListedUsers;
    rules.AddUser(IdText(1));
    rules.AddUser(IdText(2));
    const TSession session(userId, user);
    TViewFeeder feeder(db, rules, session);
    TFeeding feeding{db, feeder};

    using TBody = void (*)(benchmark::State&, TFeeding*);
    const std::pair<const char*, TBody> benchmarks[] = {{"WeekFeed/1000000", WeekFeed},
                                                        {"WeekFeedAfterSnooze/1000000", WeekFeedAfterSnooze},
                                                        {"MonthFeed/1000000", MonthFeed}};
    for (const auto& [name, body] : benchmarks)
        benchmark::RegisterBenchmark(name, body, &feeding)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(9)
            ->ReportAggregatesOnly(true)
            ->ComputeStatistics("min", Least)
            ->ComputeStatistics("max", Most);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
