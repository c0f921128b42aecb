#include "cli/ServerCheck.h"

#include "cli/DatabaseFiles.h"
#include "cli/FileCheck.h"
#include "storage/KeyFormat.h"
#include "storage/KeyWalk.h"
#include "storage/KfsModes.h"
#include "storage/KfsStatus.h"
#include "storage/Records.h"
#include "storage/StoreLocation.h"
#include "storage/XIsamFile.h"

#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace {

bool Unused(const std::string& id)
{
    return id.empty() || id == kNoneId;
}

}  // namespace

void TServerCheck::Report(const std::string& file, const std::string& record, const std::string& text)
{
    ++Count_;
    Sink_({file, record, text});
}

bool TServerCheck::KnownUser(const std::string& id) const
{
    return !UsersKnown_ || Users_.count(id) != 0;
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
        std::unordered_set<std::string>* ids = known.Name == std::string(TOrbekoDB::UserFileName) ? &Users_
                                               : known.Name == std::string(TOrbekoDB::CategoryFileName) ? &Categories_
                                                                                                        : nullptr;
        const int64_t before = Count_;
        CheckFile(*file, known, ids);
        if (ids == &Users_)
            UsersKnown_ = Count_ == before;
        if (ids == &Categories_)
            CategoriesKnown_ = Count_ == before;
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
        const std::string user = FieldText(alarm.UserId);
        const std::string stamp = FieldText(alarm.AlarmStamp);
        if (!KnownUser(user))
            Report(TOrbekoDB::AlarmFileName, walk.Id(), "its user " + user + " is not in " + TOrbekoDB::UserFileName);
        if (!IsIdentifier(stamp))
            Report(TOrbekoDB::AlarmFileName, walk.Id(), "its due time \"" + stamp + "\" is not a stamp");
        if (FieldText(alarm.UserAlarmKey) != user + stamp)
            Report(TOrbekoDB::AlarmFileName, walk.Id(),
                   "its user-and-time key \"" + FieldText(alarm.UserAlarmKey) +
                       "\" is not its user followed by its due time");
        alarmsOf[FieldText(alarm.EntryId)].emplace_back(walk.Id(), user);
    }
    TDayEntryRec entry;
    for (TKeyWalk walk = TKeyWalk::All(events, TOrbekoDB::DayEntryIdKey); walk.Next(entry);) {
        const std::string& pk = walk.Id();
        const std::string stamp = FieldText(entry.EntryStamp);
        if (!IsIdentifier(stamp))
            Report(TOrbekoDB::DayEntryFileName, pk, "its time \"" + stamp + "\" is not a stamp");
        const std::string owner = FieldText(entry.OwnerId);
        if (!KnownUser(owner))
            Report(TOrbekoDB::DayEntryFileName, pk, "its owner " + owner + " is not in " + TOrbekoDB::UserFileName);
        const std::string category = FieldText(entry.CategoryId);
        if (CategoriesKnown_ && !Unused(category) && !Categories_.count(category))
            Report(TOrbekoDB::DayEntryFileName, pk,
                   "its category " + category + " is not in " + TOrbekoDB::CategoryFileName);
        std::set<std::string> assignees;
        for (const auto& slot : entry.AssigneeIds) {
            const std::string assignee = FieldText(slot);
            if (Unused(assignee))
                continue;
            assignees.insert(assignee);
            if (!KnownUser(assignee))
                Report(TOrbekoDB::DayEntryFileName, pk,
                       "its assignee " + assignee + " is not in " + TOrbekoDB::UserFileName);
        }
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
