#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The change counter of an SQLite database file (4 bytes, big-endian, at
// offset 24), which every commit from any connection raises, read straight
// from a shared mapping of the file's first page: a memory load, no system
// call and no lock. It lets a handle keep records it read ahead and know
// for certain, before handing one out, that no commit has happened since.
//
// Only on local file systems: a network file system keeps mappings (and
// reads made without a lock) coherent with other machines only loosely,
// so there Available() is false and nothing may be read ahead.
class TChangeCounter
{
public:
    // Where the counter lies in the file, big-endian.
    static constexpr std::size_t Offset = 24;

    TChangeCounter() = default;
    ~TChangeCounter();
    TChangeCounter(const TChangeCounter&) = delete;
    TChangeCounter& operator=(const TChangeCounter&) = delete;

    // Maps the file's first page when it lies on a local file system. Must
    // be called while no connection of this process is inside a statement:
    // closing the descriptor used for mapping drops the process's classic
    // locks on the file, the engine's among them.
    void Map(const std::string& path);
    bool Available() const { return Header_ != nullptr; }
    // Empty when not Available().
    std::optional<uint32_t> Read() const;

private:
    const unsigned char* Header_ = nullptr;
    std::size_t Length_ = 0;
};
