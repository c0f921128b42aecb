#pragma once

#include <cstdint>
#include <string>

// The mark that a keyed file is open: every open handle holds a shared
// byte lock (F_OFD_SETLK) on the keyed file itself, and removing the file
// takes that byte exclusively, so a file is removed only when no handle
// anywhere has it open. It sits on the keyed file rather than on its lock
// file so that a lock file deleted or replaced under open handles cannot
// hide them. The byte lies far past any the engine locks.
class TOpenMark
{
public:
    static constexpr int64_t kOffset = int64_t{1} << 62;

    TOpenMark() = default;
    ~TOpenMark();
    TOpenMark(const TOpenMark&) = delete;
    TOpenMark& operator=(const TOpenMark&) = delete;

    // Marks the file at path open: 0, 9 while it is being removed, 1 when
    // it went from its path meanwhile.
    int16_t Hold(const std::string& path);
    // Marks it for removal: 0, or 9 while a handle has it open.
    int16_t Exclude(const std::string& path);

private:
    int16_t Take(const std::string& path, int flags, int16_t type);

    int Fd_ = -1;
};
