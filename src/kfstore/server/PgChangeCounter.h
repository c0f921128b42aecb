#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

class TPgConnection;

// The change counter of a keyed file on a server: its version, raised by every
// committed change and drawn from one sequence for all files so a file made
// again never repeats an old one. A handle learns of changes without
// asking the server: its own commits and those of every other handle of
// this process are posted on a board at once, and those of other
// workstations come as notices on the file's channel, which the server
// sends when they commit. So rows read ahead are handed out only while no
// change is known since they were read. Notices are read at most every
// kNoticeInterval: they come a moment after the commit anyway, and a walk's
// reads in a tight loop then cost no system call each.
class TPgChangeCounter
{
public:
    static constexpr std::chrono::microseconds kNoticeInterval{500};

    // key names the file among all this process has open on any server.
    TPgChangeCounter(TPgConnection& connection, std::string key) : Connection_(connection), Key_(std::move(key)) {}

    // The channel on which the server announces the file's versions.
    static std::string Channel(int32_t fileId) { return "orbeko_" + std::to_string(fileId); }

    // The version this handle's reads see now: the highest committed one
    // known (the notices that came meanwhile are read without waiting), or
    // the one its open transaction wrote. Empty when the connection broke.
    std::optional<uint64_t> Read();
    // The highest committed version known: what other handles see.
    std::optional<uint64_t> ReadCommitted();
    // A version read from the file; one this handle's open transaction
    // wrote is not posted before it is committed.
    void Saw(uint64_t version);
    // A version this handle's open transaction wrote.
    void Wrote(uint64_t version);
    // The open transaction was committed, or rolled back.
    void Committed();
    void RolledBack() { Pending_.reset(); }

private:
    void Post(uint64_t version);

    TPgConnection& Connection_;
    const std::string Key_;
    uint64_t Known_ = 0;
    std::optional<uint64_t> Pending_;
    std::chrono::steady_clock::time_point NoticesRead_;
};
