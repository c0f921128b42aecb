#pragma once

#include "storage/Records.h"

#include <string>
#include <utility>

class TXIsamFile;

// What a fresh look at the users file found of the logged-in user.
enum class TSessionChange { Same, Changed, Gone };

// Who is logged in at this workstation: a copy of the user's record, its
// identifier, and the rights its Flags grant. Nobody until a login; a new
// login replaces the whole of it. The record is read again now and then
// (Refresh), so that rights another administrator changed apply at once
// and a user deleted meanwhile holds no rights at all.
class TSession
{
public:
    TSession() = default;
    TSession(std::string userId, const TUserRec& user) : UserId_(std::move(userId)), User_(user) {}

    // Empty while nobody is logged in.
    const std::string& UserId() const { return UserId_; }
    const TUserRec& User() const { return User_; }
    bool LoggedIn() const { return !UserId_.empty(); }
    // A user whose record is gone has no rights left.
    bool HasRight(TUserRight right) const { return !Gone_ && (User_.Flags & right) != 0; }
    // True once a look at the users file found the user's record gone.
    bool Gone() const { return Gone_; }

    // Logs in the user of that name (a user name field's text) as the users
    // file holds him now. False, with the session unchanged, when the file
    // has no such user; a read that fails otherwise raises.
    bool LogIn(TXIsamFile& users, const std::string& userName);

    // Reads the user's record again by identifier and takes it over. Gone
    // when there is none, or when the identifier now belongs to a user of
    // another name (an identifier is given again once the highest user has
    // been deleted). A read that fails for another reason changes nothing
    // and answers Same: only a record proven gone ends a session.
    TSessionChange Refresh(TXIsamFile& users);

    // Whether the user's record is still there, read now; the session
    // itself is left alone. A read that fails for another reason counts as
    // there, as in Refresh: the write that follows meets the same fault and
    // says so itself.
    bool StillThere(TXIsamFile& users) const;

    // "Your user BRUNO was removed by an administrator."
    std::string RemovedText() const;

private:
    // The record under the user's identifier, when it is still his.
    bool ReadOwnRecord(TXIsamFile& users, TUserRec& user, bool& failed) const;

    std::string UserId_;
    TUserRec User_{};
    bool Gone_ = false;
};
