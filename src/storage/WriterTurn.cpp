#include "storage/WriterTurn.h"

#include "storage/Connection.h"
#include "storage/KfsStatus.h"
#include "storage/LockFile.h"

TWriterTurn::TWriterTurn(TLockFile& lockFile) : LockFile_(lockFile)
{
    const auto deadline = std::chrono::steady_clock::now() + TConnection::kBusyTimeout;
    Status_ = LockFile_.WaitLock(TLockFile::kWriterQueue, deadline);
    if (Status_ != ksOk)
        return;
    Status_ = LockFile_.WaitLock(TLockFile::kWriterTurn, deadline);
    LockFile_.Unlock(TLockFile::kWriterQueue);
}

TWriterTurn::~TWriterTurn()
{
    if (Status_ == ksOk)
        LockFile_.Unlock(TLockFile::kWriterTurn);
}
