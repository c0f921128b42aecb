#include "AdminFixture.h"
#include "admin/UserAccounts.h"
#include "admin/UserDeletion.h"
#include "admin/frmDeleteUser.h"
#include "storage/DatabaseCheck.h"
#include "kfstore/StoreHome.h"
#include "kfstore/folder/Presence.h"
#include "storage/DatabaseFiles.h"
#include "support/ChildProcess.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>

#include <chrono>
#include <memory>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {

const std::string kNone = "0000000000";
// When the budget meetings are, and their alarms due.
const std::string kMeeting = "0946717200";
const std::string kAlarmDue = "0946716300";

// Rewrites the description of event args[1] in the day entries file
// args[0] with args[2], under its lock: another workstation's edit.
ORBEKO_CHILD_ROLE(RewriteDescription)
{
    TXIsamFile file;
    TDayEntryRec entry;
    if (!file.Open(args[0], 3) || !file.LockRecord(args[1]) || !file.GetEqual(entry, 0, args[1]))
        return 1;
    SetField(entry.Description, args[2]);
    const bool written = file.Rewrite(entry, args[1]);
    file.UnlockRecord(args[1]);
    return written ? 0 : 1;
}

// An event as stored: owner and the twenty assignee slots; empty when gone.
struct TStored
{
    std::string Owner;
    std::vector<std::string> Assignees;
    bool operator==(const TStored&) const = default;
};

// The owner and the first slots as given, the others empty.
TStored Expect(const std::string& owner, std::vector<std::string> assignees)
{
    assignees.resize(kMaxAssignees, kNone);
    return {owner, assignees};
}

// BOB is deleted; CID and DEE are the users his events may go to.
class DeleteUserTest : public TAdminFixture
{
protected:
    TStored Stored(const std::string& id)
    {
        TOrbekoDB db(Shell_);
        TDayEntryRec entry;
        if (!db.DayEntryFile.GetEqual(entry, 0, id))
            return {};
        TStored stored{FieldText(entry.OwnerId), {}};
        for (const auto& slot : entry.AssigneeIds)
            stored.Assignees.push_back(FieldText(slot));
        return stored;
    }

    std::vector<std::string> AlarmUsers()
    {
        TOrbekoDB db(Shell_);
        std::vector<std::string> users;
        TAlarmRec alarm;
        db.AlarmFile.GoTop(0);
        while (db.AlarmFile.GetNext(alarm, 0, "", gcAny))
            users.push_back(FieldText(alarm.UserId));
        return users;
    }

    // Runs the wizard for BOB; inside acts in it, and its result is the run's.
    int Run(const std::function<void()>& inside)
    {
        Dialogs.Answer([this, inside](QDialog&) {
            inside();
            return Form.result();
        });
        return Form.Execute(kBob, *Db);
    }

    void Choose(QRadioButton* choice, QComboBox* list, const std::string& userId)
    {
        choice->click();
        if (list)
            list->setCurrentIndex(list->findData(QVariant::fromValue(IdValue(userId))));
    }

    void GoToLastPage()
    {
        while (Form.btnNext->isEnabled())
            QTest::mouseClick(Form.btnNext, Qt::LeftButton);
    }

    TfrmDeleteUser Form;

    // The same four users on the server, the wizard's connection there.
    void MoveToServer()
    {
        if (TTestDatabase::Server().empty())
            GTEST_SKIP() << TTestDatabase::Missing();
        Server_ = std::make_unique<TTestDatabase>();
        auto key = TRegistryKey::Open(true);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(key->WriteText("RootPath", QString::fromStdString(Server_->Location())));
        Records.reset();
        Db = Connect();
        Records.emplace(*Db);
        Records->User("ANN", "ANN Full", "A", urAddEntries | urAdminister | urModifyOthers);
        for (const std::string name : {"BOB", "CID", "DEE"})
            Records->User(name, name + " Full", name.substr(0, 1), urAddEntries);
    }

    void TearDown() override
    {
        Db.reset();
        Server_.reset();
        TAdminFixture::TearDown();
    }

    // The database's location: the folder, or the server after MoveToServer.
    std::string Location() const { return Server_ ? Server_->Location() : DataPath(); }

    std::unique_ptr<TTestDatabase> Server_;
};

