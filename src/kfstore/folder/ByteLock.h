#pragma once

#include <cerrno>
#include <cstdint>
#include <fcntl.h>

// A request for a lock on one byte of a file, for F_OFD_SETLK and its kin.
inline flock ByteLock(int16_t type, int64_t offset)
{
    flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    return lock;
}

// Whether a lock call failed because another description holds the byte.
inline bool HeldElsewhere(int error)
{
    return error == EAGAIN || error == EACCES;
}
