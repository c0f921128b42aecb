#include "storage/KfsStatus.h"

#include <sqlite3.h>

#include <cerrno>

int16_t StatusFromSqlite(int resultCode)
{
    switch (resultCode & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return ksOk;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ksBusy;
    case SQLITE_NOMEM:
        return ksNoMemory;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CONSTRAINT:  // adding a key that is already there
        return ksUpdateMode;
    case SQLITE_FULL:
        return ksDiskFull;
    case SQLITE_IOERR:
        return ksIoError;
    case SQLITE_NOTADB:
        return ksNotIsam;
    case SQLITE_CORRUPT:
    case SQLITE_ERROR:
    case SQLITE_SCHEMA:
    case SQLITE_FORMAT:
    case SQLITE_MISMATCH:
        return ksCorrupt;
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
        return ksBadParameter;
    case SQLITE_INTERRUPT:
    case SQLITE_ABORT:
        return ksInterrupted;
    default:
        return ksOsFailure;
    }
}

int16_t StatusFromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ksNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return ksUpdateMode;
    case EEXIST:
        return ksNameInUse;
    case ENOSPC:
    case EDQUOT:
        return ksDiskFull;
    case ENOMEM:
        return ksNoMemory;
    case EMFILE:
    case ENFILE:
        return ksNoHandles;
    case EIO:
        return ksIoError;
    case EINTR:
        return ksInterrupted;
    case EAGAIN:
        return ksLocked;
    default:
        return ksOsFailure;
    }
}
