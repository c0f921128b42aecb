#include "storage/FolderStats.h"

#include "kfstore/StoreLocation.h"
#include "kfstore/StoreUpkeep.h"
#include "storage/DatabaseFiles.h"
#include "storage/Records.h"
#include "storage/Stamp.h"

#include <algorithm>
#include <iomanip>
#include <memory>

namespace {

std::string StampDisplay(const std::string& stamp)
{
    try {
        TStamp value;
        value.SetSeconds(IdValue(stamp));
        value.DisplayFormat = QStringLiteral("yyyy-mm-dd hh:nn");
        return stamp + " (" + value.DisplayText().toStdString() + ")";
    } catch (const EStamp&) {
        return stamp;
    }
}

}  // namespace

TFolderStats::TFolderStats(const std::string& location) : OnServer(StoreLocation::IsServer(location))
{
    const std::unique_ptr<TStoreUpkeep> upkeep = DatabaseUpkeep(location);
    // An optional file that is not there is shown as nothing, not as missing.
    for (const TDatabaseFile& file : kDatabaseFiles)
        if (const TFileFigures figures = upkeep->Figures(file); figures.Present || !file.Optional)
            Files[file.Name] = figures;
    if (Files[TOrbekoDB::UserFileName].Present)
        ReadUsers(*upkeep->Rows(kDatabaseFiles[kUsersFile], TOrbekoDB::UserIdKey));
    if (Files[TOrbekoDB::DayEntryFileName].Present)
        ReadEvents(*upkeep->Rows(kDatabaseFiles[kEventsFile], TOrbekoDB::DayEntryIdKey));
}

void TFolderStats::ReadUsers(TKeyedRows& users)
{
    while (users.Next()) {
        const char* data = users.Data();
        if (!data)
            continue;
        const TUserRec user = RecordAt<TUserRec>(data);
        TUserFigures& figures = Users[std::string(users.Pk())];
        figures.UserName = FieldText(user.UserName);
        figures.FullName = FieldText(user.FullName);
    }
}

void TFolderStats::ReadEvents(TKeyedRows& events)
{
    while (events.Next()) {
        const char* data = events.Data();
        if (!data)
            continue;
        const TDayEntryRec entry = RecordAt<TDayEntryRec>(data);
        const std::string stamp = FieldText(entry.EntryStamp);
        if (FirstEvent.empty() || stamp < FirstEvent)
            FirstEvent = stamp;
        LastEvent = std::max(LastEvent, stamp);
        ++Users[FieldText(entry.OwnerId)].Events;
    }
}

void TFolderStats::Print(std::ostream& out) const
{
    out << "Files:\n";
    for (const auto& [name, figures] : Files) {
        out << "  " << std::left << std::setw(14) << name;
        if (figures.Present && OnServer)
            out << std::right << std::setw(10) << figures.Records << " records\n";
        else if (figures.Present)
            out << std::right << std::setw(10) << figures.Records << " records " << std::setw(14) << figures.Bytes
                << " bytes\n";
        else
            out << "missing\n";
    }
    out << "Events: ";
    if (FirstEvent.empty())
        out << "none\n";
    else
        out << "from " << StampDisplay(FirstEvent) << " to " << StampDisplay(LastEvent) << "\n";
    out << "Users:\n";
    for (const auto& [id, user] : Users)
        out << "  " << id << "  " << std::left << std::setw(11) << (user.UserName.empty() ? "(unknown)" : user.UserName)
            << std::setw(31) << user.FullName << std::right << std::setw(10) << user.Events << " events\n";
}
