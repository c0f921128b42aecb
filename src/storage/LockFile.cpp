#include "storage/LockFile.h"

#include "storage/KfsStatus.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxDigitKey = 18;
constexpr uint64_t kHashMask = (uint64_t{1} << 60) - 1;

flock ByteLock(int16_t type, int64_t offset)
{
    flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    return lock;
}

int16_t LockStatus(int error)
{
    return error == EAGAIN || error == EACCES ? ksLocked : StatusFromErrno(error);
}

}  // namespace

int64_t TLockFile::RecordOffset(std::string_view key)
{
    bool digits = !key.empty() && key.size() <= kMaxDigitKey;
    int64_t value = 0;
    for (std::size_t i = 0; digits && i < key.size(); ++i) {
        digits = key[i] >= '0' && key[i] <= '9';
        value = value * 10 + (key[i] - '0');
    }
    if (digits)
        return value;
    // FNV-1a over the upper-cased text.
    uint64_t hash = 14695981039346656037ull;
    for (char c : key) {
        const auto u = static_cast<unsigned char>(c);
        hash ^= u >= 'a' && u <= 'z' ? u - ('a' - 'A') : u;
        hash *= 1099511628211ull;
    }
    return kTextKeys + static_cast<int64_t>(hash & kHashMask);
}

TLockFile::~TLockFile()
{
    if (Fd_ >= 0)
        close(Fd_);
}

int16_t TLockFile::Open(const std::string& path, unsigned permissions)
{
    const mode_t mode = permissions & 0666;
    Fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (Fd_ >= 0) {
        fchmod(Fd_, mode);
        return ksOk;
    }
    if (errno == EEXIST)
        Fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
    return Fd_ >= 0 ? ksOk : StatusFromErrno(errno);
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
    return SetLock(F_WRLCK, RecordOffset(key));
}

int16_t TLockFile::UnlockRecord(std::string_view key)
{
    return SetLock(F_UNLCK, RecordOffset(key));
}

int16_t TLockFile::CheckRecord(std::string_view key) const
{
    flock lock = ByteLock(F_WRLCK, RecordOffset(key));
    if (fcntl(Fd_, F_OFD_GETLK, &lock) != 0)
        return StatusFromErrno(errno);
    return lock.l_type == F_UNLCK ? ksOk : ksLocked;
}

int16_t TLockFile::MarkOpen()
{
    const int16_t status = SetLock(F_RDLCK, kOpenMarker);
    return status == ksLocked ? ksNameInUse : status;
}

int16_t TLockFile::MarkRemoving()
{
    const int16_t status = SetLock(F_WRLCK, kOpenMarker);
    return status == ksLocked ? ksNameInUse : status;
}
