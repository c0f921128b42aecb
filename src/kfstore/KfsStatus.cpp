#include "kfstore/KfsStatus.h"

#include <cerrno>

int16_t StatusFromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ESTALE:  // a network file removed on the server
        return ksNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return ksUpdateMode;
    case EEXIST:
        return ksNameInUse;
    case EISDIR:
        return ksNotIsam;
    case ENAMETOOLONG:
    case EINVAL:
        return ksBadParameter;
    case ENOSPC:  // no blocks, or no free inodes
    case EDQUOT:
    case EFBIG:
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
