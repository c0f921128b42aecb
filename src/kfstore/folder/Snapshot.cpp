#include "kfstore/folder/Snapshot.h"

#include "kfstore/KeptFile.h"
#include "kfstore/folder/EngineHeader.h"
#include "kfstore/folder/ReadTransaction.h"
#include "kfstore/folder/Connection.h"
#include "kfstore/FileDescriptor.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct TSource
{
    // Opened before the connection locks the file and closed after it lets
    // go: closing a descriptor of the file drops the process's locks on it.
    std::unique_ptr<TFileDescriptor> Bytes;
    std::string Name;
    TConnection Connection;
    std::optional<TReadTransaction> Transaction;
};

// Why the file could not be read: what its header shows, else the engine's
// word. The failed statement's message may be gone by then (the rollback
// after it clears it); the result code's text never is.
std::string Failure(int fd, sqlite3* db, int rc)
{
    if (std::string header = TEngineHeader::Problem(fd); !header.empty())
        return header;
    return db && sqlite3_errcode(db) == rc ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
}

std::string SystemFailure(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// The file's bytes as they stand, into a new file at path. No writer can
// change them meanwhile: the source's read transaction keeps every commit
// out, and a writer touches the file only when committing. A raw copy in
// the kernel is several times faster than the engine's page-by-page
// backup, and writers wait for it that much less.
std::string CopyInto(int source, const std::string& path, TSnapshot::TSync sync)
{
    struct stat info {};
    if (fstat(source, &info) != 0)
        return SystemFailure("cannot read the file");
    const TFileDescriptor target(path, O_WRONLY | O_CREAT | O_EXCL, info.st_mode & 07777);
    if (target.Get() < 0)
        return SystemFailure("cannot make " + path);
    off_t offset = 0;
    while (offset < info.st_size) {
        const auto left = static_cast<std::size_t>(info.st_size - offset);
        ssize_t copied = copy_file_range(source, &offset, target.Get(), nullptr, left, 0);
        if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            // Between file systems that cannot copy in the kernel.
            char buffer[1 << 16];
            copied = pread(source, buffer, std::min(left, sizeof buffer), offset);
            if (copied > 0 && write(target.Get(), buffer, static_cast<std::size_t>(copied)) != copied)
                return SystemFailure("cannot write " + path);
            offset += copied > 0 ? copied : 0;
        }
        if (copied < 0)
            return SystemFailure("cannot copy into " + path);
        if (copied == 0)
            return "the file ended early";
    }
    if (sync == TSnapshot::TSync::Files && fsync(target.Get()) != 0)
        return SystemFailure("cannot sync " + path);
    return {};
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

std::vector<TSnapshot::TFailure> TSnapshot::Take(TKeptFiles files, const std::string& source,
                                                  const std::string& destination, TSync sync)
{
    std::vector<TFailure> failures;
    std::vector<std::unique_ptr<TSource>> sources(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = files[i].Name;
        const std::string path = FolderFile(source, name);
        if (Exists(FolderFile(destination, name))) {
            failures.push_back({name, "is already in " + destination});
            continue;
        }
        if (!Exists(path))
            continue;
        auto file = std::make_unique<TSource>();
        file->Name = name;
        file->Bytes = std::make_unique<TFileDescriptor>(path, O_RDONLY);
        if (file->Bytes->Get() < 0) {
            failures.push_back({name, SystemFailure("cannot open the file")});
            continue;
        }
        int rc = file->Connection.OpenReadOnly(path);
        if (rc == SQLITE_OK) {
            file->Transaction.emplace(file->Connection);
            rc = file->Transaction->BeginResult();
        }
        if (rc != SQLITE_OK)
            failures.push_back({name, Failure(file->Bytes->Get(), file->Connection.Handle(), rc)});
        else
            sources[i] = std::move(file);
    }
    for (const auto& file : sources) {
        if (!file)
            continue;
        const std::string error = CopyInto(file->Bytes->Get(), FolderFile(destination, file->Name), sync);
        if (!error.empty())
            failures.push_back({file->Name, error});
    }
    if (sync == TSync::Files) {
        const TFileDescriptor folder(destination, O_RDONLY | O_DIRECTORY);
        if (folder.Get() < 0 || fsync(folder.Get()) != 0)
            failures.push_back({destination, SystemFailure("cannot sync the folder")});
    }
    return failures;
}
