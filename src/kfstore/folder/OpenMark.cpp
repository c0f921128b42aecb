#include "kfstore/folder/OpenMark.h"

#include "kfstore/KfsStatus.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TOpenMark::~TOpenMark()
{
    if (Fd_ >= 0)
        close(Fd_);
}

int16_t TOpenMark::Hold(const std::string& path)
{
    return Take(path, O_RDONLY, F_RDLCK);
}

int16_t TOpenMark::Exclude(const std::string& path)
{
    return Take(path, O_RDWR, F_WRLCK);
}

int16_t TOpenMark::Take(const std::string& path, int flags, int16_t type)
{
    Fd_ = open(path.c_str(), flags | O_CLOEXEC);
    if (Fd_ < 0)
        return StatusFromErrno(errno);
    flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kOffset;
    lock.l_len = 1;
    if (fcntl(Fd_, F_OFD_SETLK, &lock) != 0)
        return errno == EAGAIN || errno == EACCES ? ksNameInUse : StatusFromErrno(errno);
    // A file removed between opening and marking is no longer the one at path.
    struct stat held {};
    struct stat current {};
    if (fstat(Fd_, &held) != 0)
        return StatusFromErrno(errno);
    if (stat(path.c_str(), &current) != 0 || held.st_dev != current.st_dev || held.st_ino != current.st_ino)
        return ksNotFound;
    return ksOk;
}
