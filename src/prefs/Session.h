#pragma once

#include "storage/Records.h"

#include <string>
#include <utility>

class TXIsamFile;

// Who is logged in at this workstation: a copy of the user's record as it
// was read at login, its identifier, and the rights its Flags grant. Nobody
// until a login; a new login replaces the whole of it.
class TSession
{
public:
    TSession() = default;
    TSession(std::string userId, const TUserRec& user) : UserId_(std::move(userId)), User_(user) {}

    // Empty while nobody is logged in.
    const std::string& UserId() const { return UserId_; }
    const TUserRec& User() const { return User_; }
    bool LoggedIn() const { return !UserId_.empty(); }
    bool HasRight(TUserRight right) const { return (User_.Flags & right) != 0; }

    // Logs in the user of that name (a user name field's text) as the users
    // file holds him now. False, with the session unchanged, when the file
    // has no such user; a read that fails otherwise raises.
    bool LogIn(TXIsamFile& users, const std::string& userName);

private:
    std::string UserId_;
    TUserRec User_{};
};
