// Preloaded into a process (LD_PRELOAD) to make its byte-range locks exclude
// nothing, as on a network folder whose locks stay on each machine: every
// lock and unlock succeeds, and every query finds the range free.
#include <dlfcn.h>
#include <fcntl.h>

#include <cstdarg>

namespace {

using TFcntl = int (*)(int, int, ...);

int Fake(int cmd, void* argument, const char* realName, int fd)
{
    switch (cmd) {
    case F_SETLK:
    case F_SETLKW:
    case F_OFD_SETLK:
    case F_OFD_SETLKW:
        return 0;
    case F_GETLK:
    case F_OFD_GETLK:
        static_cast<struct flock*>(argument)->l_type = F_UNLCK;
        return 0;
    default:
        static const auto real = reinterpret_cast<TFcntl>(dlsym(RTLD_NEXT, realName));
        return real(fd, cmd, argument);
    }
}

void* Argument(va_list arguments)
{
    return va_arg(arguments, void*);
}

}  // namespace

extern "C" int fcntl(int fd, int cmd, ...)
{
    va_list arguments;
    va_start(arguments, cmd);
    void* argument = Argument(arguments);
    va_end(arguments);
    return Fake(cmd, argument, "fcntl", fd);
}

extern "C" int fcntl64(int fd, int cmd, ...)
{
    va_list arguments;
    va_start(arguments, cmd);
    void* argument = Argument(arguments);
    va_end(arguments);
    return Fake(cmd, argument, "fcntl64", fd);
}
