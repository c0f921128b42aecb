#pragma once

#include "prefs/Session.h"

#include <string>

// The session of a user who holds just these rights.
inline TSession SessionWithRights(const std::string& userId, int32_t flags)
{
    TUserRec user{};
    user.Flags = flags;
    return TSession(userId, user);
}