TEST_F(DeleteUserTest, PagesOfferTheirButtonsAndTheOtherUsers)
{
    auto buttons = [this] {
        return std::vector<bool>{Form.btnPrev->isEnabled(), Form.btnNext->isEnabled(), Form.btnDelete->isEnabled(),
                                 Form.btnCancel->isEnabled()};
    };
    Run([&] {
        EXPECT_EQ(buttons(), (std::vector<bool>{false, true, false, true}));
        EXPECT_TRUE(Form.rdoOwnerTransfer->isChecked() && Form.rdoAssignedAssign->isChecked());
        ASSERT_EQ(Form.cmbOwner->count(), 3);
        EXPECT_EQ(Form.cmbOwner->itemText(0), "ANN Full");
        EXPECT_EQ(Form.cmbAssigned->itemText(2), "DEE Full");
        Form.rdoOwnerDelete->click();
        EXPECT_FALSE(Form.cmbOwner->isEnabled());
        GoToLastPage();
        EXPECT_EQ(Form.nbkMain->currentWidget()->objectName(), "DoIt");
        EXPECT_EQ(buttons(), (std::vector<bool>{true, false, true, true}));
        EXPECT_TRUE(Form.prgScanning->isHidden());
        QTest::mouseClick(Form.btnCancel, Qt::LeftButton);
    });
    TUserRec bob;
    EXPECT_TRUE(StoredUser(kBob, bob)) << "cancel deletes nothing";
}

// One event of BOB's kind, an event that is not his, one alarm of CID's,
// and BobAlarms alarms of BOB's on the event.
struct TRunCase
{
    const char* Name;
    bool DeleteOwned;
    bool DeleteAssigned;
    std::string Owner;
    std::vector<std::string> Assignees;
    int BobAlarms;
    TStored After;  // empty: deleted
};

class DeleteUserRunTest : public DeleteUserTest, public ::testing::WithParamInterface<TRunCase>
{
};

