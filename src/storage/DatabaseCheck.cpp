#include "storage/DatabaseCheck.h"

#include "kfstore/KeyOrder.h"
#include "kfstore/ScratchFolder.h"
#include "kfstore/StoreLocation.h"
#include "kfstore/StoreUpkeep.h"
#include "storage/DatabaseFiles.h"
#include "storage/DetailFile.h"
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

// The pieces of the details file in the order of their subjects, checked
// as the events go by in identifier order: the categories' pieces come
// before the first event's, the users' after the last.
class TDatabaseCheck::TDetailsBySubject
{
public:
    TDetailsBySubject(TCheckedFile* details, const TReferenceRules& rules)
        : File_(details), Rows_(details ? details->ByKey(TDetailFile::SubjectKey) : nullptr), Rules_(rules)
    {
        Next();
    }

    // Checks the pieces before the event's, then the event's against it.
    void Event(std::string_view id, const TDayEntryRec& event)
    {
        const std::string prefix = TDetailFile::EventSubject + std::string(id);
        for (; Valid_ && CompareKeys(SubjectPrefix(), prefix) < 0; Next())
            Check(nullptr);
        for (; Valid_ && CompareKeys(SubjectPrefix(), prefix) == 0; Next())
            Check(&event);
    }

    // Checks the pieces left; an event's only when every event went by, as
    // its event is then known to be gone.
    void Rest(bool eventsRead)
    {
        for (; Valid_; Next())
            if (eventsRead || TDetailFile::SubjectKind(Piece_) != TDetailFile::EventSubject)
                Check(nullptr);
    }

private:
    void Next()
    {
        // A piece without its record's bytes was reported by the file's check.
        do
            Valid_ = Rows_ && Rows_->Next();
        while (Valid_ && !Rows_->Data());
        if (Valid_)
            Piece_ = RecordAt<TDetailRec>(Rows_->Data());
    }

    // The letter and identifier of the subject, as its key orders them.
    std::string SubjectPrefix() const { return FieldText(Piece_.Subject).substr(0, 1 + kPrimaryKeyLength); }

    void Check(const TDayEntryRec* event) const
    {
        const std::string pk(Rows_->Pk());
        Rules_.CheckDetail(Piece_, event, [this, &pk](const std::string& text) { File_->Report(pk, text); });
    }

    TCheckedFile* File_;
    std::unique_ptr<TKeyedRows> Rows_;
    const TReferenceRules& Rules_;
    bool Valid_ = false;
    TDetailRec Piece_{};
};

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
    TCheckedFile* users = usable(kUsersFile);
    TCheckedFile* categories = usable(kCategoriesFile);
    TCheckedFile* events = usable(kEventsFile);
    TCheckedFile* alarms = usable(kAlarmsFile);
    Rules_.Users = CollectIds(users);
    Rules_.Categories = CollectIds(categories);
    Rules_.Series = CollectSeries(usable(kDetailsFile));
    TDetailsBySubject details(usable(kDetailsFile), Rules_);
    const bool eventsRead = events && CheckEvents(*events, alarms, details);
    details.Rest(eventsRead);
    if (alarms)
        CheckAlarms(*alarms);
    return Count_;
}

std::optional<std::unordered_map<std::string, TReferenceRules::TSeriesHead>>
TDatabaseCheck::CollectSeries(TCheckedFile* details)
{
    std::unordered_map<std::string, TReferenceRules::TSeriesHead> series;
    if (!details)
        return series;  // no details file: no series, and no links to any
    const bool read = details->ScanRecords([&series](std::string_view, const char* data) {
        if (!data)
            return;
        const TDetailRec piece = RecordAt<TDetailRec>(data);
        if (TDetailFile::SubjectKind(piece) == TDetailFile::SeriesSubject && TDetailFile::PieceKind(piece) == TDetailFile::SeriesHeadPiece)
            series[TDetailFile::SubjectId(piece)] = {FieldText(piece.Text), IdValue(FieldText(piece.EntryStamp))};
    });
    if (!read)
        return std::nullopt;
    return series;
}

std::optional<std::unordered_set<std::string>> TDatabaseCheck::CollectIds(TCheckedFile* file)
{
    std::unordered_set<std::string> ids;
    if (!file || !file->ScanRecords([&ids](std::string_view pk, const char*) { ids.emplace(pk); }))
        return std::nullopt;
    return ids;
}

bool TDatabaseCheck::CheckEvents(TCheckedFile& events, TCheckedFile* alarms, TDetailsBySubject& details)
{
    TAlarmsByEvent alarm(alarms);
    const auto danglingAlarm = [this, &alarm] {
        Report({TOrbekoDB::AlarmFileName, alarm.Pk(),
                "its event " + alarm.EntryId() + " is not in " + TOrbekoDB::DayEntryFileName});
    };
    const bool read = events.ScanRecords([&](std::string_view pk, const char* data) {
        const TDayEntryRec entry = RecordAt<TDayEntryRec>(data);
        const std::set<std::string> assignees =
            Rules_.CheckEvent(entry, [&](const std::string& text) { events.Report(pk, text); });
        details.Event(pk, entry);
        for (; alarm.Valid() && CompareKeys(alarm.EntryId(), pk) < 0; alarm.Next())
            danglingAlarm();
        for (; alarm.Valid() && CompareKeys(alarm.EntryId(), pk) == 0; alarm.Next())
            if (!assignees.count(alarm.UserId()))
                Report({TOrbekoDB::AlarmFileName, alarm.Pk(),
                        "its user " + alarm.UserId() + " is not among the assignees of event " + std::string(pk)});
    });
    for (; alarm.Valid(); alarm.Next())
        danglingAlarm();
    return read;
}

void TDatabaseCheck::CheckAlarms(TCheckedFile& alarms)
{
    alarms.ScanRecords([&](std::string_view pk, const char* data) {
        Rules_.CheckAlarm(RecordAt<TAlarmRec>(data), [&](const std::string& text) { alarms.Report(pk, text); });
    });
}
