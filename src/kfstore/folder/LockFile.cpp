#include "kfstore/folder/LockFile.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/folder/ByteLock.h"
#include "kfstore/PrimaryKey.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int16_t LockStatus(int error)
{
    return HeldElsewhere(error) ? ksLocked : StatusFromErrno(error);
}

// The signal that ends a waiting lock call at its deadline; its handler
// does nothing, so the call returns EINTR. Installed once for the process.
int WakeSignal()
{
    static const int signal = [] {
        const int number = SIGRTMAX - 1;
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        sigaction(number, &action, nullptr);
        return number;
    }();
    return signal;
}

// Sends WakeSignal to this thread at the deadline and every few
// milliseconds after, so a lock call entered just after a signal is still
// ended; the signal is let through while the timer lives.
class TWakeTimer
{
public:
    explicit TWakeTimer(std::chrono::steady_clock::time_point deadline)
    {
        sigevent event{};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = WakeSignal();
        event._sigev_un._tid = gettid();
        if (timer_create(CLOCK_MONOTONIC, &event, &Timer_) != 0)
            return;
        Armed_ = true;
        using namespace std::chrono;
        const auto left = std::max(duration_cast<nanoseconds>(deadline - steady_clock::now()), nanoseconds(1));
        itimerspec due{};
        due.it_value.tv_sec = static_cast<time_t>(left.count() / 1000000000);
        due.it_value.tv_nsec = static_cast<long>(left.count() % 1000000000);
        due.it_interval.tv_nsec = 10000000;
        timer_settime(Timer_, 0, &due, nullptr);
        sigset_t wake;
        sigemptyset(&wake);
        sigaddset(&wake, WakeSignal());
        pthread_sigmask(SIG_UNBLOCK, &wake, &Former_);
    }
    ~TWakeTimer()
    {
        if (!Armed_)
            return;
        timer_delete(Timer_);
        pthread_sigmask(SIG_SETMASK, &Former_, nullptr);
    }
    TWakeTimer(const TWakeTimer&) = delete;
    TWakeTimer& operator=(const TWakeTimer&) = delete;

    bool Armed() const { return Armed_; }

private:
    timer_t Timer_{};
    sigset_t Former_{};
    bool Armed_ = false;
};

}  // namespace

TLockFile::~TLockFile()
{
    if (Fd_ >= 0)
        close(Fd_);
}

int16_t TLockFile::Open(const std::string& path, unsigned permissions, bool othersOpen)
{
    Path_ = path;
    const mode_t mode = permissions & 0666;
    Fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (Fd_ < 0 && errno == ENOENT) {
        if (othersOpen)
            return ksLocksGone;
        Fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (Fd_ >= 0)
            fchmod(Fd_, mode);
        else if (errno == EEXIST)  // made meanwhile by an opener of another kind
            Fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
    if (Fd_ < 0)
        return StatusFromErrno(errno);
    // What the descriptor names never changes: known once, each check only
    // looks up the path.
    struct stat held {};
    if (fstat(Fd_, &held) != 0)
        return StatusFromErrno(errno);
    Device_ = held.st_dev;
    Inode_ = held.st_ino;
    return ksOk;
}

int16_t TLockFile::CheckPlace() const
{
    struct stat current {};
    if (stat(Path_.c_str(), &current) == 0)
        return Device_ == current.st_dev && Inode_ == current.st_ino ? ksOk : ksBadHandle;
    if (errno != ENOENT)
        return StatusFromErrno(errno);
    // A folder gone as a whole (unmounted, renamed away) is not found, as
    // its keyed file is; a lock file gone from its folder is the handle's loss.
    const std::string folder = std::filesystem::path(Path_).parent_path().string();
    return stat(folder.empty() ? "." : folder.c_str(), &current) == 0 ? ksBadHandle : ksNotFound;
}

int16_t TLockFile::SetLock(int16_t type, int64_t offset)
{
    flock lock = ByteLock(type, offset);
    if (fcntl(Fd_, F_OFD_SETLK, &lock) == 0)
        return ksOk;
    return LockStatus(errno);
}

int16_t TLockFile::LockRecord(std::string_view key)
{
    return LockSlot(PrimaryKey::LockSlot(key));
}

int16_t TLockFile::UnlockRecord(std::string_view key)
{
    return UnlockSlot(PrimaryKey::LockSlot(key));
}

int16_t TLockFile::LockSlot(int64_t slot)
{
    return SetLock(F_WRLCK, slot);
}

int16_t TLockFile::UnlockSlot(int64_t slot)
{
    return SetLock(F_UNLCK, slot);
}

int16_t TLockFile::CheckRecord(std::string_view key) const
{
    const int16_t status = CheckPlace();
    if (status != ksOk)
        return status;
    flock lock = ByteLock(F_WRLCK, PrimaryKey::LockSlot(key));
    if (fcntl(Fd_, F_OFD_GETLK, &lock) != 0)
        return StatusFromErrno(errno);
    return lock.l_type == F_UNLCK ? ksOk : ksLocked;
}

int16_t TLockFile::WaitLock(int64_t offset, std::chrono::steady_clock::time_point deadline)
{
    const int16_t status = SetLock(F_WRLCK, offset);
    if (status != ksLocked)
        return status;
    const TWakeTimer timer(deadline);
    if (!timer.Armed())
        return ksNoMemory;  // no timer to spare: the wait could not be bounded
    for (;;) {
        flock lock = ByteLock(F_WRLCK, offset);
        if (fcntl(Fd_, F_OFD_SETLKW, &lock) == 0)
            return ksOk;
        if (errno != EINTR)
            return StatusFromErrno(errno);
        // Another signal ends the wait too; only the deadline ends it for good.
        if (std::chrono::steady_clock::now() >= deadline)
            return ksBusy;
    }
}

void TLockFile::Unlock(int64_t offset)
{
    SetLock(F_UNLCK, offset);
}
