#pragma once

#include "kfstore/RecordLock.h"
#include "storage/Records.h"
#include "storage/UserPassword.h"

#include <string>
#include <vector>

class TDetailFile;
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
    LastAdministrator,  // it would leave no user who can administer
    RightsLocked,   // another workstation is taking away the same right
    UserLocked,     // another workstation is writing the user (his password)
};

// Adds and rewrites users in the users file so that no two users ever
// share a name, also when two administrators add the same name at once,
// and so that the office always keeps a user who can administer.
class TUserAccounts
{
public:
    explicit TUserAccounts(TXIsamFile& users);
    // For adds and updates, which write passwords into the user's details.
    TUserAccounts(TXIsamFile& users, TDetailFile& details);

    // Every user in identifier order. A read that fails before the end
    // throws std::runtime_error with the file's status.
    std::vector<TUserEntry> All();

    // Adds user, with the password change makes (Keep is none), under a
    // freshly allocated identifier, which goes to newId. The name is locked
    // across the duplicate check and the add, so no other workstation can
    // add it in between. A failed read or add throws std::runtime_error
    // with the file's status; so does a hash that cannot be written, and
    // the user then has a password that lets nobody in until one is set.
    TUserWrite Add(const TUserRec& user, const TPasswordChange& password, std::string& newId);

    // Rewrites the user id with user and the password change makes (the
    // field of user counts for nothing), under the user's record lock, so
    // no login moves his old password over meanwhile. His name must be
    // the one he has: a name no user has, or one of another user, is
    // refused, and so is taking the right "Can administer" from the last
    // user who has it. A failed read or rewrite throws std::runtime_error
    // with the file's status.
    TUserWrite Update(const std::string& id, const TUserRec& user, const TPasswordChange& password);

    // The turn to take the right "Can administer" from a user, by a rewrite
    // or a deletion: two workstations that each take it from a different
    // administrator would otherwise both see the other one keep it. Not Held
    // when another handle has the turn; the file's Status tells why.
    TRecordLock RightsTurn();
    // True when id can administer and no other user can. Read under the
    // RightsTurn, the answer holds until the turn is given back.
    bool LastAdministrator(const std::string& id);

    // The information that refuses leaving the office without an
    // administrator; userName is the last one's.
    static std::string LastAdministratorText(const std::string& userName);

    // The lock key of a stored user name (at most 10 bytes): never taken
    // for a record identifier. The lock file folds letter case itself.
    static std::string NameLockKey(const std::string& userName);

private:
    // The identifier of the user named name, or empty when there is none.
    std::string FindName(const std::string& name);

    TDetailFile& Details() const;

    TXIsamFile& Users_;
    TDetailFile* Details_ = nullptr;
};
