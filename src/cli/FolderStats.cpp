#include "cli/FolderStats.h"

#include "cli/DatabaseFiles.h"
#include "cli/ReadTransaction.h"
#include "kfstore/folder/Connection.h"
#include "storage/KeyWalk.h"
#include "kfstore/KfsModes.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/StoreLocation.h"
#include "kfstore/XIsamFile.h"
#include "storage/Records.h"
#include "storage/Stamp.h"
#include "kfstore/folder/Statement.h"

#include <sqlite3.h>

#include <cstring>
#include <algorithm>
#include <iomanip>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

namespace {

// Runs each statement of a file inside one read transaction.
class TStatsReader
{
public:
    explicit TStatsReader(const std::string& path) : Path_(path)
    {
        int rc = Connection_.OpenReadOnly(path);
        if (rc == SQLITE_OK) {
            Transaction_.emplace(Connection_);
            rc = Transaction_->BeginResult();
        }
        if (rc != SQLITE_OK)
            Fail(rc);
    }

    // Calls row for every row of sql.
    template <typename TRow> void Each(const std::string& sql, TRow row)
    {
        TStatement statement;
        int rc = statement.Prepare(Connection_.Handle(), sql);
        while (rc == SQLITE_OK || rc == SQLITE_ROW) {
            rc = statement.Step();
            if (rc == SQLITE_ROW)
                row(statement);
        }
        if (rc != SQLITE_DONE)
            Fail(rc);
    }

private:
    [[noreturn]] void Fail(int rc) const
    {
        throw std::runtime_error(Path_ + ": " + sqlite3_errstr(rc));
    }

    std::string Path_;
    TConnection Connection_;
    std::optional<TReadTransaction> Transaction_;
};

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

TFolderStats::TFolderStats(const std::string& folder)
{
    if (StoreLocation::IsServer(folder)) {
        ReadServer(StoreLocation::Normalized(folder));
        return;
    }
    for (const TDatabaseFile& file : kDatabaseFiles) {
        const std::string path = FolderFile(folder, file.Name);
        TFileFigures& figures = Files[file.Name];
        struct stat info {};
        if (stat(path.c_str(), &info) != 0)
            continue;
        figures.Present = true;
        figures.Bytes = info.st_size;
        TStatsReader(path).Each("SELECT count(*) FROM kfs_records",
                                [&figures](TStatement& row) { figures.Records = row.ColumnInt(0); });
    }
    if (Files[TOrbekoDB::UserFileName].Present)
        ReadUsers(FolderFile(folder, TOrbekoDB::UserFileName));
    if (Files[TOrbekoDB::DayEntryFileName].Present)
        ReadEvents(FolderFile(folder, TOrbekoDB::DayEntryFileName));
}

void TFolderStats::ReadUsers(const std::string& path)
{
    TStatsReader(path).Each("SELECT pk, data FROM kfs_records", [this](TStatement& row) {
        if (row.ColumnBytes(1) != static_cast<int>(sizeof(TUserRec)))
            return;
        TUserRec user;
        std::memcpy(&user, row.ColumnBlob(1), sizeof(user));
        TUserFigures& figures = Users[std::string(row.ColumnText(0))];
        figures.UserName = FieldText(user.UserName);
        figures.FullName = FieldText(user.FullName);
    });
}

void TFolderStats::ReadEvents(const std::string& path)
{
    TStatsReader events(path);
    events.Each("SELECT min(key3), max(key3) FROM kfs_records", [this](TStatement& row) {
        FirstEvent = row.ColumnText(0);
        LastEvent = row.ColumnText(1);
    });
    // The owner's field, 10 bytes at its offset (SQLite counts from 1).
    const std::string owner = "substr(data, " + std::to_string(offsetof(TDayEntryRec, OwnerId) + 1) + ", 10)";
    events.Each("SELECT " + owner + ", count(*) FROM kfs_records GROUP BY 1", [this](TStatement& row) {
        Users[std::string(row.ColumnText(0))].Events = row.ColumnInt(1);
    });
}

void TFolderStats::ReadServer(const std::string& location)
{
    OnServer = true;
    std::map<std::string, std::unique_ptr<TXIsamFile>> open;
    for (const TDatabaseFile& file : kDatabaseFiles) {
        auto opened = std::make_unique<TXIsamFile>();
        TFileFigures& figures = Files[file.Name];
        if (!opened->Open(StoreLocation::FileName(location, file.Name), koShared)) {
            if (opened->Status() == ksNotFound)
                continue;
            throw std::runtime_error(std::string(file.Name) + ": " + opened->StatusText());
        }
        figures.Present = true;
        figures.Records = opened->RecordCount();
        open[file.Name] = std::move(opened);
    }
    if (const auto users = open.find(TOrbekoDB::UserFileName); users != open.end()) {
        TUserRec user;
        for (TKeyWalk walk = TKeyWalk::All(*users->second, TOrbekoDB::UserIdKey); walk.Next(user);) {
            TUserFigures& figures = Users[walk.Id()];
            figures.UserName = FieldText(user.UserName);
            figures.FullName = FieldText(user.FullName);
        }
    }
    if (const auto events = open.find(TOrbekoDB::DayEntryFileName); events != open.end()) {
        TDayEntryRec entry;
        for (TKeyWalk walk = TKeyWalk::All(*events->second, TOrbekoDB::DayEntryIdKey); walk.Next(entry);) {
            const std::string stamp = FieldText(entry.EntryStamp);
            if (FirstEvent.empty() || stamp < FirstEvent)
                FirstEvent = stamp;
            LastEvent = std::max(LastEvent, stamp);
            ++Users[FieldText(entry.OwnerId)].Events;
        }
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
