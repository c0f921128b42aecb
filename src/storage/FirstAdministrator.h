#pragma once

#include "storage/Records.h"

#include <string>

class TOrbekoDB;

// The first user of a new diary, made on its empty users file: named after
// the account that makes him (ADMIN when it has no name), upper case and
// cut to the field, with the rights to add entries, administer and change
// the others' entries, and no password.
class TFirstAdministrator
{
public:
    static constexpr int32_t Rights = urAddEntries | urAdminister | urModifyOthers;

    // Adds him to db's users file and gives his identifier; user is his
    // record. Throws std::runtime_error with the file's status when he
    // cannot be added.
    static std::string Make(TOrbekoDB& db, const std::string& account, TUserRec& user);
    // The user name the account gives.
    static std::string UserName(const std::string& account);
};
