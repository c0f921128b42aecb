#include "storage/ChangeCounter.h"

#include "storage/FileSystemKind.h"

#include <endian.h>
#include <fcntl.h>
<<<<<<< HEAD
#include <sys/mman.h>
#include <sys/stat.h>
=======
#include <sys/vfs.h>
>>>>>>> main
#include <unistd.h>

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
<<<<<<< HEAD
    struct stat info {};
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    // Only a local file system shares its pages with every process and has
    // no other machine writing; a file shorter than a page would fault on
    // the bytes past its end.
    if (FileSystemKindOf(fd) == TFileSystemKind::Local && fstat(fd, &info) == 0
        && static_cast<std::size_t>(info.st_size) >= page) {
        void* map = mmap(nullptr, page, PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) {
            Header_ = static_cast<const unsigned char*>(map);
            Length_ = page;
        }
    }
    close(fd);
=======
    if (IsLocalFileSystem(fd))
        Fd_ = fd;
    else
        close(fd);
>>>>>>> main
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
