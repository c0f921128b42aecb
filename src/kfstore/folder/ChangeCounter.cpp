#include "kfstore/folder/ChangeCounter.h"

#include "kfstore/folder/FileSystemKind.h"

#include <endian.h>
#include <fcntl.h>
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
    // Only a local file system shares its pages with every process and has
    // no other machine writing.
    if (FileSystemKindOf(fd) == TFileSystemKind::Local)
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
    return be32toh(counter) + Own_;
}
