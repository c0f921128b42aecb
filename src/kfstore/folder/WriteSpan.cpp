#include "kfstore/folder/WriteSpan.h"

#include "kfstore/folder/Connection.h"
#include "kfstore/KfsStatus.h"

#include <sqlite3.h>

#include <algorithm>

namespace {

// What the engine spends on a cached page beside its bytes (headers, the
// b-tree's own page state), rounded up from what it measurably holds.
constexpr int kPageOverhead = 256;

// The size of one of the engine's open files; 0 for one not open (a
// journal before the span's first change), -1 when it cannot be told.
int64_t SizeOf(sqlite3_file* file)
{
    sqlite3_int64 size = 0;
    if (!file || !file->pMethods)
        return 0;
    return file->pMethods->xFileSize(file, &size) == SQLITE_OK ? size : -1;
}

int64_t Pragma(sqlite3* db, const char* sql)
{
    TStatement statement;
    if (statement.Prepare(db, sql) != SQLITE_OK || statement.Step() != SQLITE_ROW)
        return 0;
    return statement.ColumnInt(0);
}

}  // namespace

int16_t TWriteSpan::Enter()
{
    if (IsOpen())
        return ksOk;
    Turn_.emplace(LockFile_);
    if (Turn_->Status() != ksOk) {
        const int16_t status = Turn_->Status();
        Turn_.reset();
        return status;
    }
    Transaction_.emplace(Connection_);
    const int rc = Transaction_->BeginResult();
    if (rc != SQLITE_OK) {
        Abandon();
        return Connection_.Status(rc);
    }
    Since_ = std::chrono::steady_clock::now();
    return ksOk;
}

int16_t TWriteSpan::Commit()
{
    if (!IsOpen())
        return ksOk;
    const int rc = Transaction_->Commit();
    Abandon();
    return Connection_.Status(rc);
}

void TWriteSpan::Abandon()
{
    Transaction_.reset();
    Turn_.reset();
}

std::chrono::steady_clock::duration TWriteSpan::Held() const
{
    return IsOpen() ? std::chrono::steady_clock::now() - Since_ : std::chrono::steady_clock::duration::zero();
}

bool TWriteSpan::Intact() const
{
    return !IsOpen() || sqlite3_get_autocommit(Connection_.Handle()) == 0;
}

std::optional<int> TWriteSpan::DirtyPages()
{
    sqlite3* db = Connection_.Handle();
    if (!PageCount_.Prepared()) {
        PageSize_ = static_cast<int>(Pragma(db, "PRAGMA page_size"));
        if (PageSize_ <= 0 || PageCount_.Prepare(db, "PRAGMA page_count") != SQLITE_OK)
            return std::nullopt;
    }
    sqlite3_file* journal = nullptr;
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &journal) != SQLITE_OK
        || sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK)
        return std::nullopt;
    // Each page is journaled once, with its number and a checksum, the
    // first time the span changes it; pages added past the file's end are
    // not journaled, and the file grows by them only at the commit.
    const int64_t journaled = SizeOf(journal);
    const int64_t onDisk = SizeOf(file);
    const TStatement::TReset reset(PageCount_);
    if (journaled < 0 || onDisk < 0 || PageCount_.Step() != SQLITE_ROW)
        return std::nullopt;
    const int64_t added = std::max<int64_t>(0, PageCount_.ColumnInt(0) - onDisk / PageSize_);
    return static_cast<int>(journaled / (PageSize_ + 8) + added);
}

int TWriteSpan::PageBound()
{
    if (PageBound_ == 0) {
        // A negative cache size is in KiB, a positive one in pages.
        sqlite3* db = Connection_.Handle();
        const int64_t cacheSize = Pragma(db, "PRAGMA cache_size");
        const int64_t pageSize = std::max<int64_t>(512, Pragma(db, "PRAGMA page_size"));
        const int64_t pages = cacheSize > 0 ? cacheSize : -cacheSize * 1024 / (pageSize + kPageOverhead);
        PageBound_ = static_cast<int>(std::max<int64_t>(1, pages / 2));
    }
    return PageBound_;
}
