#include "prefs/Session.h"

#include "kfstore/KfsStatus.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"

#include <cstring>

bool TSession::LogIn(TXIsamFile& users, const std::string& userName)
{
    TUserRec user{};
    if (!FindRecord(users, user, TOrbekoDB::UserNameKey, userName))
        return false;
    *this = TSession(users.LastKey(), user);
    return true;
}

bool TSession::ReadOwnRecord(TXIsamFile& users, TUserRec& user, bool& failed) const
{
    failed = false;
    if (!users.GetEqual(user, TOrbekoDB::UserIdKey, UserId_)) {
        failed = users.Status() != ksNotFound;
        return false;
    }
    return FieldText(user.UserName) == FieldText(User_.UserName);
}

TSessionChange TSession::Refresh(TXIsamFile& users)
{
    if (!LoggedIn() || Gone_)
        return Gone_ ? TSessionChange::Gone : TSessionChange::Same;
    TUserRec user{};
    bool failed = false;
    if (!ReadOwnRecord(users, user, failed)) {
        if (failed)
            return TSessionChange::Same;
        Gone_ = true;
        return TSessionChange::Gone;
    }
    if (std::memcmp(&user, &User_, sizeof(user)) == 0)
        return TSessionChange::Same;
    User_ = user;
    return TSessionChange::Changed;
}

bool TSession::StillThere(TXIsamFile& users) const
{
    if (Gone_)
        return false;
    TUserRec user{};
    bool failed = false;
    return ReadOwnRecord(users, user, failed) || failed;
}

std::string TSession::RemovedText() const
{
    return "Your user " + FieldText(User_.UserName) + " was removed by an administrator.";
}
