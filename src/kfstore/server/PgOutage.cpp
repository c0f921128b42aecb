#include "kfstore/server/PgOutage.h"

#include <map>
#include <mutex>
#include <optional>

namespace {

struct TOutage
{
    std::string Cause;
    std::optional<std::chrono::steady_clock::time_point> RestsUntil;
};

// The program asks from its own thread, outside the store's lock.
std::mutex& Guard()
{
    static std::mutex guard;
    return guard;
}

std::map<std::string, TOutage>& Board()
{
    static std::map<std::string, TOutage> board;
    return board;
}

}  // namespace

void TPgOutage::Failed(const std::string& location, const std::string& cause, std::chrono::milliseconds rest)
{
    const std::lock_guard lock(Guard());
    TOutage& outage = Board()[location];
    outage.Cause = cause;
    if (rest.count() > 0)
        outage.RestsUntil = std::chrono::steady_clock::now() + rest;
    else
        outage.RestsUntil.reset();
}

void TPgOutage::Reached(const std::string& location)
{
    const std::lock_guard lock(Guard());
    Board().erase(location);
}

std::string TPgOutage::Cause(const std::string& location)
{
    const std::lock_guard lock(Guard());
    const auto found = Board().find(location);
    return found == Board().end() ? std::string() : found->second.Cause;
}

bool TPgOutage::Resting(const std::string& location, std::string& cause)
{
    const std::lock_guard lock(Guard());
    const auto found = Board().find(location);
    if (found == Board().end() || !found->second.RestsUntil || std::chrono::steady_clock::now() >= *found->second.RestsUntil)
        return false;
    cause = found->second.Cause;
    return true;
}
