#include "kfstore/folder/Connection.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/folder/SqliteStatus.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

TConnection::~TConnection()
{
    sqlite3_close_v2(Db_);
}

int TConnection::Open(const std::string& path, bool create)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    Folder_ = folder.empty() ? "." : folder;
    // The store serialises its own calls, so the engine's mutexes are not
    // needed. Extended result codes tell, say, a file moved away from a
    // read-only one.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE
                      | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &Db_, flags, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_busy_handler(Db_, &TConnection::BusyWait, this);
    rc = Exec("PRAGMA journal_mode=DELETE");
    if (rc == SQLITE_OK)
        rc = Exec("PRAGMA synchronous=EXTRA");
    return rc;
}

int TConnection::OpenReadOnly(const std::string& path)
{
    const int rc = sqlite3_open_v2(path.c_str(), &Db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK)
        sqlite3_busy_handler(Db_, &TConnection::BusyWait, this);
    return rc;
}

bool TConnection::ReadOnly() const
{
    return sqlite3_db_readonly(Db_, "main") == 1;
}

int TConnection::Exec(const char* sql)
{
    return sqlite3_exec(Db_, sql, nullptr, nullptr, nullptr);
}

int64_t TConnection::Changes() const
{
    return sqlite3_changes64(Db_);
}

int16_t TConnection::Status(int resultCode) const
{
    if ((resultCode & 0xff) == SQLITE_CANTOPEN) {
        // A journal the engine could not create it tries again without
        // creating it, so its error often says only that the file is not
        // there; the folder tells whether it is gone, read-only or full.
        struct statvfs folder {};
        if (statvfs(Folder_.c_str(), &folder) != 0)
            return StatusFromErrno(errno);
        // A folder made read-only while the file was open: not "not found".
        if ((folder.f_flag & ST_RDONLY) != 0)
            return ksUpdateMode;
        if (access(Folder_.c_str(), W_OK | X_OK) != 0)
            return StatusFromErrno(errno);
        if ((folder.f_files > 0 && folder.f_favail == 0) || folder.f_bavail == 0)
            return ksDiskFull;
    }
    return StatusFromSqlite(resultCode, Db_ ? sqlite3_system_errno(Db_) : 0);
}

// Short, growing naps: another workstation's commit takes milliseconds, and
// a waiter that sleeps long keeps losing the lock to writers that don't.
int TConnection::BusyWait(void* self, int count)
{
    auto* connection = static_cast<TConnection*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0)
        connection->BusySince_ = now;
    else if (now - connection->BusySince_ >= kBusyTimeout)
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(count + 1, 10)));
    return 1;
}
