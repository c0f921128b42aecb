#pragma once

#include <string>

// An open file descriptor, closed when the object goes. Mind that closing
// any descriptor of a database file drops the classic locks this process
// holds on it, the engine's among them: keep one open for as long as a
// connection of the process may hold a lock on that file.
class TFileDescriptor
{
public:
    // open(2) with O_CLOEXEC added; Get() < 0 when it failed (errno tells).
    TFileDescriptor(const std::string& path, int flags, unsigned mode = 0);
    ~TFileDescriptor();
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int Get() const { return Fd_; }

private:
    int Fd_;
};
