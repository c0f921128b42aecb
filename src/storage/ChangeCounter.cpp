#include "storage/ChangeCounter.h"

#include <endian.h>
#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// File systems whose pages every process on the machine shares, and which
// no other machine writes.
bool IsLocalFileSystem(int fd)
{
    struct statfs info {};
    if (fstatfs(fd, &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0x858458F6:  // ramfs
    case 0x794C7630:  // overlayfs
    case 0xF2F52010:  // f2fs
    case 0x2FC12FC1:  // zfs
    case 0xCA451A4E:  // bcachefs
    case 0x3153464A:  // jfs
        return true;
    default:
        return false;
    }
}

}  // namespace

TChangeCounter::~TChangeCounter()
{
    if (Fd_ >= 0)
        close(Fd_);
}

void TChangeCounter::Open(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (IsLocalFileSystem(fd))
        Fd_ = fd;
    else
        close(fd);
}

std::optional<uint32_t> TChangeCounter::Read() const
{
    if (Fd_ < 0)
        return std::nullopt;
    uint32_t counter = 0;
    if (pread(Fd_, &counter, sizeof counter, Offset) != static_cast<ssize_t>(sizeof counter))
        return std::nullopt;
    return be32toh(counter);
}
