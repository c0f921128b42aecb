#pragma once

#include "storage/Records.h"

#include <QString>

#include <string>

class TDetailFile;
class TOrbekoDB;

// What saving a user does to his password.
struct TPasswordChange
{
    enum class TKind { Keep, None, Set };

    TKind Kind = TKind::Keep;
    QString Typed;  // the new password, for Set

    static TPasswordChange Keep() { return {}; }
    static TPasswordChange None() { return {TKind::None, {}}; }
    // An empty text is no password.
    static TPasswordChange Set(const QString& typed)
    {
        return typed.isEmpty() ? None() : TPasswordChange{TKind::Set, typed};
    }
};

// A user's password, which nobody who can read the shared files may learn:
// its salted slow hash lives in the user's details, and his Password field
// holds Marker, which no typed password matches. A field that holds
// anything else is a password stored as typed by an earlier version (or
// none, when empty); it counts as it always did until it is moved over at
// the user's next login or the next save of the user.
//
// Passwords compare in capitals, as they are typed: the hash is made of the
// upper-cased text.
class TUserPassword
{
public:
    // A control character, which the password edits refuse to take (typed
    // or pasted) and upper-casing leaves alone, so an earlier version, which
    // compares the upper-cased field with the upper-cased typed text, lets
    // nobody in with it; and a users dialog of that version that shows it
    // and saves it again writes it back unchanged.
    static constexpr const char Marker[] = "\x01hashed";
    static_assert(sizeof(Marker) <= sizeof(TUserRec::Password));

    // Argon2id (crypto_pwhash_str) at libsodium's interactive limits: 2
    // passes over 64 MiB, about 0.1 s on a workstation.
    static std::string Hash(const QString& typed);
    static bool Verify(const std::string& hash, const QString& typed);
    // Whether a hash was made to those limits; one made to others still
    // verifies, and the next login makes it again.
    static bool Current(const std::string& hash);

    // Whether the field holds the marker (in whatever letter case a users
    // dialog of an earlier version wrote it back).
    static bool Hashed(const TUserRec& user);
    // Whether the field holds no password at all.
    static bool None(const TUserRec& user);

    // Whether typed lets the user id, stored as user, in. An empty typed
    // text lets in exactly the users without a password. A details file
    // that cannot be read raises EOrbekoDB.
    static bool Matches(TDetailFile& details, const std::string& id, const TUserRec& user, const QString& typed);

    // After typed has let user id in: a password stored as typed is
    // replaced by its hash and the marker, under the user's record lock,
    // the hash first, so a failed write leaves the record as it was; a
    // hash made to other limits than Hash's is made again. True when user
    // now holds the marker. Never throws: the login stands whatever becomes
    // of this; a locked record or a failed write is left for the next login.
    static bool MoveOver(TOrbekoDB& db, const std::string& id, TUserRec& user, const QString& typed) noexcept;

    // Saving a user, in three steps. Prepare makes user's Password field
    // what saving it with change holds, the user being stored as stored
    // (nullptr for a new one), and gives the hash to write with it, if any:
    // a kept password that is stored as typed moves over. Write puts that
    // hash in the user's details; it comes before the record's own write
    // where the user has his identifier already. Settle, once the record
    // is written, removes a hash that its field no longer names. Write and
    // Settle raise EOrbekoDB when the details file cannot be written.
    static std::string Prepare(TUserRec& user, const TPasswordChange& change, const TUserRec* stored);
    static void Write(TDetailFile& details, const std::string& id, const std::string& hash);
    static void Settle(TDetailFile& details, const std::string& id, const TUserRec& user);
};
