#include "storage/RecordLock.h"

TRecordLock::TRecordLock(TXIsamFile& file, std::string key)
    : File_(file), Key_(std::move(key)), Held_(File_.LockRecord(Key_))
{
}

TRecordLock::~TRecordLock()
{
    if (Held_)
        File_.UnlockRecord(Key_);
}
