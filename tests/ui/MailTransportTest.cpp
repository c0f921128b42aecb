#include "ui/MailTransport.h"
#include "support/MailTransportFake.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QUrlQuery>

namespace {

struct TUrlCase
{
    const char* Name;
    TOutgoingMail Mail;
    QByteArray Url;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TUrlCase& c, std::ostream* os)
{
    *os << c.Name;
}

class MailtoUrl : public ::testing::TestWithParam<TUrlCase>
{
};

TEST_P(MailtoUrl, EncodesEveryField)
{
    const TUrlCase& c = GetParam();
    EXPECT_EQ(TMailTransport::MailtoUrl(c.Mail).toEncoded(), c.Url);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MailtoUrl,
    ::testing::Values(
        TUrlCase{"NamesOnly",
                 {"New Orbeko Event", "", {{"Ann Smith", ""}, {"Bob", ""}}},
                 "mailto:Ann%20Smith,Bob?subject=New%20Orbeko%20Event&body="},
        TUrlCase{"NameWithCommaIsQuoted",
                 {"s", "b", {{"Smith, Ann", ""}}},
                 "mailto:%22Smith%2C%20Ann%22?subject=s&body=b"},
        TUrlCase{"QuoteInNameIsEscaped",
                 {"s", "b", {{"Ann \"Nan\" Lee", ""}}},
                 "mailto:%22Ann%20%5C%22Nan%5C%22%20Lee%22?subject=s&body=b"},
        TUrlCase{"NameAndAddress",
                 {"s", "b", {{"Ann Smith", "ann@example.org"}, {"", "bob@example.org"}}},
                 "mailto:Ann%20Smith%20%3Cann%40example.org%3E,bob%40example.org?subject=s&body=b"},
        TUrlCase{"Delimiters", {"Q&A = 100% ?#+", "a&body=b", {}},
                 "mailto:?subject=Q%26A%20%3D%20100%25%20%3F%23%2B&body=a%26body%3Db"},
        TUrlCase{"NonAscii",
                 {QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac"), "", {{QString::fromUtf8("J\xc3\xa9r\xc3\xb4me"), ""}}},
                 "mailto:J%C3%A9r%C3%B4me?subject=Caf%C3%A9%20%E2%82%AC&body="},
        TUrlCase{"LineBreaksBecomeCrLf", {"s", "one\ntwo\r\nthree\rfour\n", {}},
                 "mailto:?subject=s&body=one%0D%0Atwo%0D%0Athree%0D%0Afour%0D%0A"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(MailTransport, UrlDecodesToTheMessage)
{
    const TOutgoingMail mail{QString::fromUtf8("Updated Orbeko Event \xe2\x80\x93 R&D"),
                             "An event in Orbeko relating to you has been updated. The details are:\r\n\r\n"
                             "Lunch & talk = 50%\r\nMonday June 03, 12:30\r\n",
                             {{"Smith, Ann", ""}, {QString::fromUtf8("Zo\xc3\xab"), "zoe@example.org"}}};
    const QUrl url = TMailTransport::MailtoUrl(mail);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), "mailto");
    EXPECT_EQ(url.path(QUrl::FullyDecoded), QString::fromUtf8("\"Smith, Ann\",Zo\xc3\xab <zoe@example.org>"));
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), mail.Subject);
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), mail.Body);
}

TEST(MailTransportFake, RecordsWhatWouldBeSentAndReportsTheResultSet)
{
    TMailTransportFake fake;
    EXPECT_TRUE(TMailTransport::Send({"New Orbeko Event", "body", {{"Ann Smith", ""}}}));
    fake.SetResult(false);
    EXPECT_FALSE(TMailTransport::Send({"Updated Orbeko Event", "body", {{"Bob", ""}, {"Cy", ""}}}));
    ASSERT_EQ(fake.Sent().size(), 2u);
    EXPECT_EQ(fake.Sent()[0].Subject, "New Orbeko Event");
    ASSERT_EQ(fake.Sent()[1].To.size(), 2);
    EXPECT_EQ(fake.Sent()[1].To[1].Name, "Cy");
}

TEST(MailTransportFake, OuterFakeComesBackAfterTheInnerGoes)
{
    TMailTransportFake outer;
    {
        TMailTransportFake inner;
        inner.SetResult(false);
        EXPECT_FALSE(TMailTransport::Send({"inner", "", {}}));
    }
    EXPECT_TRUE(TMailTransport::Send({"outer", "", {}}));
    ASSERT_EQ(outer.Sent().size(), 1u);
    EXPECT_EQ(outer.Sent()[0].Subject, "outer");
}

// Takes the mailto: links the desktop would hand to the mail program.
class TMailProgram : public QObject
{
    Q_OBJECT

public:
    TMailProgram() { QDesktopServices::setUrlHandler("mailto", this, "Open"); }
    ~TMailProgram() override { QDesktopServices::unsetUrlHandler("mailto"); }

    QList<QUrl> Opened;
    bool Waiting = false;

public slots:
    void Open(const QUrl& url)
    {
        Opened.append(url);
        Waiting = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    }
};

TEST(MailTransport, RealTransportOpensTheLinkUnderTheHourglass)
{
    const TMailProgram program;
    const TOutgoingMail mail{"New Orbeko Event", "Hello", {{"Ann Smith", ""}}};
    EXPECT_TRUE(TMailTransport::Send(mail));
    ASSERT_EQ(program.Opened.size(), 1);
    EXPECT_EQ(program.Opened[0], TMailTransport::MailtoUrl(mail));
    EXPECT_TRUE(program.Waiting);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace

#include "MailTransportTest.moc"
