#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include <sys/types.h>

// The companion lock file of a keyed file ("<file>-locks"), opened once per
// handle. Record locks are byte locks on its open file description
// (F_OFD_SETLK): they exclude every other handle, in this process or any
// other, on this machine or across a network folder; they never wait; and
// the system drops them when the handle closes or its process dies. They
// sit on a file of their own because classic process-wide locks on the
// database file would be dropped whenever any descriptor of it is closed.
//
// A record's lock is the byte at its key's PrimaryKey::LockSlot.
//
// A lock file deleted under open handles is never made afresh while any
// of them lives: a new handle would lock alone, where the others hold
// locks it cannot see. Handles whose lock file is no longer the one at its
// path still lock among themselves, but their writes are refused (through
// CheckPlace, once per write turn and per record checked), so no record
// changes under a lock another handle cannot see.
//
// Writers take turns through two bytes past the record locks, with waiting
// locks the system queues in the order they were asked for (see
// TWriterTurn).
class TLockFile
{
public:
    static constexpr int64_t kWriterQueue = int64_t{1} << 62;
    static constexpr int64_t kWriterTurn = kWriterQueue + 1;

    static std::string PathFor(const std::string& keyedFile) { return keyedFile + "-locks"; }

    TLockFile() = default;
    ~TLockFile();
    TLockFile(const TLockFile&) = delete;
    TLockFile& operator=(const TLockFile&) = delete;

    // Opens the lock file, creating it when missing with the permissions
    // of the keyed file (not narrowed by this process's umask), so every
    // user who may write the keyed file may lock its records; 24 when it
    // is missing while othersOpen. Store status.
    int16_t Open(const std::string& path, unsigned permissions, bool othersOpen);

    // 0, or 19 when another handle holds the record.
    int16_t LockRecord(std::string_view key);
    int16_t UnlockRecord(std::string_view key);
    // The same for the record whose lock is at slot (PrimaryKey::LockSlot).
    int16_t LockSlot(int64_t slot);
    int16_t UnlockSlot(int64_t slot);
    // 0 when no other handle holds the record, 19 when one does; 4 when
    // the lock file is no longer the one at its path.
    int16_t CheckRecord(std::string_view key) const;
    // 0, or 4 when the lock file is no longer the one at its path.
    int16_t CheckPlace() const;

    // Waits in the system's queue for an exclusive lock on a byte: 0, or 3
    // when the deadline passed first.
    int16_t WaitLock(int64_t offset, std::chrono::steady_clock::time_point deadline);
    void Unlock(int64_t offset);

private:
    int16_t SetLock(int16_t type, int64_t offset);

    int Fd_ = -1;
    std::string Path_;
    dev_t Device_ = 0;  // of the open lock file
    ino_t Inode_ = 0;
};
