#include "cli/Snapshot.h"

#include "cli/DatabaseFiles.h"
#include "cli/ReadTransaction.h"
#include "storage/Connection.h"

#include <sqlite3.h>

#include <array>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace {

struct TSource
{
    std::string Name;
    TConnection Connection;
    std::optional<TReadTransaction> Transaction;
};

std::string Failure(sqlite3* db, int rc)
{
    return db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
}

// One file through the engine's backup, into a new file at path.
std::string CopyInto(TConnection& source, const std::string& path)
{
    TConnection destination;
    int rc = destination.Open(path, true);
    if (rc != SQLITE_OK)
        return Failure(destination.Handle(), rc);
    sqlite3_backup* backup = sqlite3_backup_init(destination.Handle(), "main", source.Handle(), "main");
    if (!backup)
        return sqlite3_errmsg(destination.Handle());
    // All pages in one step: the source's read transaction stays ours throughout.
    rc = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        return sqlite3_errstr(rc);
    return finish == SQLITE_OK ? std::string() : Failure(destination.Handle(), finish);
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

std::vector<TSnapshot::TFailure> TSnapshot::Take(const std::string& source, const std::string& destination)
{
    std::vector<TFailure> failures;
    std::array<std::unique_ptr<TSource>, kDatabaseFiles.size()> sources;
    for (std::size_t i = 0; i < kDatabaseFiles.size(); ++i) {
        const std::string name = kDatabaseFiles[i].Name;
        const std::string path = FolderFile(source, name);
        if (Exists(FolderFile(destination, name))) {
            failures.push_back({name, "is already in " + destination});
            continue;
        }
        if (!Exists(path))
            continue;
        auto file = std::make_unique<TSource>();
        file->Name = name;
        int rc = file->Connection.OpenReadOnly(path);
        if (rc == SQLITE_OK) {
            file->Transaction.emplace(file->Connection);
            rc = file->Transaction->BeginResult();
        }
        if (rc != SQLITE_OK)
            failures.push_back({name, Failure(file->Connection.Handle(), rc)});
        else
            sources[i] = std::move(file);
    }
    for (const auto& file : sources) {
        if (!file)
            continue;
        const std::string error = CopyInto(file->Connection, FolderFile(destination, file->Name));
        if (!error.empty())
            failures.push_back({file->Name, error});
    }
    return failures;
}
