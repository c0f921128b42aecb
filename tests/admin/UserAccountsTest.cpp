#include "admin/UserAccounts.h"
#include "storage/OrbekoDB.h"
#include "kfstore/RecordLock.h"
#include "support/DatabaseFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class UserAccountsTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
        Other = Connect();
    }

    TUserRec User(const std::string& name)
    {
        TUserRec user;
        Db->InitUser(user);
        SetField(user.UserName, name);
        SetField(user.FullName, name + " Full");
        SetField(user.Abbreviation, name);
        return user;
    }

    std::unique_ptr<TOrbekoDB> Db;
    std::unique_ptr<TOrbekoDB> Other;
};

// Another workstation in the middle of adding the same name holds its lock:
// the add is refused and writes nothing; once it is through, the name is
// taken. Names that differ in letter case only share the lock.
TEST_F(UserAccountsTest, AddHoldsTheNameAcrossCheckAndAdd)
{
    std::string id;
    {
        const TRecordLock adding(Other->UserFile, TUserAccounts::NameLockKey("dan"));
        ASSERT_TRUE(adding.Held());
        EXPECT_EQ(TUserAccounts(Db->UserFile, Db->Details).Add(User("DAN"), TPasswordChange::None(), id),
                  TUserWrite::NameLocked);
        EXPECT_EQ(Db->UserFile.RecordCount(), 0);
    }
    ASSERT_EQ(TUserAccounts(Other->UserFile, Other->Details).Add(User("DAN"), TPasswordChange::None(), id),
              TUserWrite::Done);
    EXPECT_EQ(id, "0000000001");
    EXPECT_EQ(TUserAccounts(Db->UserFile, Db->Details).Add(User("DAN"), TPasswordChange::None(), id),
              TUserWrite::NameTaken);
    EXPECT_EQ(Db->UserFile.RecordCount(), 1);
    // A name of digits only is locked apart from the record whose
    // identifier it spells.
    const TRecordLock ann(Db->UserFile, TUserAccounts::NameLockKey("1"));
    EXPECT_TRUE(ann.Held());
    EXPECT_EQ(TUserAccounts(Other->UserFile, Other->Details).Update("0000000001", User("DAN"), TPasswordChange::Keep()),
              TUserWrite::Done);
}

}  // namespace
