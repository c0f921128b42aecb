#include "MainWindowFixture.h"
#include "app/frmNotify.h"
#include "kfstore/StoreHome.h"
#include "kfstore/server/PgConnection.h"
#include "storage/RegistryKey.h"
#include "storage/Stamp.h"
#include "support/ClockScript.h"
#include "support/TestDatabase.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

const QDate kDay(2025, 3, 6);  // a Thursday

QDateTime At(int hour, int minute, int second = 0)
{
    return QDateTime(kDay, QTime(hour, minute, second));
}

// ANNA is logged in on a workstation whose diary is on the test run's
// server; another workstation writes beside it. The test shuts every
// session out of the diary's database, as a server that went down, and
// lets them in again, as one that came back.
class ServerOutageTest : public TMainWindowFixture
{
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        if (TTestDatabase::Server().empty())
            GTEST_SKIP() << TTestDatabase::Missing();
        Database_.emplace();
        auto key = TRegistryKey::Open(true);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(key->WriteText("RootPath", QString::fromStdString(Database_->Location())));
        Connect();  // makes the diary there
        Anna_ = AddUser("ANNA", "", urAddEntries);
        AnswerLogin("ANNA", "");
        Window("anna").FormActivate();
        ASSERT_FALSE(Window().Ended());
        Other_ = Connect();
        Others_.emplace(*Other_);
        ASSERT_EQ(Admin_.Open(TTestDatabase::Server()), 0);
        TPgConnection database;
        ASSERT_EQ(database.Open(Database_->Location()), 0);
        const TPgResult name = database.Exec("SELECT current_database()");
        ASSERT_TRUE(name.Ok());
        DatabaseName_ = std::string(name.Bytes(0, 0));
    }
    void TearDown() override
    {
        if (Admin_.Handle())
            Admin_.Exec("ALTER DATABASE " + DatabaseName_ + " ALLOW_CONNECTIONS true");
        Others_.reset();
        Other_.reset();
        TMainWindowFixture::TearDown();
    }

    void Down()
    {
        ASSERT_TRUE(Admin_.Exec("ALTER DATABASE " + DatabaseName_ + " ALLOW_CONNECTIONS false").Ok());
        ASSERT_TRUE(Admin_
                        .Exec("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE datname = " +
                              Admin_.Literal(DatabaseName_))
                        .Ok());
    }
    void Up() { ASSERT_TRUE(Admin_.Exec("ALTER DATABASE " + DatabaseName_ + " ALLOW_CONNECTIONS true").Ok()); }

    // The ten-second tick at the time given.
    void TickAt(const QDateTime& when)
    {
        Now_ = when;
        EXPECT_NO_THROW(Window().tmrMainTimer()) << when.toString().toStdString();
    }

    int Notices() const
    {
        return static_cast<int>(std::count_if(Dialogs_.Runs().begin(), Dialogs_.Runs().end(),
                                              [](const TRunDialog& run) { return run.ClassName == "TfrmNotify"; }));
    }
    void AnswerOff()
    {
        Dialogs_.Answer([this](QDialog& dialog) {
            auto& notice = static_cast<TfrmNotify&>(dialog);
            Seen_.push_back(notice.edtDescription->text());
            notice.btnRemove->click();
            return notice.result();
        });
    }
    int ThursdayRows() { return Week().Days(3).Entries().EntryCount(); }
    std::vector<QString> MessageTexts() const
    {
        std::vector<QString> texts;
        for (const TShownMessage& message : Messages_.Shown())
            texts.push_back(message.Text);
        return texts;
    }
    QString OutageText(const std::string& cause) const
    {
        return QString::fromStdString("The diary server " + StoreHomes::Shown(Database_->Location()) +
                                      " cannot be reached: " + cause + ". Orbeko tries again every ten seconds.");
    }

    QDateTime Now_ = At(9, 0);
    TClockScript Clock_{[this] { return Now_; }};
    std::optional<TTestDatabase> Database_;
    TPgConnection Admin_;
    std::string DatabaseName_;
    std::unique_ptr<TOrbekoDB> Other_;
    std::optional<TDiaryRecords> Others_;
    std::vector<QString> Seen_;
    std::string Anna_;
};

TEST_F(ServerOutageTest, AnOutageIsToldOnceAndTheViewsAndAlarmsCatchUpWhenTheServerIsBack)
{
    const std::string entry = Others_->Event(StampOf(At(9, 5)), Anna_, {Anna_}, "stand-up");
    Others_->Alarm(entry, Anna_, StampOf(At(9, 5)));
    TickAt(At(9, 0));
    ASSERT_EQ(ThursdayRows(), 1);
    // Written just before the server went: no tick saw it.
    Others_->Event(StampOf(At(11, 0)), Anna_, {Anna_}, "review");
    Messages_.Answer(TMessageAnswer::Ok);
    Down();

    // The alarm falls due while the server is away.
    for (const QDateTime& when : {At(9, 0, 10), At(9, 0, 20), At(9, 5, 0), At(9, 5, 10)})
        TickAt(when);
    EXPECT_EQ(MessageTexts(), std::vector<QString>{OutageText("the database does not accept connections")})
        << "told once, with the server and the cause";
    EXPECT_EQ(Messages_.UnexpectedCount(), 0);
    EXPECT_EQ(Notices(), 0);

    Up();
    AnswerOff();
    TickAt(At(9, 5, 20));
    EXPECT_EQ(ThursdayRows(), 2) << "the view is read afresh";
    EXPECT_EQ(Seen_, std::vector<QString>{"stand-up"}) << "what fell due meanwhile is shown";
    EXPECT_EQ(Messages_.Shown().size(), 1u);

    // A later outage is told again.
    Messages_.Answer(TMessageAnswer::Ok);
    Down();
    TickAt(At(9, 5, 30));
    TickAt(At(9, 5, 40));
    EXPECT_EQ(Messages_.Shown().size(), 2u);
    Up();
    TickAt(At(9, 5, 50));
    EXPECT_EQ(Messages_.Shown().size(), 2u);
    EXPECT_EQ(Messages_.UnexpectedCount(), 0);
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
}

}  // namespace
