#include "storage/ChangeCounter.h"

#include <endian.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
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
    if (Header_)
        munmap(const_cast<unsigned char*>(Header_), Length_);
}

void TChangeCounter::Map(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    // A file shorter than a page would fault on the bytes past its end.
    if (IsLocalFileSystem(fd) && fstat(fd, &info) == 0 && static_cast<std::size_t>(info.st_size) >= page) {
        void* map = mmap(nullptr, page, PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) {
            Header_ = static_cast<const unsigned char*>(map);
            Length_ = page;
        }
    }
    close(fd);
}

std::optional<uint32_t> TChangeCounter::Read() const
{
    if (!Header_)
        return std::nullopt;
    // One aligned load: the writer's copy of the page never shows half a counter.
    const auto* counter = reinterpret_cast<const uint32_t*>(Header_ + Offset);
    return be32toh(__atomic_load_n(counter, __ATOMIC_ACQUIRE));
}
