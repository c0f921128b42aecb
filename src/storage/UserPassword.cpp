#include "storage/UserPassword.h"

#include "kfstore/RecordLock.h"
#include "storage/DetailFile.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"

#include <sodium.h>

#include <cstring>
#include <exception>

namespace {

// The bytes a typed password stands for: what it always meant, in capitals.
std::string Capitals(const QString& typed)
{
    return EncodeText(typed.toUpper());
}

void Initialise()
{
    // Idempotent and safe between threads; fails only without a source of
    // randomness, and no salt can be made then.
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw EOrbekoDB("Unable to make a password hash: the system gives no random numbers");
}

// The field as the earlier versions compare it.
QString Stored(const TUserRec& user)
{
    return FieldString(user.Password).toUpper();
}

}  // namespace

std::string TUserPassword::Hash(const QString& typed)
{
    Initialise();
    const std::string text = Capitals(typed);
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, text.data(), text.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw EOrbekoDB("Unable to make a password hash: not enough memory");
    return hash;
}

bool TUserPassword::Verify(const std::string& hash, const QString& typed)
{
    Initialise();
    const std::string text = Capitals(typed);
    // The hash says its own limits, so one made with others still verifies.
    return !hash.empty() && crypto_pwhash_str_verify(hash.c_str(), text.data(), text.size()) == 0;
}

bool TUserPassword::Hashed(const TUserRec& user)
{
    return Stored(user) == QString::fromLatin1(Marker).toUpper();
}

bool TUserPassword::None(const TUserRec& user)
{
    return user.Password[0] == '\0';
}

bool TUserPassword::Matches(TDetailFile& details, const std::string& id, const TUserRec& user, const QString& typed)
{
    if (!Hashed(user))
        return Stored(user) == typed.toUpper();
    // No hash is made for no password: an empty one never matches a hash.
    return !typed.isEmpty() && Verify(details.UserPasswordHash(id), typed);
}

bool TUserPassword::Current(const std::string& hash)
{
    Initialise();
    return crypto_pwhash_str_needs_rehash(hash.c_str(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                          crypto_pwhash_MEMLIMIT_INTERACTIVE)
           == 0;
}

bool TUserPassword::MoveOver(TOrbekoDB& db, const std::string& id, TUserRec& user, const QString& typed) noexcept
{
    const bool hashed = Hashed(user);
    if (None(user) || typed.isEmpty())
        return hashed;
    try {
        if (hashed && Current(db.Details.UserPasswordHash(id)))
            return true;
        const TRecordLock lock(db.UserFile, id);
        if (!lock.Held())
            return hashed;
        // Read again under the lock: an administrator may have set another
        // password since the login read the record.
        TUserRec fresh;
        if (!db.UserFile.GetEqual(fresh, TOrbekoDB::UserIdKey, id) || !Matches(db.Details, id, fresh, typed))
            return hashed;
        // A hash made to other limits is made again to today's.
        Write(db.Details, id, Hash(typed));
        if (!Hashed(fresh)) {
            SetField(fresh.Password, Marker);
            if (!db.UserFile.Rewrite(fresh, id))
                return false;
        }
        user = fresh;
        return true;
    } catch (const std::exception&) {
        // The hash may be written without the marker; unnamed by the field,
        // it counts for nothing and the next move replaces it.
        return hashed;
    }
}

std::string TUserPassword::Prepare(TUserRec& user, const TPasswordChange& change, const TUserRec* stored)
{
    std::string hash;
    switch (change.Kind) {
    case TPasswordChange::TKind::Set:
        hash = Hash(change.Typed);
        SetField(user.Password, Marker);
        break;
    case TPasswordChange::TKind::Keep:
        if (stored && Hashed(*stored)) {
            std::memcpy(user.Password, stored->Password, sizeof user.Password);
        } else if (stored && !None(*stored)) {
            hash = Hash(FieldString(stored->Password));
            SetField(user.Password, Marker);
        } else {
            SetField(user.Password, "");
        }
        break;
    case TPasswordChange::TKind::None:
        SetField(user.Password, "");
        break;
    }
    return hash;
}

void TUserPassword::Write(TDetailFile& details, const std::string& id, const std::string& hash)
{
    if (!hash.empty())
        details.SetUserPasswordHash(id, hash);
}

void TUserPassword::Settle(TDetailFile& details, const std::string& id, const TUserRec& user)
{
    if (!Hashed(user) && !details.UserPasswordHash(id).empty())
        details.SetUserPasswordHash(id, "");
}
