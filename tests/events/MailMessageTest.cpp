#include "events/MailMessage.h"

#include "storage/Stamp.h"
#include "ui/MailTransport.h"
#include "support/MailTransportFake.h"

#include <gtest/gtest.h>

#include <QDateTime>

namespace {

class MailMessageTest : public ::testing::Test
{
protected:
    void SetUp() override { When.SetDateTime(QDateTime(QDate(2025, 3, 6), QTime(9, 35))); }

    TMailTransportFake Mail;
    TMailMessage Message;
    TStamp When;
};

TEST_F(MailMessageTest, ANewEventGivesItsSubjectAndFourLines)
{
    SendNotification(Message, false, {{"Ann Smith", "ann@example.org"}, {"Carl Jones", "carl@example.org"}}, "Budget meeting",
                     When);

    ASSERT_EQ(Mail.Sent().size(), 1u);
    const TOutgoingMail& sent = Mail.Sent().front();
    EXPECT_EQ(sent.Subject, "New Orbeko Event");
    EXPECT_EQ(sent.Body, "A new event has been added into Orbeko for you. The details are:\r\n"
                         "\r\n"
                         "Budget meeting\r\n"
                         "Thursday March 06, 09:35\r\n");
    ASSERT_EQ(sent.To.size(), 2);
    EXPECT_EQ(sent.To[0].Name, "Ann Smith");
    EXPECT_EQ(sent.To[1].Name, "Carl Jones");
    EXPECT_EQ(sent.To[1].Address, "carl@example.org");
}

TEST_F(MailMessageTest, AChangedEventIsAnUpdate)
{
    SendNotification(Message, true, {{"Bob", "bob@example.org"}}, "Budget meeting", When);

    ASSERT_EQ(Mail.Sent().size(), 1u);
    EXPECT_EQ(Mail.Sent().front().Subject, "Updated Orbeko Event");
    EXPECT_TRUE(Mail.Sent().front().Body.startsWith(
        "An event in Orbeko relating to you has been updated. The details are:\r\n\r\n"));
}

TEST_F(MailMessageTest, TheStampKeepsTheMailsDisplayFormat)
{
    SendNotification(Message, false, {{"Bob", "bob@example.org"}}, "x", When);
    EXPECT_EQ(When.DisplayFormat, "dddd mmmm dd, hh:nn");
}

TEST_F(MailMessageTest, NobodyToTellSendsNothing)
{
    SendNotification(Message, false, {}, "Budget meeting", When);
    EXPECT_TRUE(Mail.Sent().empty());
    EXPECT_EQ(When.DisplayFormat, "hh:nn:ss dd/mm/yy");
}

TEST_F(MailMessageTest, AMessageNoMailProgramTookThrows)
{
    Mail.SetResult(false);
    EXPECT_THROW(SendNotification(Message, false, {{"Bob", "bob@example.org"}}, "x", When), EMailMessage);
}

TEST_F(MailMessageTest, ASecondMessageStartsAfresh)
{
    SendNotification(Message, false, {{"Ann", "ann@example.org"}, {"Bob", "bob@example.org"}}, "first", When);
    SendNotification(Message, true, {{"Carl", "carl@example.org"}}, "second", When);

    ASSERT_EQ(Mail.Sent().size(), 2u);
    const TOutgoingMail& sent = Mail.Sent().back();
    ASSERT_EQ(sent.To.size(), 1);
    EXPECT_EQ(sent.To[0].Name, "Carl");
    EXPECT_EQ(sent.Body.count("\r\n"), 4);
    EXPECT_TRUE(sent.Body.contains("second"));
    EXPECT_FALSE(sent.Body.contains("first"));
}

}  // namespace
