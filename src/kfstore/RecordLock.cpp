#include "kfstore/RecordLock.h"

#include "kfstore/XIsamFile.h"

#include <utility>

TRecordLock::TRecordLock(TXIsamFile& file, std::string key)
    : File_(file.LockRecord(key) ? &file : nullptr), Key_(std::move(key))
{
}

TRecordLock::TRecordLock(TRecordLock&& other) noexcept
    : File_(std::exchange(other.File_, nullptr)), Key_(std::move(other.Key_))
{
}

TRecordLock::~TRecordLock()
{
    if (File_)
        File_->UnlockRecord(Key_);
}
