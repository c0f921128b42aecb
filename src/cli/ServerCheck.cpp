#include "cli/ServerCheck.h"

#include "cli/DatabaseFiles.h"
#include "cli/FileCheck.h"
#include "kfstore/KeyFormat.h"
#include "storage/KeyWalk.h"
#include "kfstore/KfsModes.h"
#include "kfstore/KfsStatus.h"
#include "storage/Records.h"
#include "kfstore/StoreLocation.h"
#include "kfstore/XIsamFile.h"

#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

void TServerCheck::Report(const std::string& file, const std::string& record, const std::string& text)
{
    ++Count_;
    Sink_({file, record, text});
}

int64_t TServerCheck::Check(const std::string& location)
{
    const std::string where = StoreLocation::Normalized(location);
    std::map<std::string, std::unique_ptr<TXIsamFile>> files;
    for (const TDatabaseFile& known : kDatabaseFiles) {
        auto file = std::make_unique<TXIsamFile>();
        if (!file->Open(StoreLocation::FileName(where, known.Name), koShared)) {
            Report(known.Name, {}, file->Status() == ksNotFound ? "is missing" : "cannot be read: " + file->StatusText());
            continue;
        }
        std::optional<std::unordered_set<std::string>>* knownIds =
            known.Name == std::string(TOrbekoDB::UserFileName)       ? &Rules_.Users
            : known.Name == std::string(TOrbekoDB::CategoryFileName) ? &Rules_.Categories
                                                                     : nullptr;
        std::unordered_set<std::string> ids;
        const int64_t before = Count_;
        CheckFile(*file, known, knownIds ? &ids : nullptr);
        if (knownIds && Count_ == before)
            *knownIds = std::move(ids);
        files[known.Name] = std::move(file);
    }
    const auto events = files.find(TOrbekoDB::DayEntryFileName);
    const auto alarms = files.find(TOrbekoDB::AlarmFileName);
    if (events != files.end() && alarms != files.end())
        CheckReferences(*events->second, *alarms->second);
    return Count_;
}

void TServerCheck::CheckFile(TXIsamFile& file, const TDatabaseFile& known, std::unordered_set<std::string>* ids)
{
    const std::optional<TKeyFormat> format = TKeyFormat::Parse(known.KeyFormat);
    std::vector<char> record(static_cast<std::size_t>(format->RecordSize()));
    std::vector<int> keys{0};
    keys.insert(keys.end(), format->IndexedKeys().begin(), format->IndexedKeys().end());
    const int32_t count = file.RecordCount();
    for (int key : keys) {
        TKeyWalk walk = TKeyWalk::All(file, static_cast<int16_t>(key));
        int64_t read = 0;
        try {
            while (walk.Next(record.data(), record.size())) {
                ++read;
                if (key != 0)
                    continue;
                if (!IsIdentifier(walk.Id()))
                    Report(known.Name, walk.Id(), "its identifier is not ten digits");
                if (ids)
                    ids->insert(walk.Id());
            }
        } catch (const std::exception& error) {
            Report(known.Name, {}, "reading by key " + std::to_string(key) + " stopped: " + error.what());
            continue;
        }
        if (read != count)
            Report(known.Name, {},
                   "key " + std::to_string(key) + " reads " + std::to_string(read) + " records of " +
                       std::to_string(count));
    }
}

void TServerCheck::CheckReferences(TXIsamFile& events, TXIsamFile& alarms)
{
    // The alarms by their event, each with its user; those whose event is
    // never read are left at the end.
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> alarmsOf;
    TAlarmRec alarm;
    for (TKeyWalk walk = TKeyWalk::All(alarms, TOrbekoDB::AlarmIdKey); walk.Next(alarm);) {
        const std::string& id = walk.Id();
        Rules_.CheckAlarm(alarm, [&](const std::string& text) { Report(TOrbekoDB::AlarmFileName, id, text); });
        alarmsOf[FieldText(alarm.EntryId)].emplace_back(id, FieldText(alarm.UserId));
    }
    TDayEntryRec entry;
    for (TKeyWalk walk = TKeyWalk::All(events, TOrbekoDB::DayEntryIdKey); walk.Next(entry);) {
        const std::string& pk = walk.Id();
        const std::set<std::string> assignees = Rules_.CheckEvent(
            entry, [&](const std::string& text) { Report(TOrbekoDB::DayEntryFileName, pk, text); });
        const auto its = alarmsOf.find(pk);
        if (its == alarmsOf.end())
            continue;
        for (const auto& [alarmId, user] : its->second)
            if (!assignees.count(user))
                Report(TOrbekoDB::AlarmFileName, alarmId,
                       "its user " + user + " is not among the assignees of event " + pk);
        alarmsOf.erase(its);
    }
    for (const auto& [entryId, dangling] : alarmsOf)
        for (const auto& [alarmId, user] : dangling)
            Report(TOrbekoDB::AlarmFileName, alarmId,
                   "its event " + entryId + " is not in " + TOrbekoDB::DayEntryFileName);
}
