// Events with details at 1,000,000 events: 30% of the events carry an end
// and a place (a third of those notes too), 1% run over one to five days,
// and 20% are occurrences of a series.
// Measured: one day read and the week fed to the main window, with the
// details file beside the events and without it, and an add with details
// against one without. The folder is built once beside the other fixtures.

#include "EventsFixture.h"
#include "WeekFeed.h"
#include "app/ViewFeeder.h"
#include "events/EventCommands.h"
#include "kfstore/WriteBatch.h"
#include "prefs/FilterRules.h"
#include "prefs/Session.h"
#include "storage/DetailFile.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "views/DayEntries.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

// An occurrence's link to its series, as the series store writes it: one
// series for each of the fixture's thousand slots of a week.
void AddLink(TOrbekoDB& db, const std::string& id, const TDayEntryRec& entry)
{
    TDetailRec link;
    std::memset(&link, 0, sizeof link);
    const std::string series = IdText(1 + IdValue(FieldText(entry.EntryStamp)) / 600 % 1000);
    SetField(link.Subject, std::string(1, TDetailFile::EventSubject) + id + TDetailFile::LinkPiece + "000");
    SetField(link.Reach, "L" + series);
    std::memcpy(link.OwnerId, entry.OwnerId, sizeof link.OwnerId);
    std::memcpy(link.EntryStamp, entry.EntryStamp, sizeof link.EntryStamp);
    std::memcpy(link.PriorOwnerId, entry.OwnerId, sizeof link.PriorOwnerId);
    std::memcpy(link.PriorStamp, entry.EntryStamp, sizeof link.PriorStamp);
    SetField(link.EndStamp, FieldText(entry.EntryStamp));
    SetField(link.Text, series);
    db.Details.File().Add(link, "");
}

// Gives the fixture's events their details, and a fifth of them a link to
// a series, in batches of writes.
bool AddDetails(TOrbekoDB& db)
{
    if (db.Details.Exists())
        return true;
    TSequence draw;
    TDayEntryRec entry;
    TKeyWalk walk = TKeyWalk::All(db.DayEntryFile, TOrbekoDB::DayEntryIdKey);
    int written = 0;
    std::unique_ptr<TWriteBatch> batch;
    while (walk.Next(entry)) {
        const uint32_t n = draw.Next() % 100;
        if (n % 5 == 1 && db.Details.Exists())
            AddLink(db, walk.Id(), entry);
        if (n >= 30)
            continue;
        const int64_t start = IdValue(FieldText(entry.EntryStamp));
        TEventDetails details;
        // One in thirty of them (1% of all events) runs into later days.
        details.EndStamp = IdText(n == 0 ? start + (1 + draw.Next() % 5) * kDaySeconds : start + 3600);
        details.Place = QStringLiteral("Meeting room %1").arg(draw.Next() % 20);
        if (n % 3 == 0)
            details.Notes = QStringLiteral("Bring the figures for the quarter.\nAsk about the new printer.");
        db.Details.WriteEvent(walk.Id(), entry, details, nullptr);
        // The file is made by the first write; batches start once it is there.
        if (!batch || ++written % 20000 == 0) {
            if (batch && !batch->Commit())
                return false;
            batch.reset();
            batch = std::make_unique<TWriteBatch>(db.Details.File());
        }
    }
    return batch && batch->Commit();
}

struct TFeeding
{
    TOrbekoDB& Db;
    TViewFeeder& Feeder;
};

void DayRead(benchmark::State& state, TFeeding* feeding)
{
    int listed = 0;
    const std::string day = IdText(kWeekStart + 2 * kDaySeconds);
    for (auto _ : state) {
        TDayEntries entries;
        feeding->Feeder.DayEntries(day, entries);
        listed = entries.EntryCount();
    }
    state.counters["entries"] = listed;
}

void WeekFeed(benchmark::State& state, TFeeding* feeding)
{
    int listed = 0;
    for (auto _ : state)
        listed = FeedWeek(feeding->Feeder);
    state.counters["entries"] = listed;
}

// Adds and deletes again an event, with or without details, so the file
// stays as it was.
void Add(benchmark::State& state, TOrbekoDB* db, bool withDetails)
{
    TEventCommands commands(*db);
    TDayEntryRec entry;
    db->InitDayEntry(entry);
    SetField(entry.EntryStamp, IdText(kWeekStart + 9 * 3600));
    SetField(entry.OwnerId, IdText(1));
    SetField(entry.AssigneeIds[0], IdText(1));
    SetField(entry.Description, "Benchmark event");
    TAlarmRec alarm;
    db->InitAlarm(alarm);
    TEventDetails details;
    if (withDetails) {
        details.EndStamp = IdText(kWeekStart + 10 * 3600);
        details.Place = QStringLiteral("Meeting room 4");
        details.Notes = QStringLiteral("Bring the figures for the quarter.");
    }
    // The file's first key question of the process counts its records once.
    commands.DeleteEvent(commands.AddEvent(entry, alarm, details));
    for (auto _ : state) {
        const std::string id = commands.AddEvent(entry, alarm, details);
        state.PauseTiming();
        commands.DeleteEvent(id);
        state.ResumeTiming();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = BenchFolder() + "/details-series-feed";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder + "/config"));
    QCoreApplication app(argc, argv);
    if (!EnsureFixture(BenchFolder() + "/events-1000000.Ism", kWeekEvents) || !PrepareWeekFolder(folder + "/data")) {
        std::fprintf(stderr, "cannot prepare the database in %s\n", folder.c_str());
        return 1;
    }
    // The same folder without its details file, as a database of before:
    // the four files linked, opened first so that each link gets a lock
    // file of its own before the files are open elsewhere in this process.
    const std::string data = folder + "/data";
    const std::string bare = BenchFolder() + "/details-bare";
    std::filesystem::create_directories(bare);
    for (const char* name : {TOrbekoDB::UserFileName, TOrbekoDB::CategoryFileName, TOrbekoDB::DayEntryFileName,
                             TOrbekoDB::AlarmFileName}) {
        std::error_code error;
        if (!std::filesystem::exists(bare + "/" + name))
            std::filesystem::create_hard_link(data + "/" + name, bare + "/" + name, error);
    }
    TBenchShell shell;
    TOrbekoDB bareDb(shell, bare);
    auto db = std::make_unique<TOrbekoDB>(shell);
    if (!AddDetails(*db)) {
        std::fprintf(stderr, "cannot write the details in %s\n", folder.c_str());
        return 1;
    }

    TUserRec user;
    db->UserFile.GetEqual(user, 0, IdText(1));
    TFilterRules rules;
    rules.Mode = fmListedUsers;
    rules.AddUser(IdText(1));
    rules.AddUser(IdText(2));
    const TSession session(IdText(1), user);
    TViewFeeder feeder(*db, rules, session);
    TViewFeeder bareFeeder(bareDb, rules, session);
    TFeeding details{*db, feeder};
    TFeeding without{bareDb, bareFeeder};

    for (auto [name, feeding] : {std::pair{"Details", &details}, std::pair{"NoDetails", &without}}) {
        benchmark::RegisterBenchmark((std::string("DayRead/") + name).c_str(), DayRead, feeding)
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark((std::string("WeekFeed/") + name).c_str(), WeekFeed, feeding)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    benchmark::RegisterBenchmark("AddEvent/WithDetails", Add, db.get(), true)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("AddEvent/WithoutDetails", Add, db.get(), false)->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
