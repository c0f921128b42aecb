#include "storage/ChangeCounter.h"

#include "storage/FileSystemKind.h"

#include <endian.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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
}

std::optional<uint32_t> TChangeCounter::Read() const
{
    if (!Header_)
        return std::nullopt;
    // One aligned load: the writer's copy of the page never shows half a counter.
    const auto* counter = reinterpret_cast<const uint32_t*>(Header_ + Offset);
    return be32toh(__atomic_load_n(counter, __ATOMIC_ACQUIRE));
}