TEST_P(DeleteUserRunTest, RunHandlesTheEvent)
{
    const TRunCase& c = GetParam();
    const std::string untouched = Records->Event(kMeeting, kCid, {kCid, kDee}, "Budget meeting");
    const std::string id = Records->Event(kMeeting, c.Owner, c.Assignees, "Budget meeting");
    TDayEntryRec before;
    ASSERT_TRUE(Db->DayEntryFile.GetEqual(before, 0, id));
    TEventDetails details;
    details.Place = QStringLiteral("Room 3");
    Db->Details.WriteEvent(id, before, details, nullptr);
    Db->Details.SetUserEmail(kBob, QStringLiteral("bob@example.org"));
    for (int alarm = 0; alarm < c.BobAlarms; ++alarm)
        Records->Alarm(id, kBob, kAlarmDue);
    Records->Alarm(untouched, kCid, kAlarmDue);
    Messages.Answer(TMessageAnswer::Ok);
    const int result = Run([&] {
        if (c.DeleteOwned)
            Choose(Form.rdoOwnerDelete, nullptr, {});
        else
            Choose(Form.rdoOwnerTransfer, Form.cmbOwner, kCid);
        if (c.DeleteAssigned)
            Choose(Form.rdoAssignedDelete, nullptr, {});
        else
            Choose(Form.rdoAssignedAssign, Form.cmbAssigned, kDee);
        GoToLastPage();
        QTest::mouseClick(Form.btnDelete, Qt::LeftButton);
        EXPECT_EQ(Form.prgScanning->maximum(), 2);
        EXPECT_EQ(Form.prgScanning->value(), 2);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Stored(id), c.After);
    EXPECT_EQ(Stored(untouched), Expect(kCid, {kCid, kDee}));
    EXPECT_EQ(AlarmUsers(), std::vector<std::string>{kCid});
    const std::vector<QString> shown(c.BobAlarms > 0, "Some alarms associated with this user were deleted");
    std::vector<QString> texts;
    for (const TShownMessage& message : Messages.Shown())
        texts.push_back(message.Text);
    EXPECT_EQ(texts, shown);
    TUserRec bob;
    EXPECT_FALSE(StoredUser(kBob, bob));
    // The event keeps its details, for its new owner too, or they go with it.
    TOrbekoDB db(Shell_);
    TDayEntryRec after;
    if (db.DayEntryFile.GetEqual(after, 0, id)) {
        EXPECT_EQ(db.Details.Event(id, after), details);
    }
    EXPECT_EQ(db.Details.File().RecordCount(), c.After == TStored{} ? 0 : 1);
    EXPECT_TRUE(db.Details.UserEmail(kBob).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeleteUserRunTest,
    ::testing::Values(TRunCase{"Transfer", false, false, kBob, {kBob, kDee}, 0, Expect(kCid, {kNone, kDee})},
                      TRunCase{"DeleteOwned", true, false, kBob, {kCid, kDee}, 0, {}},
                      TRunCase{"ClearOneOfThree", false, false, kAnn, {kCid, kBob, kDee}, 2,
                               Expect(kAnn, {kCid, kNone, kDee})},
                      TRunCase{"Assign", false, false, kAnn, {kBob}, 1, Expect(kAnn, {kDee})},
                      TRunCase{"DeleteAssigned", false, true, kAnn, {kBob}, 0, {}}),
    [](const ::testing::TestParamInfo<TRunCase>& info) { return std::string(info.param.Name); });

// The run stops at the held event with the lock message and leaves BOB in
// place; once the other workstation lets go, a second run finishes.
TEST_F(DeleteUserTest, LockedEventStopsTheRunUntilReleased)
{
    const std::string first = Records->Event(kMeeting, kAnn, {kBob}, "Budget meeting");
    const std::string held = Records->Event(kMeeting, kBob, {kBob}, "Budget meeting");
    auto holder = std::make_unique<TChildProcess>(
        "HoldRecordLock", std::vector<std::string>{DataFile(TOrbekoDB::DayEntryFileName), held});
    std::string line;
    ASSERT_TRUE(holder->ReadLine(line));
    ASSERT_EQ(line, "locked");
    const int result = Run([&] {
        Choose(Form.rdoOwnerTransfer, Form.cmbOwner, kCid);
        Choose(Form.rdoAssignedAssign, Form.cmbAssigned, kDee);
        GoToLastPage();
        try {
            Form.actDeleteExecute();
            ADD_FAILURE() << "the run went through a held event";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), TUserDeletion::LockedMessage);
        }
        EXPECT_TRUE(Form.isVisible());
        EXPECT_TRUE(Form.btnDelete->isEnabled());
        EXPECT_EQ(Stored(first), Expect(kAnn, {kDee}));
        EXPECT_EQ(Stored(held), Expect(kBob, {kBob}));
        TUserRec bob;
        EXPECT_TRUE(StoredUser(kBob, bob));
        holder.reset();
        Form.actDeleteExecute();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Stored(first), Expect(kAnn, {kDee}));
    EXPECT_EQ(Stored(held), Expect(kCid, {kDee}));
}

// Another workstation saves the event after the walk has read it and
// before the run locks it: its change stays, with the run's on top.
TEST_F(DeleteUserTest, ChangeSavedAfterTheReadIsKept)
{
    const std::string id = Records->Event(kMeeting, kAnn, {kCid, kBob}, "Budget meeting");
    TUserDeletion deletion(*Db, {kBob, kCid, kDee});
    deletion.OnStep = [&] {
        TChildProcess editor("RewriteDescription", {DataFile(TOrbekoDB::DayEntryFileName), id, "Moved to Friday"});
        EXPECT_EQ(editor.Wait(), 0);
    };
    EXPECT_FALSE(deletion.Run());
    TOrbekoDB db(Shell_);
    TDayEntryRec entry;
    ASSERT_TRUE(db.DayEntryFile.GetEqual(entry, 0, id));
    EXPECT_EQ(FieldText(entry.Description), "Moved to Friday");
    EXPECT_EQ(FieldText(entry.AssigneeIds[0]), kCid);
    EXPECT_EQ(FieldText(entry.AssigneeIds[1]), kNone);
}

// BOB is deleted only while someone else keeps the right "Can administer";
// ANN, logged in, may have lost it on another workstation. A refusal
// changes nothing.
struct TLastAdministratorCase
{
    const char* Name;
    std::vector<std::string> Administrators;
    std::vector<std::string> AfterOpening;  // as another workstation leaves them; empty: unchanged
    bool TurnHeldElsewhere;
    bool Shown;
    TMessageKind Kind;
    std::string Message;  // empty: deleted
};

void PrintTo(const TLastAdministratorCase& c, std::ostream* os)
{
    *os << c.Name;
}

class LastAdministratorTest : public DeleteUserTest, public ::testing::WithParamInterface<TLastAdministratorCase>
{
};

TEST_P(LastAdministratorTest, IsNotDeleted)
{
    const TLastAdministratorCase& c = GetParam();
    const std::string owned = Records->Event(kMeeting, kBob, {kBob}, "Budget meeting");
    Administrators(*Db, c.Administrators);
    auto other = Connect();
    std::optional<TRecordLock> turn;
    if (c.TurnHeldElsewhere)
        turn.emplace(TUserAccounts(other->UserFile).RightsTurn());
    Messages.Answer(TMessageAnswer::Ok);
    bool shown = false;
    const int result = Run([&] {
        shown = true;
        if (!c.AfterOpening.empty())
            Administrators(*other, c.AfterOpening);
        GoToLastPage();
        QTest::mouseClick(Form.btnDelete, Qt::LeftButton);
        if (Form.isVisible())
            QTest::mouseClick(Form.btnCancel, Qt::LeftButton);
    });
    EXPECT_EQ(shown, c.Shown);
    EXPECT_EQ(result, c.Message.empty() ? QDialog::Accepted : QDialog::Rejected);
    TUserRec bob;
    EXPECT_EQ(StoredUser(kBob, bob), !c.Message.empty());
    ASSERT_EQ(Messages.Shown().size(), c.Message.empty() ? 0u : 1u);
    if (c.Message.empty())
        return;
    EXPECT_EQ(Messages.Shown()[0].Kind, c.Kind);
    EXPECT_EQ(Messages.Shown()[0].Text.toStdString(), c.Message);
    EXPECT_EQ(Stored(owned), Expect(kBob, {kBob})) << "his events are left as they were";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LastAdministratorTest,
    ::testing::Values(
        TLastAdministratorCase{"OnlyAdministrator", {kBob}, {}, false, false, TMessageKind::Information,
                               TUserAccounts::LastAdministratorText("BOB")},
        TLastAdministratorCase{"AnotherRemains", {kBob, kCid}, {}, false, true, TMessageKind::Information, ""},
        TLastAdministratorCase{"TheOtherLosesTheRightMeanwhile", {kBob, kCid}, {kBob}, false, true,
                               TMessageKind::Information, TUserAccounts::LastAdministratorText("BOB")},
        TLastAdministratorCase{"AnotherWorkstationTakesARight", {kBob, kCid}, {}, true, true, TMessageKind::Error,
                               TUserDeletion::LockedMessage}),
    [](const ::testing::TestParamInfo<TLastAdministratorCase>& info) { return std::string(info.param.Name); });

// Workstations on the folder, each with the user logged in there, while
// BOB is deleted; the administrator's answer to the question, if one comes.
struct TLoggedInCase
{
    const char* Name;
    std::vector<std::pair<std::string, std::string>> LoggedIn;  // id, user name
    std::optional<TMessageAnswer> Answer;
    bool Deleted;
};

// On a folder or on the test run's PostgreSQL server.
class DeleteUserLoggedInTest : public DeleteUserTest,
                               public ::testing::WithParamInterface<std::tuple<bool, TLoggedInCase>>
{
protected:
    // A workstation where the user is logged in, as long as the test runs.
    void LoggedIn(const std::string& id, const std::string& name)
    {
        if (Server_)
            Workstations_.push_back(StoreHomes::OfLocation(Server_->Location())->Join(Server_->Location()));
        else
            Workstations_.push_back(std::make_unique<TPresence>(DataPath(), kDatabaseFiles, std::chrono::seconds(10)));
        ASSERT_NE(Workstations_.back(), nullptr);
        Workstations_.back()->SetUser(id, name);
    }

    void TearDown() override
    {
        Workstations_.clear();
        DeleteUserTest::TearDown();
    }

    std::vector<std::unique_ptr<TStorePresence>> Workstations_;
};

TEST_P(DeleteUserLoggedInTest, TheWizardAsksBeforeDeletingAUserWhoIsLoggedIn)
{
    const auto& [server, c] = GetParam();
    if (server)
        MoveToServer();
    if (HasFatalFailure() || IsSkipped())
        return;
    for (const auto& [id, name] : c.LoggedIn)
        LoggedIn(id, name);
    if (c.Answer)
        Messages.Answer(*c.Answer);
    const int result = Run([&] {
        GoToLastPage();
        QTest::mouseClick(Form.btnDelete, Qt::LeftButton);
        if (Form.isVisible())
            QTest::mouseClick(Form.btnCancel, Qt::LeftButton);
    });
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    std::vector<QString> expected;
    if (c.Answer)
        expected.push_back(QStringLiteral("BOB is logged in on %1.\r\rIf you delete him now, his workstation logs him "
                                          "out and he loses what he has not saved.\r\rDelete BOB anyway?")
                               .arg(QString::fromLocal8Bit(host)));
    std::vector<QString> questions;
    for (const TShownMessage& message : Messages.Shown()) {
        EXPECT_EQ(message.Kind, TMessageKind::Confirmation) << message.Text.toStdString();
        EXPECT_EQ(message.Buttons, TMessageButtons::YesNo);
        questions.push_back(message.Text);
    }
    EXPECT_EQ(questions, expected);
    EXPECT_EQ(result, c.Deleted ? QDialog::Accepted : QDialog::Rejected);
    TUserRec bob;
    EXPECT_EQ(StoredUser(kBob, bob), !c.Deleted);
}

const TLoggedInCase kLoggedInCases[] = {
    {"NobodyLoggedIn", {}, std::nullopt, true},
    {"AnotherUserLoggedIn", {{kCid, "CID"}}, std::nullopt, true},
    {"HeIsLoggedInAndTheAdministratorStops", {{kBob, "BOB"}}, TMessageAnswer::No, false},
    {"HeIsLoggedInAndTheAdministratorGoesOn", {{kBob, "BOB"}}, TMessageAnswer::Yes, true},
    {"HeIsLoggedInTwiceOnOneHost", {{kBob, "BOB"}, {kCid, "CID"}, {kBob, "BOB"}}, TMessageAnswer::No, false},
};

std::string LoggedInName(const ::testing::TestParamInfo<std::tuple<bool, TLoggedInCase>>& info)
{
    return std::get<1>(info.param).Name;
}

INSTANTIATE_TEST_SUITE_P(Folder, DeleteUserLoggedInTest,
                         ::testing::Combine(::testing::Values(false), ::testing::ValuesIn(kLoggedInCases)),
                         LoggedInName);
INSTANTIATE_TEST_SUITE_P(Server, DeleteUserLoggedInTest,
                         ::testing::Combine(::testing::Values(true), ::testing::ValuesIn(kLoggedInCases)),
                         LoggedInName);

// An event of BOB's with alarms of other users on it; after the run no
// alarm is left on an event that is gone, and the check finds nothing.
struct TOthersAlarmsCase
{
    const char* Name;
    std::string NewOwner;  // empty: his events are deleted
    std::vector<std::string> Assignees;
    std::vector<std::string> Alarms;  // users with an alarm on the event
    std::vector<std::string> AlarmsAfter;
};

void PrintTo(const TOthersAlarmsCase& c, std::ostream* os)
{
    *os << c.Name;
}

class DeleteUserOthersAlarmsTest : public DeleteUserTest,
                                   public ::testing::WithParamInterface<std::tuple<bool, TOthersAlarmsCase>>
{
};

TEST_P(DeleteUserOthersAlarmsTest, AnEventThatGoesTakesEveryAlarmOnIt)
{
    const auto& [server, c] = GetParam();
    if (server)
        MoveToServer();
    if (HasFatalFailure() || IsSkipped())
        return;
    // CID's alarm on an event that stays stays.
    const std::string other = Records->Event(kMeeting, kCid, {kCid}, "Budget meeting");
    Records->Alarm(other, kCid, kAlarmDue);
    const std::string id = Records->Event(kMeeting, kBob, c.Assignees, "Budget meeting");
    for (const std::string& user : c.Alarms)
        Records->Alarm(id, user, kAlarmDue);
    TUserDeletion(*Db, {kBob, c.NewOwner, kDee}).Run();
    std::vector<std::string> expected = c.AlarmsAfter;
    expected.insert(expected.begin(), kCid);
    std::vector<std::string> users = AlarmUsers();
    std::sort(users.begin(), users.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(users, expected);
    Db.reset();
    std::vector<std::string> problems;
    TDatabaseCheck([&problems](const TProblem& problem) {
        problems.push_back(problem.File + " " + problem.Record + ": " + problem.Text);
    }).CheckQuiet(Location());
    EXPECT_EQ(problems, std::vector<std::string>{});
}

const TOthersAlarmsCase kOthersAlarmsCases[] = {
    {"DeletedWithTheOthersAlarms", "", {kBob, kCid, kDee}, {kBob, kCid, kDee}, {}},
    {"DeletedWithoutHisOwnAlarm", "", {kCid}, {kCid}, {}},
    {"HandedOnKeepsTheOthersAlarms", kCid, {kBob, kCid, kDee}, {kBob, kCid, kDee}, {kCid, kDee}},
};

std::string OthersAlarmsName(const ::testing::TestParamInfo<std::tuple<bool, TOthersAlarmsCase>>& info)
{
    return std::get<1>(info.param).Name;
}

INSTANTIATE_TEST_SUITE_P(Folder, DeleteUserOthersAlarmsTest,
                         ::testing::Combine(::testing::Values(false), ::testing::ValuesIn(kOthersAlarmsCases)),
                         OthersAlarmsName);
INSTANTIATE_TEST_SUITE_P(Server, DeleteUserOthersAlarmsTest,
                         ::testing::Combine(::testing::Values(true), ::testing::ValuesIn(kOthersAlarmsCases)),
                         OthersAlarmsName);

}  // namespace
