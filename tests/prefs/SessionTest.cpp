#include "support/RecordsFixture.h"

#include "prefs/Session.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

class SessionLogInTest : public TRecordsFixture
{
};

// The login reads the user as the file holds him now; an unknown name
// leaves whoever was logged in.
TEST_F(SessionLogInTest, TakesTheUserOfThatNameOrNobody)
{
    AddUser("Ann");
    const std::string bob = AddUser("Bob");  // user name U2
    TSession session;
    EXPECT_FALSE(session.LoggedIn());
    ASSERT_TRUE(session.LogIn(Db->UserFile, "U2"));
    EXPECT_EQ(session.UserId(), bob);
    EXPECT_EQ(FieldText(session.User().FullName), "Bob");
    EXPECT_TRUE(session.LoggedIn());

    EXPECT_FALSE(session.LogIn(Db->UserFile, "NOBODY"));
    EXPECT_EQ(session.UserId(), bob);
    EXPECT_EQ(FieldText(session.User().FullName), "Bob");
}

// What happened to U2's record since he logged in, and what a fresh look
// must make of it.
struct TRefreshCase
{
    const char* Name;
    std::function<void(TOrbekoDB& db, const std::string& id)> Change;
    bool Unreadable;  // the users file cannot be read at all
    TSessionChange Result;
    bool Administers;  // afterwards
    bool StillThere;
};

class SessionRefreshTest : public TRecordsFixture, public ::testing::WithParamInterface<TRefreshCase>
{
};

TEST_P(SessionRefreshTest, AFreshLookTakesTheRecordOrEndsTheRights)
{
    const TRefreshCase& c = GetParam();
    AddUser("Ann");
    const std::string bob = Records->User("U2", "Bob", "B", urAdminister);
    TSession session;
    ASSERT_TRUE(session.LogIn(Db->UserFile, "U2"));
    c.Change(*Db, bob);
    TXIsamFile closed;
    TXIsamFile& users = c.Unreadable ? closed : Db->UserFile;
    EXPECT_EQ(session.StillThere(users), c.StillThere);
    EXPECT_EQ(session.Refresh(users), c.Result);
    EXPECT_EQ(session.Gone(), c.Result == TSessionChange::Gone);
    EXPECT_EQ(session.HasRight(urAdminister), c.Administers);
    EXPECT_EQ(session.UserId(), bob);
    EXPECT_EQ(session.RemovedText(), "Your user U2 was removed by an administrator.");
    // Once gone, always gone: nothing brings the rights back.
    if (c.Result == TSessionChange::Gone) {
        EXPECT_EQ(session.Refresh(Db->UserFile), TSessionChange::Gone);
        EXPECT_FALSE(session.StillThere(Db->UserFile));
    }
}

void SetFlags(TOrbekoDB& db, const std::string& id, int32_t flags)
{
    TUserRec user;
    ASSERT_TRUE(db.UserFile.GetEqual(user, 0, id));
    user.Flags = flags;
    ASSERT_TRUE(db.UserFile.Rewrite(user, id));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionRefreshTest,
    ::testing::Values(
        TRefreshCase{"Untouched", [](TOrbekoDB&, const std::string&) {}, false, TSessionChange::Same, true, true},
        TRefreshCase{"RightsTaken", [](TOrbekoDB& db, const std::string& id) { SetFlags(db, id, urAddEntries); },
                     false, TSessionChange::Changed, false, true},
        TRefreshCase{"Deleted", [](TOrbekoDB& db, const std::string& id) { ASSERT_TRUE(db.UserFile.Delete(id)); },
                     false, TSessionChange::Gone, false, false},
        TRefreshCase{"IdentifierOfAnotherName",
                     [](TOrbekoDB& db, const std::string& id) {
                         ASSERT_TRUE(db.UserFile.Delete(id));
                         TDiaryRecords(db).User("U9", "Carl", "C", urAdminister);
                     },
                     false, TSessionChange::Gone, false, false},
        TRefreshCase{"AnUnreadableFileChangesNothing",
                     [](TOrbekoDB& db, const std::string& id) { SetFlags(db, id, urAddEntries); }, true,
                     TSessionChange::Same, true, true}),
    [](const ::testing::TestParamInfo<TRefreshCase>& info) { return std::string(info.param.Name); });

}  // namespace
