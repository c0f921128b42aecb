#pragma once

#include <string>

class TXIsamFile;

// The record lock of one record, held for the guard's lifetime and released
// on every way out of its scope, exceptions included. A lock that another
// handle holds is not waited for: the guard is then simply not Held(),
// and the file's Status tells why. Releasing leaves the unlock's status in
// the file, so read a failure's status before the guard goes.
class TRecordLock
{
public:
    TRecordLock(TXIsamFile& file, std::string key);
    ~TRecordLock();
    TRecordLock(TRecordLock&& other) noexcept;
    TRecordLock(const TRecordLock&) = delete;
    TRecordLock& operator=(const TRecordLock&) = delete;
    TRecordLock& operator=(TRecordLock&&) = delete;

    bool Held() const { return File_ != nullptr; }
    const std::string& Key() const { return Key_; }

private:
    TXIsamFile* File_;  // none when the lock is not held
    std::string Key_;
};
