#include "kfstore/FileDescriptor.h"

#include <fcntl.h>
#include <unistd.h>

TFileDescriptor::TFileDescriptor(const std::string& path, int flags, unsigned mode)
    : Fd_(::open(path.c_str(), flags | O_CLOEXEC, mode))
{
}

TFileDescriptor::~TFileDescriptor()
{
    if (Fd_ >= 0)
        ::close(Fd_);
}
