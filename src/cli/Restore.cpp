#include "cli/Restore.h"

#include "cli/DatabaseCheck.h"
#include "cli/DatabaseFiles.h"
#include "cli/Snapshot.h"
#include "storage/KfsStatus.h"
#include "storage/LockFile.h"
#include "storage/XIsamFile.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Makes what was written to path, or the entries of a folder, durable.
void Sync(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Fail("cannot open " + path);
    const int rc = fsync(fd);
    close(fd);
    if (rc != 0)
        Fail("cannot sync " + path);
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// The folder's four files marked for removal: no workstation has one open,
// and none can open one while this lives.
class TFolderClaim
{
public:
    explicit TFolderClaim(const std::string& folder)
    {
        for (std::size_t i = 0; i < kDatabaseFiles.size(); ++i) {
            const std::string path = FolderFile(folder, kDatabaseFiles[i].Name);
            struct stat info {};
            const unsigned permissions = stat(path.c_str(), &info) == 0 ? info.st_mode : 0666;
            Locks_[i] = std::make_unique<TLockFile>();
            int16_t status = Locks_[i]->Open(TLockFile::PathFor(path), permissions);
            if (status == ksOk)
                status = Locks_[i]->MarkRemoving();
            if (status == ksNameInUse)
                throw ERestoreRefused(std::string("a workstation has ") + kDatabaseFiles[i].Name
                                      + " open; every workstation must close Orbeko first");
            if (status != ksOk)
                throw std::runtime_error(path + ": " + TXIsamFile::StatusText(status));
        }
    }

private:
    std::array<std::unique_ptr<TLockFile>, kDatabaseFiles.size()> Locks_;
};

std::string Staging(const std::string& folder)
{
    return FolderFile(folder, TRestore::StagingName);
}

// Moves every staged file into place and removes the staging folder.
void MoveIntoPlace(const std::string& folder)
{
    const std::string staging = Staging(folder);
    for (const TDatabaseFile& file : kDatabaseFiles) {
        const std::string staged = FolderFile(staging, file.Name);
        if (!Exists(staged))
            continue;
        const std::string path = FolderFile(folder, file.Name);
        if (unlink((path + "-journal").c_str()) != 0 && errno != ENOENT)
            Fail("cannot remove " + path + "-journal");
        if (rename(staged.c_str(), path.c_str()) != 0)
            Fail("cannot move " + staged + " to " + path);
    }
    Sync(folder);
    std::error_code error;
    std::filesystem::remove_all(staging, error);
    if (error)
        throw std::runtime_error("cannot remove " + staging + ": " + error.message());
    Sync(folder);
}

}  // namespace

bool TRestore::Unfinished(const std::string& folder)
{
    return Exists(FolderFile(Staging(folder), MarkerName));
}

bool TRestore::Finish(const std::string& folder)
{
    const TFolderClaim claim(folder);
    if (!Unfinished(folder))
        return false;
    MoveIntoPlace(folder);
    return true;
}

void TRestore::Run(const std::string& backup, const std::string& folder)
{
    int64_t problems = TDatabaseCheck([](const TProblem&) {}).CheckQuiet(backup);
    if (problems != 0)
        throw ERestoreRefused("the backup in " + backup + " has " + std::to_string(problems)
                              + " problems (see orbeko-admin check); the folder is unchanged");
    const TFolderClaim claim(folder);
    // An interrupted restore is finished first: until then the folder may
    // hold part of each set, and only the marker says so.
    if (Unfinished(folder))
        MoveIntoPlace(folder);
    const std::string staging = Staging(folder);
    std::error_code error;
    std::filesystem::remove_all(staging, error);
    if (error)
        throw std::runtime_error("cannot remove " + staging + ": " + error.message());
    if (mkdir(staging.c_str(), 0777) != 0)
        Fail("cannot make " + staging);
    for (const TSnapshot::TFailure& failure : TSnapshot::Take(backup, staging))
        throw std::runtime_error(failure.File + " cannot be copied: " + failure.Error);
    for (const TDatabaseFile& file : kDatabaseFiles)
        Sync(FolderFile(staging, file.Name));
    const std::string marker = FolderFile(staging, MarkerName);
    const int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        Fail("cannot write " + marker);
    close(fd);
    Sync(marker);
    Sync(staging);
    MoveIntoPlace(folder);
}
