#pragma once

#include "storage/XIsamFile.h"

#include <string>

// A record lock for the guard's lifetime: taken with LockRecord when the
// guard is made, released with UnlockRecord when it goes, also when an
// exception passes. A refused lock is not an error here: the caller tests
// Held() and says why it gives up; the file's Status() tells the reason.
class TRecordLock
{
public:
    TRecordLock(TXIsamFile& file, std::string key);
    ~TRecordLock();
    TRecordLock(const TRecordLock&) = delete;
    TRecordLock& operator=(const TRecordLock&) = delete;

    bool Held() const { return Held_; }

private:
    TXIsamFile& File_;
    const std::string Key_;
    const bool Held_;
};
