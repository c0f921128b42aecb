#include "storage/FirstAdministrator.h"

#include "storage/OrbekoDB.h"

#include <stdexcept>

std::string TFirstAdministrator::UserName(const std::string& account)
{
    return EncodeText(DecodeText(account.empty() ? std::string("ADMIN") : account).toUpper(),
                      sizeof(TUserRec::UserName));
}

std::string TFirstAdministrator::Make(TOrbekoDB& db, const std::string& account, TUserRec& user)
{
    const std::string name = UserName(account);
    db.InitUser(user);
    user.Flags = Rights;
    SetField(user.UserName, name);
    SetField(user.FullName, name);
    SetField(user.Abbreviation, name);
    if (!db.UserFile.Add(user, ""))
        throw std::runtime_error(db.UserFile.StatusText());
    return db.UserFile.LastKey();
}
