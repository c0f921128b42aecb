#include "cli/DatabaseCheck.h"

#include "cli/DatabaseFiles.h"
#include "cli/FileCheck.h"
#include "cli/ReferenceRules.h"
#include "cli/ScratchFolder.h"
#include "cli/Snapshot.h"
#include "kfstore/KeyOrder.h"
#include "storage/Records.h"
#include "kfstore/folder/Statement.h"

#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

namespace {


template <typename TRecord> TRecord RecordAt(const char* data)
{
    TRecord record;
    std::memcpy(&record, data, sizeof(record));
    return record;
}

// The alarms in the order of the event they belong to (key 3).
class TAlarmsByEvent
{
public:
    explicit TAlarmsByEvent(TFileCheck* alarms) : Alarms_(alarms)
    {
        if (Alarms_ && Scan_.Prepare(Alarms_->Connection().Handle(),
                                     "SELECT pk, key3, data FROM kfs_records INDEXED BY kfs_key3")
                           == SQLITE_OK)
            Next();
    }

    bool Valid() const { return Valid_; }
    const std::string& Pk() const { return Pk_; }
    const std::string& EntryId() const { return EntryId_; }
    const std::string& UserId() const { return UserId_; }

    void Next()
    {
        const int rc = Scan_.Step();
        Valid_ = rc == SQLITE_ROW;
        if (!Valid_) {
            if (rc != SQLITE_DONE)
                Alarms_->ReportEngine("reading the alarms by event stopped", rc);
            return;
        }
        Pk_ = Scan_.ColumnText(0);
        EntryId_ = Scan_.ColumnText(1);
        UserId_.clear();
        if (Scan_.ColumnBytes(2) == static_cast<int>(sizeof(TAlarmRec)))
            UserId_ = FieldText(RecordAt<TAlarmRec>(static_cast<const char*>(Scan_.ColumnBlob(2))).UserId);
    }

private:
    TFileCheck* Alarms_;
    TStatement Scan_;
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

int64_t TDatabaseCheck::CheckQuiet(const std::string& folder)
{
    return Check(folder, {});
}

int64_t TDatabaseCheck::CheckLive(const std::string& folder)
{
    const TScratchFolder scratch(std::filesystem::temp_directory_path().string(), "orbeko-check-");
    std::set<std::string> uncopied;
    for (const TSnapshot::TFailure& failure : TSnapshot::Take(folder, scratch.Path(), TSnapshot::TSync::None)) {
        Report({failure.File, {}, "cannot be read: " + failure.Error});
        uncopied.insert(failure.File);
    }
    return Check(scratch.Path(), uncopied);
}

int64_t TDatabaseCheck::Check(const std::string& folder, const std::set<std::string>& skipped)
{
    const TProblemSink sink = [this](const TProblem& problem) { Report(problem); };
    std::optional<TFileCheck> files[kDatabaseFiles.size()];
    for (std::size_t i = 0; i < kDatabaseFiles.size(); ++i)
        if (!skipped.count(kDatabaseFiles[i].Name))
            files[i].emplace(folder, kDatabaseFiles[i].Name, kDatabaseFiles[i].KeyFormat, sink);
    const auto usable = [&files](std::size_t i) { return files[i] && files[i]->Usable() ? &*files[i] : nullptr; };
    TFileCheck* users = usable(0);
    TFileCheck* categories = usable(1);
    TFileCheck* events = usable(2);
    TFileCheck* alarms = usable(3);
    Rules_.Users = CollectIds(users);
    Rules_.Categories = CollectIds(categories);
    if (events)
        CheckEvents(*events, alarms);
    if (alarms)
        CheckAlarms(*alarms);
    return Count_;
}

std::optional<std::unordered_set<std::string>> TDatabaseCheck::CollectIds(TFileCheck* file)
{
    std::unordered_set<std::string> ids;
    if (!file || !file->ScanRecords([&ids](std::string_view pk, const char*) { ids.emplace(pk); }))
        return std::nullopt;
    return ids;
}

void TDatabaseCheck::CheckEvents(TFileCheck& events, TFileCheck* alarms)
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

void TDatabaseCheck::CheckAlarms(TFileCheck& alarms)
{
    alarms.ScanRecords([&](std::string_view pk, const char* data) {
        Rules_.CheckAlarm(RecordAt<TAlarmRec>(data), [&](const std::string& text) { alarms.Report(pk, text); });
    });
}
