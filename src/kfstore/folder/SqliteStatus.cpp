#include "kfstore/folder/SqliteStatus.h"

#include "kfstore/KfsStatus.h"

#include <sqlite3.h>

int16_t StatusFromSqlite(int resultCode, int systemError)
{
    switch (resultCode) {
    case SQLITE_CANTOPEN_ISDIR:
        return ksNotIsam;
    case SQLITE_CANTOPEN_FULLPATH:
    case SQLITE_READONLY_DBMOVED:  // the file was moved or deleted while open
        return ksNotFound;
    case SQLITE_IOERR_NOMEM:
        return ksNoMemory;
    default:
        break;
    }
    switch (resultCode & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return ksOk;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL:  // another connection kept changing the lock state
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
    case SQLITE_CANTOPEN: {
        // A missing folder, no free inodes, no permission: the system said which.
        const int16_t status = systemError ? StatusFromErrno(systemError) : ksIoError;
        return status == ksOsFailure ? ksIoError : status;
    }
    case SQLITE_IOERR: {
        const int16_t status = systemError ? StatusFromErrno(systemError) : ksIoError;
        return status == ksDiskFull || status == ksNoMemory ? status : ksIoError;
    }
    case SQLITE_NOTADB:
        return ksNotIsam;
    case SQLITE_CORRUPT:
    case SQLITE_ERROR:
    case SQLITE_SCHEMA:
    case SQLITE_FORMAT:
    case SQLITE_MISMATCH:
    case SQLITE_EMPTY:
    case SQLITE_INTERNAL:
        return ksCorrupt;
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
    case SQLITE_MISUSE:
        return ksBadParameter;
    case SQLITE_NOTFOUND:  // a file control the file system lacks
    case SQLITE_NOLFS:     // a file larger than the system supports
        return ksNoFunction;
    case SQLITE_INTERRUPT:
    case SQLITE_ABORT:
        return ksInterrupted;
    default:
        return ksOsFailure;
    }
}
