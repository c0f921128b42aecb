#include "kfstore/folder/WriteSpan.h"

#include "kfstore/folder/Connection.h"
#include "kfstore/KfsStatus.h"

#include <sqlite3.h>

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
