#include "support/RecordsFixture.h"

#include "prefs/Session.h"

#include <gtest/gtest.h>

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

}  // namespace
