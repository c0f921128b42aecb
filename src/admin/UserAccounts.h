#pragma once

#include "storage/Records.h"

#include <string>
#include <vector>

class TXIsamFile;

// One user record with its identifier.
struct TUserEntry
{
    std::string Id;
    TUserRec User;
};

// What became of an add or an update of a user.
enum class TUserWrite {
    Done,
    NameTaken,      // another user already has the name
    UnknownName,    // no user has the name
    NameOfAnother,  // the name belongs to another user than the one updated
    NameLocked,     // another workstation is adding a user of that name
};

// Adds and rewrites users in the users file so that no two users ever
// share a name, also when two administrators add the same name at once.
class TUserAccounts
{
public:
    explicit TUserAccounts(TXIsamFile& users);

    // Every user in identifier order. A read that fails before the end
    // throws std::runtime_error with the file's status.
    std::vector<TUserEntry> All();

    // Adds user under a freshly allocated identifier, which goes to newId.
    // The name is locked across the duplicate check and the add, so no other
    // workstation can add it in between. A failed read or add throws
    // std::runtime_error with the file's status.
    TUserWrite Add(const TUserRec& user, std::string& newId);

    // Rewrites the user id with user, whose name must be the one he has:
    // a name no user has, or one of another user, is refused. A failed read
    // or rewrite throws std::runtime_error with the file's status.
    TUserWrite Update(const std::string& id, const TUserRec& user);

    // The lock key of a stored user name (at most 10 bytes): never taken
    // for a record identifier. The lock file folds letter case itself.
    static std::string NameLockKey(const std::string& userName);

private:
    // The identifier of the user named name, or empty when there is none.
    std::string FindName(const std::string& name);

    TXIsamFile& Users_;
};
