#include "storage/PgChangeCounter.h"

#include "storage/PgConnection.h"

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

std::optional<uint64_t> TPgChangeCounter::Read()
{
    const bool connected = Connection_.TakeNotices([this](std::string_view payload) {
        Saw(std::strtoull(std::string(payload).c_str(), nullptr, 10));
    });
    if (!connected)
        return std::nullopt;
    Known_ = std::max(Known_, Board()[Key_]);
    return Known_;
}

void TPgChangeCounter::Saw(uint64_t version)
{
    Known_ = std::max(Known_, version);
    uint64_t& posted = Board()[Key_];
    posted = std::max(posted, version);
}
