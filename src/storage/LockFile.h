#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The companion lock file of a keyed file ("<file>-locks"), opened once per
// handle. Record locks are byte locks on its open file description
// (F_OFD_SETLK): they exclude every other handle, in this process or any
// other, on this machine or across a network folder; they never wait; and
// the system drops them when the handle closes or its process dies. They
// sit on a file of their own because classic process-wide locks on the
// database file would be dropped whenever any descriptor of it is closed.
//
// Byte offsets: a key of 1 to 18 digits locks the byte at its numeric value
// (the primary keys of this system are 10-digit numbers); any other key
// locks a byte at kTextKeys plus a 60-bit hash of its upper-cased text, so
// keys that match regardless of case share a lock; two distinct text keys
// that happen to hash alike refuse each other's lock, never share one.
// The byte at kOpenMarker carries a shared lock from every open handle, so
// a file can be removed only when no handle anywhere has it open.
class TLockFile
{
public:
    static constexpr int64_t kTextKeys = int64_t{1} << 61;
    static constexpr int64_t kOpenMarker = int64_t{1} << 62;

    static std::string PathFor(const std::string& keyedFile) { return keyedFile + "-locks"; }
    static int64_t RecordOffset(std::string_view key);

    TLockFile() = default;
    ~TLockFile();
    TLockFile(const TLockFile&) = delete;
    TLockFile& operator=(const TLockFile&) = delete;

    // Opens the lock file, creating it when missing with the permissions
    // of the keyed file (not narrowed by this process's umask), so every
    // user who may write the keyed file may lock its records. Store status.
    int16_t Open(const std::string& path, unsigned permissions);

    // 0, or 19 when another handle holds the record.
    int16_t LockRecord(std::string_view key);
    int16_t UnlockRecord(std::string_view key);
    // 0 when no other handle holds the record, 19 when one does.
    int16_t CheckRecord(std::string_view key) const;

    // Shared lock of an open handle: 0, or 9 while the file is being removed.
    int16_t MarkOpen();
    // Exclusive lock for removing the file: 0, or 9 while a handle has it open.
    int16_t MarkRemoving();

private:
    int16_t SetLock(int16_t type, int64_t offset);

    int Fd_ = -1;
};
