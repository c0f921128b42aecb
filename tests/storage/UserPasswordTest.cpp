#include "kfstore/RecordLock.h"
#include "kfstore/StoreFixture.h"
#include "storage/OrbekoDB.h"
#include "storage/UserPassword.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <memory>
#include <optional>

namespace {

// How a user's password is stored before the case runs.
enum class TStored { Hashed, HashedUpperMarker, HashedToOtherLimits, Plain, None, MarkerWithoutHash };

class UserPasswordTest : public TStoreHomesTest
{
protected:
    void SetUp() override
    {
        TStoreHomesTest::SetUp();
        if (IsSkipped())
            return;
        Db = Open();
        Records.emplace(*Db);
        Id = Records->User("BEA", "Bea Full", "B", urAddEntries);
    }

    std::unique_ptr<TOrbekoDB> Open() { return std::make_unique<TOrbekoDB>(Shell, Location()); }

    TUserRec Read(TOrbekoDB& db)
    {
        TUserRec user{};
        EXPECT_TRUE(db.UserFile.GetEqual(user, TOrbekoDB::UserIdKey, Id));
        return user;
    }
    TUserRec Read() { return Read(*Db); }

    // The user's record holding SECRET (or none) as stored.
    void Store(TStored stored)
    {
        TUserRec user = Read();
        switch (stored) {
        case TStored::Hashed:
        case TStored::HashedUpperMarker:
            TUserPassword::Write(Db->Details, Id,
                                 TUserPassword::Prepare(user, TPasswordChange::Set("secret"), nullptr));
            if (stored == TStored::HashedUpperMarker)
                SetField(user.Password, "\x01HASHED");  // as a users dialog of an earlier version saves it
            break;
        case TStored::HashedToOtherLimits: {
            // As a version that asked less of the machine made it.
            char hash[crypto_pwhash_STRBYTES];
            ASSERT_EQ(crypto_pwhash_str(hash, "SECRET", 6, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN), 0);
            TUserPassword::Write(Db->Details, Id, hash);
            SetField(user.Password, TUserPassword::Marker);
            break;
        }
        case TStored::Plain:
            SetField(user.Password, "SECRET");
            break;
        case TStored::None:
            SetField(user.Password, "");
            break;
        case TStored::MarkerWithoutHash:
            SetField(user.Password, TUserPassword::Marker);
            break;
        }
        ASSERT_TRUE(Db->UserFile.Rewrite(user, Id));
    }

    // The comparison a workstation of an earlier version makes.
    static bool EarlierVersionLetsIn(const TUserRec& user, const QString& typed)
    {
        return FieldString(user.Password).toUpper() == typed.toUpper();
    }

    TScriptedDBShell Shell;
    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    std::string Id;
};

TEST_P(UserPasswordTest, ALoginComparesInCapitalsWithTheHashOrTheFieldAsTyped)
{
    const struct
    {
        TStored Stored;
        const char* Typed;
        bool LetsIn;
    } cases[] = {
        {TStored::Hashed, "SECRET", true},
        {TStored::Hashed, "secret", true},
        {TStored::Hashed, "SeCrEt", true},
        {TStored::Hashed, "", false},
        {TStored::Hashed, "SECRE", false},
        {TStored::Hashed, "SECRETS", false},
        {TStored::Hashed, TUserPassword::Marker, false},
        {TStored::Hashed, "HASHED", false},
        {TStored::HashedUpperMarker, "secret", true},
        {TStored::HashedUpperMarker, "WRONG", false},
        {TStored::HashedToOtherLimits, "secret", true},
        {TStored::HashedToOtherLimits, "WRONG", false},
        {TStored::Plain, "SECRET", true},
        {TStored::Plain, "secret", true},
        {TStored::Plain, "", false},
        {TStored::Plain, "WRONG", false},
        {TStored::None, "", true},
        {TStored::None, "SECRET", false},
        {TStored::MarkerWithoutHash, "", false},
        {TStored::MarkerWithoutHash, TUserPassword::Marker, false},
        {TStored::MarkerWithoutHash, "HASHED", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.Stored) << " typed " << c.Typed);
        Store(c.Stored);
        std::unique_ptr<TOrbekoDB> other = Open();  // another workstation
        EXPECT_EQ(TUserPassword::Matches(other->Details, Id, Read(*other), QString::fromLatin1(c.Typed)),
                  c.LetsIn);
    }
}

