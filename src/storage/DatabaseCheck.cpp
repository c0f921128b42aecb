#include "storage/DatabaseCheck.h"

#include "kfstore/KeyOrder.h"
#include "kfstore/ScratchFolder.h"
#include "kfstore/StoreLocation.h"
#include "kfstore/StoreUpkeep.h"
#include "storage/DatabaseFiles.h"
#include "storage/Records.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

namespace {

// The alarms in the order of the event they belong to.
class TAlarmsByEvent
{
public:
    explicit TAlarmsByEvent(TCheckedFile* alarms)
        : Rows_(alarms ? alarms->ByKey(TOrbekoDB::AlarmEntryKey) : nullptr)
    {
        Next();
    }

    bool Valid() const { return Valid_; }
    const std::string& Pk() const { return Pk_; }
    const std::string& EntryId() const { return EntryId_; }
    const std::string& UserId() const { return UserId_; }

    void Next()
    {
        Valid_ = Rows_ && Rows_->Next();
        if (!Valid_)
            return;
        Pk_ = Rows_->Pk();
        EntryId_ = Rows_->Key();
        UserId_.clear();
        if (const char* data = Rows_->Data())
            UserId_ = FieldText(RecordAt<TAlarmRec>(data).UserId);
    }

private:
    std::unique_ptr<TKeyedRows> Rows_;
    bool Valid_ = false;
    std::string Pk_;
    std::string EntryId_;
    std::string UserId_;
};

}  // namespace

TDatabaseCheck::TDatabaseCheck(TProblemSink sink) : Sink_(std::move(sink)) {}

void TDatabaseCheck::Report(const TProblem& problem)
{
    ++Count_;
    Sink_(problem);
}

int64_t TDatabaseCheck::CheckQuiet(const std::string& location)
{
    return Check(*DatabaseUpkeep(location), {});
}

int64_t TDatabaseCheck::CheckLive(const std::string& location)
{
    const std::unique_ptr<TStoreUpkeep> live = DatabaseUpkeep(location);
    if (StoreLocation::IsServer(location))
        return Check(*live, {});
    const TScratchFolder scratch(std::filesystem::temp_directory_path().string(), "orbeko-check-");
    std::set<std::string> uncopied;
    for (const TStoreUpkeep::TFailure& failure : live->Snapshot(scratch.Path(), false)) {
        Report({failure.File, {}, "cannot be read: " + failure.Error});
        uncopied.insert(failure.File);
    }
    return Check(*DatabaseUpkeep(scratch.Path()), uncopied);
}

int64_t TDatabaseCheck::Check(TStoreUpkeep& upkeep, const std::set<std::string>& skipped)
{
    const TProblemSink sink = [this](const TProblem& problem) { Report(problem); };
    std::unique_ptr<TCheckedFile> files[kDatabaseFiles.size()];
    for (std::size_t i = 0; i < kDatabaseFiles.size(); ++i)
        if (!skipped.count(kDatabaseFiles[i].Name))
            files[i] = upkeep.Check(kDatabaseFiles[i], sink);
    const auto usable = [&files](std::size_t i) { return files[i] && files[i]->Usable() ? files[i].get() : nullptr; };
    TCheckedFile* users = usable(0);
    TCheckedFile* categories = usable(1);
    TCheckedFile* events = usable(2);
    TCheckedFile* alarms = usable(3);
    Rules_.Users = CollectIds(users);
    Rules_.Categories = CollectIds(categories);
    if (events)
        CheckEvents(*events, alarms);
    if (alarms)
        CheckAlarms(*alarms);
    return Count_;
}

std::optional<std::unordered_set<std::string>> TDatabaseCheck::CollectIds(TCheckedFile* file)
{
    std::unordered_set<std::string> ids;
    if (!file || !file->ScanRecords([&ids](std::string_view pk, const char*) { ids.emplace(pk); }))
        return std::nullopt;
    return ids;
}

void TDatabaseCheck::CheckEvents(TCheckedFile& events, TCheckedFile* alarms)
{
    TAlarmsByEvent alarm(alarms);
    const auto danglingAlarm = [this, &alarm] {
        Report({TOrbekoDB::AlarmFileName, alarm.Pk(),
                "its event " + alarm.EntryId() + " is not in " + TOrbekoDB::DayEntryFileName});
    };
    events.ScanRecords([&](std::string_view pk, const char* data) {
        const std::set<std::string> assignees = Rules_.CheckEvent(
            RecordAt<TDayEntryRec>(data), [&](const std::string& text) { events.Report(pk, text); });
        for (; alarm.Valid() && CompareKeys(alarm.EntryId(), pk) < 0; alarm.Next())
            danglingAlarm();
        for (; alarm.Valid() && CompareKeys(alarm.EntryId(), pk) == 0; alarm.Next())
            if (!assignees.count(alarm.UserId()))
                Report({TOrbekoDB::AlarmFileName, alarm.Pk(),
                        "its user " + alarm.UserId() + " is not among the assignees of event " + std::string(pk)});
    });
    for (; alarm.Valid(); alarm.Next())
        danglingAlarm();
}

void TDatabaseCheck::CheckAlarms(TCheckedFile& alarms)
{
    alarms.ScanRecords([&](std::string_view pk, const char* data) {
        Rules_.CheckAlarm(RecordAt<TAlarmRec>(data), [&](const std::string& text) { alarms.Report(pk, text); });
    });
}
