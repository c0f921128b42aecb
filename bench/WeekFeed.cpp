#include "WeekFeed.h"

#include "app/ViewFeeder.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "views/DayEntries.h"

#include <benchmark/benchmark.h>

#include <filesystem>

bool PrepareWeek(TOrbekoDB& db)
{
    if (db.UserFile.RecordCount() > 0)
        return true;
    if (!AddUsers(db, kWeekUsers) || !AddCategories(db, kWeekCategories))
        return false;
    TDayEntryRec entry;
    const std::string end = IdText(kWeekStart + 7 * kDaySeconds);
    db.DayEntryFile.GetEqual(entry, 3, IdText(kWeekStart));
    for (int n = 0; db.DayEntryFile.GetNext(entry, 3, end, gcBelow); ++n) {
        if (n % 10 != 0)
            continue;
        TAlarmRec alarm;
        db.InitAlarm(alarm);
        alarm.Flags = afAlarmed;
        SetField(alarm.EntryId, db.DayEntryFile.LastKey());
        SetAlarmUser(alarm, FieldText(entry.AssigneeIds[0]));
        if (!db.AlarmFile.Add(alarm, ""))
            return false;
    }
    return true;
}

bool PrepareWeekFolder(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    const std::string entries = folder + "/" + TOrbekoDB::DayEntryFileName;
    if (!std::filesystem::exists(entries)) {
        std::error_code error;
        std::filesystem::create_hard_link(BenchFolder() + "/events-1000000.Ism", entries, error);
        if (error)
            return false;
    }
    if (!UseDatabaseFolder(folder))
        return false;
    TBenchShell shell;
    TOrbekoDB db(shell);
    return PrepareWeek(db);
}

int FeedWeek(TViewFeeder& feeder)
{
    return FeedDays(feeder, 7);
}

int FeedDays(TViewFeeder& feeder, int days)
{
    int listed = 0;
    for (int day = 0; day < days; ++day) {
        TDayEntries entries;
        feeder.DayEntries(IdText(kWeekStart + day * kDaySeconds), entries);
        TDayEntryRec entry;
        for (int i = 0; i < entries.EntryCount(); ++i) {
            entries.GetEntry(i, entry);
            bool alarmed = feeder.Alarmed(entries.GetEntryId(i));
            benchmark::DoNotOptimize(feeder.Repeated(entries.GetEntryId(i)));
            for (const auto& slot : entry.AssigneeIds)
                if (IdValue(FieldText(slot)) != 0)
                    benchmark::DoNotOptimize(feeder.UserName(FieldText(slot)));
            if (IdValue(FieldText(entry.CategoryId)) != 0)
                benchmark::DoNotOptimize(feeder.CategoryDescription(FieldText(entry.CategoryId)));
            benchmark::DoNotOptimize(alarmed);
        }
        listed += entries.EntryCount();
    }
    return listed;
}