TEST_P(UserPasswordTest, ALoginMovesAPasswordStoredAsTypedOverUnderTheRecordLock)
{
    const struct
    {
        const char* Name;
        TStored Stored;
        const char* Typed;
        bool LockedElsewhere;
        bool BrokenDetails;
        const char* ChangedMeanwhile;  // the password an administrator set after the login read the record
        bool Moved;
    } cases[] = {
        {"plain", TStored::Plain, "secret", false, false, nullptr, true},
        {"already hashed", TStored::Hashed, "secret", false, false, nullptr, true},
        {"hashed to other limits", TStored::HashedToOtherLimits, "secret", false, false, nullptr, true},
        {"no password", TStored::None, "", false, false, nullptr, false},
        {"locked elsewhere", TStored::Plain, "secret", true, false, nullptr, false},
        {"changed meanwhile", TStored::Plain, "secret", false, false, "OTHER", false},
        {"details unwritable", TStored::Plain, "secret", false, true, nullptr, false},  // last: it stays broken
    };
    int made = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Id = Records->User("U" + std::to_string(++made), "Someone", "S", urAddEntries);
        Store(c.Stored);
        TUserRec user = Read();  // as the login read it
        std::unique_ptr<TOrbekoDB> other = Open();
        std::optional<TRecordLock> lock;
        if (c.LockedElsewhere)
            lock.emplace(other->UserFile, Id);
        if (c.BrokenDetails) {
            // A details file of another layout refuses every piece written.
            Db->Details.Close();
            other->Details.Close();
            TXIsamFile wrong;
            if (Exists(TDetailFile::FileName)) {
                ASSERT_TRUE(wrong.RemoveFile(Path(TDetailFile::FileName))) << wrong.StatusText();
            }
            ASSERT_TRUE(wrong.CreateFile(Path(TDetailFile::FileName), 10, "X$*31")) << wrong.StatusText();
        }
        if (c.ChangedMeanwhile) {
            TUserRec changed = user;
            SetField(changed.Password, c.ChangedMeanwhile);
            ASSERT_TRUE(other->UserFile.Rewrite(changed, Id));
        }
        const TUserRec before = Read();
        const std::string hashBefore = c.BrokenDetails ? std::string() : Db->Details.UserPasswordHash(Id);

        EXPECT_EQ(TUserPassword::MoveOver(*Db, Id, user, QString::fromLatin1(c.Typed)), c.Moved);

        lock.reset();
        std::unique_ptr<TOrbekoDB> after = Open();
        const TUserRec stored = Read(*after);
        EXPECT_EQ(TUserPassword::Hashed(stored), c.Moved || c.Stored == TStored::Hashed);
        if (!c.Moved) {
            EXPECT_EQ(FieldText(stored.Password), FieldText(before.Password)) << "the record is as it was";
            if (!c.BrokenDetails) {
                EXPECT_TRUE(after->Details.UserPasswordHash(Id).empty()) << "nothing was written";
            }
            continue;
        }
        EXPECT_EQ(FieldText(user.Password), FieldText(stored.Password)) << "the caller's copy follows";
        EXPECT_TRUE(TUserPassword::Matches(after->Details, Id, stored, QStringLiteral("Secret")));
        EXPECT_FALSE(EarlierVersionLetsIn(stored, QString::fromLatin1(c.Typed)));
        const std::string hash = after->Details.UserPasswordHash(Id);
        EXPECT_NE(hash.find("$argon2id$"), std::string::npos);
        EXPECT_TRUE(TUserPassword::Current(hash)) << hash;
        if (c.Stored == TStored::Hashed) {
            EXPECT_EQ(hash, hashBefore) << "a current hash is left alone";
        }
    }
}

// Saving a user: what his field and details hold afterwards.
TEST_P(UserPasswordTest, SavingAUserKeepsSetsOrRemovesHisPasswordAndMovesAPlainOneOver)
{
    const struct
    {
        const char* Name;
        TStored Stored;
        TPasswordChange Change;
        const char* LetsIn;  // nullptr: he has no password
    } cases[] = {
        {"plain kept", TStored::Plain, TPasswordChange::Keep(), "SECRET"},
        {"hashed kept", TStored::Hashed, TPasswordChange::Keep(), "SECRET"},
        {"none kept", TStored::None, TPasswordChange::Keep(), nullptr},
        {"plain replaced", TStored::Plain, TPasswordChange::Set("new"), "NEW"},
        {"hashed replaced", TStored::Hashed, TPasswordChange::Set("new"), "NEW"},
        {"none given one", TStored::None, TPasswordChange::Set("new"), "NEW"},
        {"hashed removed", TStored::Hashed, TPasswordChange::None(), nullptr},
        {"set to empty", TStored::Hashed, TPasswordChange::Set(""), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Store(c.Stored);
        const TUserRec stored = Read();
        TUserRec user = stored;
        SetField(user.Password, "IGNORED");  // the edits never carry the password
        TUserPassword::Write(Db->Details, Id, TUserPassword::Prepare(user, c.Change, &stored));
        ASSERT_TRUE(Db->UserFile.Rewrite(user, Id));
        TUserPassword::Settle(Db->Details, Id, user);

        std::unique_ptr<TOrbekoDB> other = Open();
        const TUserRec saved = Read(*other);
        if (!c.LetsIn) {
            EXPECT_TRUE(TUserPassword::None(saved));
            EXPECT_TRUE(other->Details.UserPasswordHash(Id).empty()) << "no hash is left behind";
            EXPECT_TRUE(TUserPassword::Matches(other->Details, Id, saved, ""));
            continue;
        }
        EXPECT_TRUE(TUserPassword::Hashed(saved));
        EXPECT_TRUE(TUserPassword::Matches(other->Details, Id, saved, QString::fromLatin1(c.LetsIn).toLower()));
        EXPECT_FALSE(TUserPassword::Matches(other->Details, Id, saved, "SECRETNEW"));
        EXPECT_FALSE(EarlierVersionLetsIn(saved, QString::fromLatin1(c.LetsIn)));
    }
}

INSTANTIATE_STORE_HOMES(UserPasswordTest);

}  // namespace
