#pragma once

#include "kfstore/folder/ChangeCounter.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Which version of a keyed file is at a path: the file's identity and the
// change counter that every commit from any workstation raises. A file on a
// server has only its counter, its version there. Unlike a
// last-write time it tells a written file from an unchanged one even within
// the same second.
struct TFileVersion
{
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    uint64_t ChangeCounter = 0;

    bool operator==(const TFileVersion&) const = default;

    // Opens, reads and closes the file; nothing when it cannot be read.
    static std::optional<TFileVersion> Of(const std::string& fileName);
};

// Watches one keyed file for writes at the cost of a counter read. The
// counter is read through the store's TChangeCounter of the file as it was
// last found at the path; every IdentityInterval the path is looked up again
// (device, inode, size), so that a file replaced wholesale, by a restore or
// a copy, is seen as well. Where the counter cannot be read that way (a
// network file system) every call reads the file through its path. A file
// on a server is watched through a handle of this process that has it open,
// which learns of every change as it commits.
class TFileWatch
{
public:
    explicit TFileWatch(std::string fileName);
    ~TFileWatch();
    TFileWatch(const TFileWatch&) = delete;
    TFileWatch& operator=(const TFileWatch&) = delete;

    const std::string& FileName() const { return FileName_; }
    // Nothing when the file cannot be found or read.
    std::optional<TFileVersion> Version();

    std::chrono::steady_clock::duration IdentityInterval = std::chrono::seconds(1);

private:
    void Identify(std::chrono::steady_clock::time_point now);

    std::string FileName_;
    const bool OnServer_;
    std::optional<TFileVersion> Identity_;  // its counter is not kept up to date
    std::unique_ptr<TChangeCounter> Counter_;
    std::chrono::steady_clock::time_point IdentifiedAt_;
};
