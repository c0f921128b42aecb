#include "kfstore/folder/WriterTurn.h"

#include "kfstore/folder/Connection.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/folder/LockFile.h"

TWriterTurn::TWriterTurn(TLockFile& lockFile) : LockFile_(lockFile)
{
    const auto deadline = std::chrono::steady_clock::now() + TConnection::kBusyTimeout;
    Status_ = LockFile_.WaitLock(TLockFile::kWriterQueue, deadline);
    if (Status_ != ksOk)
        return;
    Status_ = LockFile_.WaitLock(TLockFile::kWriterTurn, deadline);
    LockFile_.Unlock(TLockFile::kWriterQueue);
    if (Status_ != ksOk)
        return;
    // Writing beside a lock file no new handle sees would change records
    // under locks it cannot see.
    Status_ = LockFile_.CheckPlace();
    if (Status_ != ksOk)
        LockFile_.Unlock(TLockFile::kWriterTurn);
}

TWriterTurn::~TWriterTurn()
{
    if (Status_ == ksOk)
        LockFile_.Unlock(TLockFile::kWriterTurn);
}
