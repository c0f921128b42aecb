#include "support/RecordsFixture.h"

#include "prefs/Session.h"
#include "support/SessionWithRights.h"

#include <gtest/gtest.h>

namespace {

TEST(SessionRightsTest, EachRightIsItsOwnBit)
{
    const TUserRight rights[] = {urAddEntries, urAdminister, urModifyOthers, urAddForOthers};
    const struct
    {
        int32_t Flags;
        std::vector<bool> Held;  // in the order of rights
    } cases[] = {
        {0, {false, false, false, false}},
        {1, {true, false, false, false}},
        {7, {true, true, true, false}},
        {10, {false, true, false, true}},
        {15, {true, true, true, true}},
    };
    for (const auto& c : cases)
        for (std::size_t i = 0; i < std::size(rights); ++i)
            EXPECT_EQ(SessionWithRights("0000000001", c.Flags).HasRight(rights[i]), c.Held[i])
                << "flags " << c.Flags << ", right " << rights[i];
    EXPECT_FALSE(TSession().LoggedIn());
    EXPECT_FALSE(TSession().HasRight(urAddEntries));
}

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
    ASSERT_TRUE(session.LogIn(Db->UserFile, "U2"));
    EXPECT_EQ(session.UserId(), bob);
    EXPECT_EQ(FieldText(session.User().FullName), "Bob");
    EXPECT_TRUE(session.LoggedIn());

    EXPECT_FALSE(session.LogIn(Db->UserFile, "NOBODY"));
    EXPECT_EQ(session.UserId(), bob);
    EXPECT_EQ(FieldText(session.User().FullName), "Bob");
}

}  // namespace
