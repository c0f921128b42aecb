#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The change counter of an SQLite database file (4 bytes, big-endian, at
// offset 24), which every commit from any connection raises, read from a
// shared mapping of the file's first page (a load from memory, no system
// call), or with a pread of a descriptor kept open where it cannot be
// mapped: no lock and no engine call. It lets a handle keep records it read
// ahead and know for certain, before handing one out, that no commit has
// happened since. A file cut short under the handle (a copy restored over
// it) reads as no counter, never as a fault.
//
// Only on local file systems: a network file system keeps reads made
// without a lock coherent with other machines only loosely, so there
// Available() is false and nothing may be read ahead.
class TChangeCounter
{
public:
    // Where the counter lies in the file, big-endian.
    static constexpr std::size_t Offset = 24;

    TChangeCounter() = default;
    ~TChangeCounter();
    TChangeCounter(const TChangeCounter&) = delete;
    TChangeCounter& operator=(const TChangeCounter&) = delete;

    // Keeps a descriptor of the file when it lies on a local file system.
    // Call it, and end the object, only while no connection of this process
    // is inside a statement: closing a descriptor of the file drops the
    // process's classic locks on it, the engine's among them.
    void Open(const std::string& path);
    bool Available() const { return Fd_ >= 0; }
    // Empty when not Available() or when the file is too short to hold it.
    std::optional<uint32_t> Read() const;
    // Counts a change of this handle's own that its reads see before a
    // commit moves the file's counter (a write inside a batch). Read()
    // gives the sum, which moves on every change of either.
    void Advance() { ++Own_; }

private:
    int Fd_ = -1;
    int Slot_ = -1;                // of the process's header pages
    uint32_t* Mapped_ = nullptr;   // the counter in the mapped page
    uint32_t Own_ = 0;
};
