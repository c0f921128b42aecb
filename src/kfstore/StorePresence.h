#pragma once

#include <cstdint>
#include <string>

// A workstation at work on a database, with the user logged in there (both
// texts empty before a login, or where a workstation does not tell).
struct TStoreOccupant
{
    std::string Host;
    int32_t Pid = 0;
    std::string UserId;
    std::string UserName;
};

// This workstation's presence on a database, seen by the others (through
// its home's Present) for as long as the object lives.
class TStorePresence
{
public:
    virtual ~TStorePresence() = default;
    // Names the user logged in here; empty texts: nobody. Throws
    // std::runtime_error when that cannot be written.
    virtual void SetUser(const std::string& userId, const std::string& userName) = 0;
};
