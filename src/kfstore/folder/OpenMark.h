#pragma once

#include <cstdint>
#include <string>

// The mark that a keyed file is open: every open handle holds a shared
// byte lock (F_OFD_SETLK) on the keyed file itself, and removing the file
// takes that byte exclusively, so a file is removed only when no handle
// anywhere has it open. It sits on the keyed file rather than on its lock
// file so that a lock file deleted or replaced under open handles cannot
// hide them. The bytes lie far past any the engine locks.
//
// Handles open one at a time: between Hold (or Exclude) and EndOpening the
// opener holds a second byte exclusively, so what it sees of the other
// marks is of handles that finished opening, not of ones half way there.
class TOpenMark
{
public:
    static constexpr int64_t kOffset = int64_t{1} << 62;
    static constexpr int64_t kOpening = kOffset + 1;

    TOpenMark() = default;
    ~TOpenMark();
    TOpenMark(const TOpenMark&) = delete;
    TOpenMark& operator=(const TOpenMark&) = delete;

    // Marks the file at path open: 0, 9 while it is being removed, 1 when
    // it went from its path meanwhile, 3 when other openers kept the
    // opening turn for seconds. The turn is held on success.
    int16_t Hold(const std::string& path);
    // Marks it for removal: 0, or 9 while a handle has it open.
    int16_t Exclude(const std::string& path);
    // Ends the opening turn Hold or Exclude took.
    void EndOpening();

    // Whether another handle, here or elsewhere, has the file open.
    bool OthersHold() const;

private:
    int16_t Take(const std::string& path, int16_t type);
    int16_t TakeOpening();

    int Fd_ = -1;
    bool Opening_ = false;
};
