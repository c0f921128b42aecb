#include "kfstore/folder/OpenMark.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/folder/ByteLock.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

TOpenMark::~TOpenMark()
{
    EndOpening();
    if (Fd_ >= 0)
        close(Fd_);
}

int16_t TOpenMark::Hold(const std::string& path)
{
    return Take(path, F_RDLCK);
}

int16_t TOpenMark::Exclude(const std::string& path)
{
    return Take(path, F_WRLCK);
}

int16_t TOpenMark::Take(const std::string& path, int16_t type)
{
    // Read and write, whatever the mark, for the opening turn's exclusive byte.
    Fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (Fd_ < 0)
        return StatusFromErrno(errno);
    int16_t status = TakeOpening();
    if (status != ksOk)
        return status;
    flock lock = ByteLock(type, kOffset);
    if (fcntl(Fd_, F_OFD_SETLK, &lock) != 0)
        return HeldElsewhere(errno) ? ksNameInUse : StatusFromErrno(errno);
    // A file removed between opening and marking is no longer the one at path.
    struct stat held {};
    struct stat current {};
    if (fstat(Fd_, &held) != 0)
        return StatusFromErrno(errno);
    if (stat(path.c_str(), &current) != 0 || held.st_dev != current.st_dev || held.st_ino != current.st_ino)
        return ksNotFound;
    return ksOk;
}

int16_t TOpenMark::TakeOpening()
{
    // The turn is held for a few calls only; polling keeps the wait bounded
    // without a timer signal.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        flock lock = ByteLock(F_WRLCK, kOpening);
        if (fcntl(Fd_, F_OFD_SETLK, &lock) == 0) {
            Opening_ = true;
            return ksOk;
        }
        if (!HeldElsewhere(errno))
            return StatusFromErrno(errno);
        if (std::chrono::steady_clock::now() >= deadline)
            return ksBusy;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TOpenMark::EndOpening()
{
    if (!Opening_)
        return;
    flock lock = ByteLock(F_UNLCK, kOpening);
    fcntl(Fd_, F_OFD_SETLK, &lock);
    Opening_ = false;
}

bool TOpenMark::OthersHold() const
{
    // Asked through this handle's own description, the answer leaves out
    // its own mark.
    flock lock = ByteLock(F_WRLCK, kOffset);
    if (fcntl(Fd_, F_OFD_GETLK, &lock) != 0)
        return true;  // unknown: the cautious answer
    return lock.l_type != F_UNLCK;
}
