#include "kfstore/server/PgChangeCounter.h"

#include "kfstore/server/PgConnection.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

// The versions this process knows, by file; used under the store's lock.
std::map<std::string, uint64_t>& Board()
{
    static std::map<std::string, uint64_t> board;
    return board;
}

}  // namespace

std::optional<uint64_t> TPgChangeCounter::ReadCommitted()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - NoticesRead_ >= kNoticeInterval) {
        NoticesRead_ = now;
        const bool connected = Connection_.TakeNotices([this](std::string_view payload) {
            Post(std::strtoull(std::string(payload).c_str(), nullptr, 10));
        });
        if (!connected)
            return std::nullopt;
    }
    Known_ = std::max(Known_, Board()[Key_]);
    return Known_;
}

std::optional<uint64_t> TPgChangeCounter::Read()
{
    const std::optional<uint64_t> committed = ReadCommitted();
    if (!committed || !Pending_)
        return committed;
    return std::max(*committed, *Pending_);
}

void TPgChangeCounter::Saw(uint64_t version)
{
    if (!Pending_ || version < *Pending_)
        Post(version);
}

void TPgChangeCounter::Wrote(uint64_t version)
{
    Pending_ = version;
}

void TPgChangeCounter::Committed()
{
    if (Pending_)
        Post(*Pending_);
    Pending_.reset();
}

void TPgChangeCounter::Post(uint64_t version)
{
    Known_ = std::max(Known_, version);
    uint64_t& posted = Board()[Key_];
    posted = std::max(posted, version);
}
