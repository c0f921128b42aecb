// check and backup of a database folder with 1,000,000 events, 12 users,
// 7 categories and 5,000 alarms. Peak memory: run orbeko-admin itself under
// /usr/bin/time -v on the folder this prints.
#include "EventsFixture.h"

#include "storage/DatabaseCheck.h"
#include "storage/DatabaseFiles.h"
#include "kfstore/ScratchFolder.h"
#include "kfstore/folder/Snapshot.h"
#include "kfstore/XIsamFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

namespace {

constexpr int kEvents = 1000000;
constexpr int kAlarms = 5000;

template <typename TRecord> void AddAll(const std::string& path, const char* format, int count,
                                         TRecord (*make)(int))
{
    TXIsamFile file;
    if (!file.CreateFile(path, 10, format) || !file.Open(path, 3))
        return;
    for (int i = 1; i <= count; ++i)
        file.Add(make(i), "");
}

TUserRec MakeUser(int i)
{
    TUserRec user{};
    const std::string number = std::to_string(i);
    SetField(user.UserName, "USER" + number);
    SetField(user.Abbreviation, "U" + number);
    return user;
}

TCategoryRec MakeCategory(int i)
{
    TCategoryRec category{};
    SetField(category.Description, "Category " + std::to_string(i));
    return category;
}

// Alarms of events spread over the file, each for the event's first assignee.
TAlarmRec MakeAlarm(int i)
{
    static TXIsamFile events;
    if (!events.IsOpen())
        events.Open(FolderFile(BenchFolder() + "/admin", TOrbekoDB::DayEntryFileName), 3);
    const std::string entry = IdText(static_cast<int64_t>(i) * (kEvents / kAlarms));
    TDayEntryRec event{};
    events.GetEqual(event, 0, entry);
    TAlarmRec alarm{};
    alarm.Flags = afAlarmed;
    SetField(alarm.EntryId, entry);
    SetAlarmUser(alarm, FieldText(event.AssigneeIds[0]));
    SetAlarmStamp(alarm, FieldText(event.EntryStamp));
    return alarm;
}

// The folder: the shared events fixture linked in, the other files made once.
std::string AdminFolder()
{
    const std::string folder = BenchFolder() + "/admin";
    const std::string events = FolderFile(folder, TOrbekoDB::DayEntryFileName);
    if (std::filesystem::exists(FolderFile(folder, TOrbekoDB::AlarmFileName)))
        return folder;
    const std::string fixture = BenchFolder() + "/events-1000000.Ism";
    if (!EnsureFixture(fixture, kEvents))
        return {};
    std::filesystem::create_directories(folder);
    std::filesystem::remove(events);
    std::filesystem::copy_file(fixture, events);
    AddAll(FolderFile(folder, TOrbekoDB::UserFileName), TOrbekoDB::UserKeyFormat, 12, MakeUser);
    AddAll(FolderFile(folder, TOrbekoDB::CategoryFileName), TOrbekoDB::CategoryKeyFormat, 7, MakeCategory);
    AddAll(FolderFile(folder, TOrbekoDB::AlarmFileName), TOrbekoDB::AlarmKeyFormat, kAlarms, MakeAlarm);
    return folder;
}

void BM_Check(benchmark::State& state)
{
    const std::string folder = AdminFolder();
    for (auto _ : state) {
        int64_t problems = TDatabaseCheck([](const TProblem&) {}).CheckLive(folder);
        if (problems != 0)
            state.SkipWithError("the fixture has problems");
    }
}
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Backup(benchmark::State& state)
{
    const std::string folder = AdminFolder();
    for (auto _ : state) {
        const TScratchFolder copy(BenchFolder(), "backup-");
        if (!TSnapshot::Take(kDatabaseFiles, folder, copy.Path(), TSnapshot::TSync::Files).empty())
            state.SkipWithError("the copy failed");
    }
}
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
