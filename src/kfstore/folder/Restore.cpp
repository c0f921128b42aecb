#include "kfstore/folder/Restore.h"

#include "kfstore/KeptFile.h"
#include "kfstore/folder/Snapshot.h"
#include "kfstore/FileDescriptor.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/folder/LockFile.h"
#include "kfstore/folder/OpenMark.h"
#include "kfstore/XIsamFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <vector>
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
    const TFileDescriptor file(path, O_RDONLY);
    if (file.Get() < 0)
        Fail("cannot open " + path);
    if (fsync(file.Get()) != 0)
        Fail("cannot sync " + path);
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// Files marked for removal (the exclusive side of the open mark every
// handle holds shared): no workstation has one open, and none can open one
// while this lives. The mark stays with a file that is renamed.
class TFolderClaim
{
public:
    // Each of the files in folder that exists.
    void Exclude(TKeptFiles files, const std::string& folder)
    {
        for (const TKeptFile& file : files) {
            const std::string path = FolderFile(folder, file.Name);
            if (!Exists(path))
                continue;
            auto mark = std::make_unique<TOpenMark>();
            const int16_t status = mark->Exclude(path);
            if (status == ksNameInUse)
                throw ERestoreRefused(std::string("a workstation has ") + file.Name
                                      + " open; every workstation must close Orbeko first");
            if (status != ksOk)
                throw std::runtime_error(path + ": " + TXIsamFile::StatusText(status));
            mark->EndOpening();
            Marks_.push_back(std::move(mark));
        }
    }

private:
    std::vector<std::unique_ptr<TOpenMark>> Marks_;
};

std::string Staging(const std::string& folder)
{
    return FolderFile(folder, TRestore::StagingName);
}

void Unlink(const std::string& path)
{
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        Fail("cannot remove " + path);
}

// Moves every staged file into place, removes the files the backup has
// none of, and removes the staging folder. Done again after a crash, each
// step finds its work done or does it.
void MoveIntoPlace(TKeptFiles files, const std::string& folder)
{
    const std::string staging = Staging(folder);
    for (const TKeptFile& file : files) {
        const std::string staged = FolderFile(staging, file.Name);
        const std::string path = FolderFile(folder, file.Name);
        if (Exists(staged)) {
            Unlink(path + "-journal");
            if (rename(staged.c_str(), path.c_str()) != 0)
                Fail("cannot move " + staged + " to " + path);
        } else if (Exists(staged + TRestore::AbsentSuffix)) {
            // As a removal by the store leaves it: no journal, no lock file.
            Unlink(path + "-journal");
            Unlink(path);
            Unlink(TLockFile::PathFor(path));
        }
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

bool TRestore::Finish(TKeptFiles files, const std::string& folder)
{
    TFolderClaim claim;
    claim.Exclude(files, folder);
    if (!Unfinished(folder))
        return false;
    claim.Exclude(files, Staging(folder));
    MoveIntoPlace(files, folder);
    return true;
}

void TRestore::Run(TKeptFiles files, const std::string& backup, const std::string& folder)
{
    TFolderClaim claim;
    claim.Exclude(files, folder);
    // An interrupted restore is finished first: until then the folder may
    // hold part of each set, and only the marker says so.
    if (Unfinished(folder)) {
        claim.Exclude(files, Staging(folder));
        MoveIntoPlace(files, folder);
    }
    const std::string staging = Staging(folder);
    std::error_code error;
    std::filesystem::remove_all(staging, error);
    if (error)
        throw std::runtime_error("cannot remove " + staging + ": " + error.message());
    if (mkdir(staging.c_str(), 0777) != 0)
        Fail("cannot make " + staging);
    for (const TSnapshot::TFailure& failure : TSnapshot::Take(files, backup, staging, TSnapshot::TSync::Files))
        throw std::runtime_error(failure.File + " cannot be copied: " + failure.Error);
    // An optional file the backup lacks must not stay beside the restored
    // set: it would speak of records that are not the backup's. Its going
    // is staged like the others' coming, and durable before the marker.
    bool absent = false;
    for (const TKeptFile& file : files) {
        const std::string staged = FolderFile(staging, file.Name);
        if (!file.Optional || Exists(staged))
            continue;
        if (TFileDescriptor(staged + AbsentSuffix, O_WRONLY | O_CREAT | O_TRUNC, 0666).Get() < 0)
            Fail("cannot write " + staged + AbsentSuffix);
        absent = true;
    }
    if (absent)
        Sync(staging);
    // Kept from workstations once renamed into place, until all are.
    claim.Exclude(files, staging);
    const std::string marker = FolderFile(staging, MarkerName);
    if (TFileDescriptor(marker, O_WRONLY | O_CREAT | O_TRUNC, 0666).Get() < 0)
        Fail("cannot write " + marker);
    Sync(marker);
    Sync(staging);
    MoveIntoPlace(files, folder);
}
