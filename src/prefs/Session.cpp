#include "prefs/Session.h"

#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"

bool TSession::LogIn(TXIsamFile& users, const std::string& userName)
{
    TUserRec user{};
    if (!FindRecord(users, user, TOrbekoDB::UserNameKey, userName))
        return false;
    UserId_ = users.LastKey();
    User_ = user;
    return true;
}
