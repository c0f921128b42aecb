#include "admin/UserAccounts.h"

#include "storage/KeyWalk.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "kfstore/XIsamFile.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

constexpr std::size_t kKeyLength = 10;

// Locked by whoever takes the right "Can administer" from someone. No record
// identifier is like it; a user of that very name merely waits for it.
constexpr const char* kRightsLockKey = "#RIGHTS";

bool Administers(const TUserRec& user)
{
    return (user.Flags & urAdminister) != 0;
}

}  // namespace

TUserAccounts::TUserAccounts(TXIsamFile& users) : Users_(users) {}

TUserAccounts::TUserAccounts(TXIsamFile& users, TDetailFile& details) : Users_(users), Details_(&details) {}

TDetailFile& TUserAccounts::Details() const
{
    if (!Details_)
        throw std::logic_error("Users are written with their details");
    return *Details_;
}

std::vector<TUserEntry> TUserAccounts::All()
{
    std::vector<TUserEntry> users;
    TUserRec user;
    TKeyWalk walk = TKeyWalk::All(Users_, TOrbekoDB::UserIdKey);
    while (walk.Next(user))
        users.push_back({walk.Id(), user});
    return users;
}

std::string TUserAccounts::NameLockKey(const std::string& userName)
{
    std::string key = userName.substr(0, kKeyLength);
    if (key.empty() || !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return key;
    // A name of digits only would lock the record it spells as an
    // identifier; a leading '#' (in place of the first digit when the name
    // fills the key) keeps it apart. Names that then coincide merely wait
    // for each other.
    if (key.size() == kKeyLength)
        key.erase(0, 1);
    return '#' + key;
}

std::string TUserAccounts::FindName(const std::string& name)
{
    TUserRec found;
    if (FindRecord(Users_, found, TOrbekoDB::UserNameKey, name))
        return Users_.LastKey();
    return {};
}

TUserWrite TUserAccounts::Add(const TUserRec& given, const TPasswordChange& password, std::string& newId)
{
    TDetailFile& details = Details();
    TUserRec user = given;
    const std::string hash = TUserPassword::Prepare(user, password, nullptr);
    const std::string name = FieldText(user.UserName);
    const TRecordLock lock(Users_, NameLockKey(name));
    if (!lock.Held()) {
        if (Users_.Status() != ksLocked)
            throw std::runtime_error(Users_.StatusText());
        return TUserWrite::NameLocked;
    }
    if (!FindName(name).empty())
        return TUserWrite::NameTaken;
    if (!Users_.Add(user, ""))
        throw std::runtime_error(Users_.StatusText());
    newId = Users_.LastKey();
    // The identifier is known only now. Until the hash is there the marker
    // lets nobody in; Settle clears one that a deleted user of this
    // identifier left.
    TUserPassword::Write(details, newId, hash);
    TUserPassword::Settle(details, newId, user);
    return TUserWrite::Done;
}

TRecordLock TUserAccounts::RightsTurn()
{
    return TRecordLock(Users_, kRightsLockKey);
}

bool TUserAccounts::LastAdministrator(const std::string& id)
{
    bool administers = false;
    for (const TUserEntry& entry : All()) {
        if (!Administers(entry.User))
            continue;
        if (entry.Id != id)
            return false;
        administers = true;
    }
    return administers;
}

std::string TUserAccounts::LastAdministratorText(const std::string& userName)
{
    return userName +
           " is the last user who can administer Orbeko. Give another user the right \"Can administer\" "
           "first, so that the office keeps an administrator.";
}

TUserWrite TUserAccounts::Update(const std::string& id, const TUserRec& given, const TPasswordChange& password)
{
    TDetailFile& details = Details();
    TUserRec user = given;
    const std::string owner = FindName(FieldText(user.UserName));
    if (owner.empty())
        return TUserWrite::UnknownName;
    if (owner != id)
        return TUserWrite::NameOfAnother;
    const TRecordLock lock(Users_, id);
    if (!lock.Held()) {
        if (Users_.Status() != ksLocked)
            throw std::runtime_error(Users_.StatusText());
        return TUserWrite::UserLocked;
    }
    // Whether he has the right now is read under the turn: a copy read
    // earlier may predate someone giving it to him.
    std::optional<TRecordLock> turn;
    if (!Administers(user)) {
        turn.emplace(RightsTurn());
        if (!turn->Held()) {
            if (Users_.Status() != ksLocked)
                throw std::runtime_error(Users_.StatusText());
            return TUserWrite::RightsLocked;
        }
        if (LastAdministrator(id))
            return TUserWrite::LastAdministrator;
    }
    TUserRec stored;
    if (!Users_.GetEqual(stored, TOrbekoDB::UserIdKey, id))
        throw std::runtime_error(Users_.StatusText());
    TUserPassword::Write(details, id, TUserPassword::Prepare(user, password, &stored));
    if (!Users_.Rewrite(user, id))
        throw std::runtime_error(Users_.StatusText());
    TUserPassword::Settle(details, id, user);
    return TUserWrite::Done;
}
