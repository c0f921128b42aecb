#include "MainWindowFixture.h"
#include "admin/UserDeletion.h"
#include "admin/frmUsers.h"
#include "events/frmEvent.h"
#include "storage/Workstations.h"
#include "support/ClockScript.h"
#include "support/TestDatabase.h"
#include "ui/CheckList.h"
#include "ui/ListBox.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace {

// 2025-03-06 is a Thursday; the week view shows 3 to 9 March.
const QDateTime kThursday(QDate(2025, 3, 6), QTime(15, 20));
const QString kBrunoRemoved = "Your user BRUNO was removed by an administrator.";

std::string HostName()
{
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    return host;
}

// BRUNO logged in at this workstation, on a database in a folder or on the
// test run's PostgreSQL server; ANNA administers it from another one.
class TUserGoneFixture : public TMainWindowFixture
{
public:
    // The cases of the tables below act on the fixture.
    using TMainWindowFixture::Dialogs_;
    using TMainWindowFixture::Messages_;
    using TMainWindowFixture::Window;

    void StartIn(bool server, int32_t brunoRights)
    {
        if (server) {
            if (TTestDatabase::Server().empty())
                GTEST_SKIP() << TTestDatabase::Missing();
            Server_ = std::make_unique<TTestDatabase>();
            auto key = TRegistryKey::Open(true);
            ASSERT_NE(key, nullptr);
            ASSERT_TRUE(key->WriteText("RootPath", QString::fromStdString(Server_->Location())));
            Connect();
        }
        Clock_.emplace(kThursday);
        Anna = AddUser("ANNA", "", urAdminister | urAddEntries | urModifyOthers);
        Bruno = AddUser("BRUNO", "", brunoRights);
        Other = Connect();
        AnswerLogin("BRUNO", "");
        Window("bruno").FormActivate();
        ASSERT_FALSE(Window().Ended());
        ASSERT_EQ(Window().Session().UserId(), Bruno);
    }

    // What an administrator's delete-user wizard does on another
    // workstation: BRUNO's events go to ANNA.
    void RemoveBruno() { TUserDeletion(*Other, {Bruno, Anna, Anna}).Run(); }

    void StoreRights(const std::string& id, int32_t flags)
    {
        TUserRec user;
        ASSERT_TRUE(Other->UserFile.GetEqual(user, 0, id));
        user.Flags = flags;
        ASSERT_TRUE(Other->UserFile.Rewrite(user, id));
    }

    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const TShownMessage& shown : Messages_.Shown())
            texts.append(shown.Text);
        return texts;
    }

    int LoginRuns() const
    {
        int runs = 0;
        for (const TRunDialog& run : Dialogs_.Runs())
            runs += run.Title == "Orbeko Login";
        return runs;
    }

    int EventCount() { return Other->DayEntryFile.RecordCount(); }

    std::unique_ptr<TTestDatabase> Server_;
    std::optional<TClockScript> Clock_;
    std::unique_ptr<TOrbekoDB> Other;
    std::string Anna;
    std::string Bruno;
};

// What becomes of BRUNO's record while he is logged in, and whether the tick
// must find him gone.
struct TTickCase
{
    const char* Name;
    std::function<void(TUserGoneFixture&)> Change;
    bool Gone;
    const char* LoginAs;  // after the removal; null: the login is cancelled
};

class UserGoneTickTest : public TUserGoneFixture, public ::testing::WithParamInterface<std::tuple<bool, TTickCase>>
{
};

TEST_P(UserGoneTickTest, TheTickNoticesARemovedUserAndShowsTheLogin)
{
    const auto& [server, c] = GetParam();
    StartIn(server, urAddEntries);
    if (HasFatalFailure() || IsSkipped())
        return;
    c.Change(*this);
    if (c.LoginAs)
        AnswerLogin(c.LoginAs, "");
    Window().tmrMainTimer();

    if (!c.Gone) {
        EXPECT_TRUE(MessageTexts().isEmpty());
        EXPECT_EQ(LoginRuns(), 1) << "only the start-up's";
        EXPECT_EQ(Window().Session().UserId(), Bruno);
        EXPECT_FALSE(Window().Ended());
        return;
    }
    ASSERT_FALSE(MessageTexts().isEmpty());
    EXPECT_EQ(MessageTexts().front(), kBrunoRemoved);
    EXPECT_EQ(Messages_.Shown().front().Kind, TMessageKind::Information);
    EXPECT_EQ(LoginRuns(), 2) << "the login again after the message";
    if (c.LoginAs) {
        EXPECT_EQ(MessageTexts().size(), 1);
        EXPECT_EQ(Window().Session().UserId(), Anna);
        EXPECT_FALSE(Window().Ended());
        Window().UpdateCommands();
        EXPECT_TRUE(Action("actUsers").isEnabled()) << "ANNA's rights";
    } else {
        EXPECT_EQ(MessageTexts().back(), "You have failed to login. Please contact your administrator");
        EXPECT_TRUE(Window().Ended());
        EXPECT_FALSE(Window().Session().LoggedIn());
    }
    // Nobody is told twice.
    const auto shown = Messages_.Shown().size();
    Window().tmrMainTimer();
    EXPECT_EQ(Messages_.Shown().size(), shown);
}

const TTickCase kTickCases[] = {
    {"Untouched", [](TUserGoneFixture&) {}, false, nullptr},
    {"RightsChanged", [](TUserGoneFixture& f) { f.StoreRights(f.Bruno, urAddEntries | urAddForOthers); }, false,
     nullptr},
    {"DeletedByTheWizardThenAnnaLogsIn", [](TUserGoneFixture& f) { f.RemoveBruno(); }, true, "ANNA"},
    {"DeletedByTheWizardThenTheLoginIsCancelled", [](TUserGoneFixture& f) { f.RemoveBruno(); }, true, nullptr},
    // BRUNO had the highest identifier: the next user added gets it.
    {"HisIdentifierGivenToANewUser",
     [](TUserGoneFixture& f) {
         f.RemoveBruno();
         TDiaryRecords(*f.Other).User("CARLO", "CARLO", "C", urAddEntries);
         TUserRec carlo;
         ASSERT_TRUE(f.Other->UserFile.GetEqual(carlo, 0, f.Bruno)) << "CARLO has BRUNO's identifier";
     },
     true, "ANNA"},
};

std::string CaseName(const ::testing::TestParamInfo<std::tuple<bool, TTickCase>>& info)
{
    return std::get<1>(info.param).Name;
}

INSTANTIATE_TEST_SUITE_P(Folder, UserGoneTickTest, ::testing::Combine(::testing::Values(false), ::testing::ValuesIn(kTickCases)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Server, UserGoneTickTest, ::testing::Combine(::testing::Values(true), ::testing::ValuesIn(kTickCases)),
                         CaseName);

// A write BRUNO tries after his record went, before the tick noticed.
struct TWriteCase
{
    const char* Name;
    // Runs the command; removal() takes his record away at the moment the
    // case says.
    std::function<void(TUserGoneFixture&, const std::function<void()>& removal)> Run;
    // Whether the removal is told as a refusal of the write (the editor was
    // open) rather than at the start of the command, followed by the login.
    bool RefusedInTheEditor;
};

class UserGoneWriteTest : public TUserGoneFixture, public ::testing::WithParamInterface<std::tuple<bool, TWriteCase>>
{
public:
    // ANNA's, which BRUNO may change: the wizard leaves it alone, so only
    // the removal can stop his writes.
    std::string AnnasEvent()
    {
        return TDiaryRecords(*Other).Event(StampOf(QDateTime(QDate(2025, 3, 6), QTime(9, 0))), Anna, {Anna},
                                           "Budget");
    }
    void SelectFirstOfThursday()
    {
        Window().RefreshView();
        TDayView& thursday = Week().Days(3);
        thursday.OnReceivedFocus(&thursday);
        thursday.List().setCurrentRow(0);
    }
    // Answers the editor: the removal happens while it is open, then Ok.
    void EditorRemovesThenOk(const std::function<void()>& removal)
    {
        Dialogs_.Answer([removal](QDialog& dialog) {
            auto& editor = static_cast<TfrmEvent&>(dialog);
            removal();
            editor.edtDescription->setText("Changed while he was gone");
            editor.chkNotify->setChecked(false);
            editor.actOkExecute();
            return editor.isVisible() ? QDialog::Rejected : editor.result();
        });
    }
};

TEST_P(UserGoneWriteTest, AUserWhoseRecordIsGoneWritesNothing)
{
    const auto& [server, c] = GetParam();
    StartIn(server, urAddEntries | urModifyOthers);
    if (HasFatalFailure() || IsSkipped())
        return;
    const std::string event = AnnasEvent();
    TDiaryRecords(*Other).Event(StampOf(QDateTime(QDate(2025, 3, 6), QTime(10, 0))), Bruno, {Bruno}, "His own");
    c.Run(*this, [this] { RemoveBruno(); });

    ASSERT_FALSE(MessageTexts().isEmpty());
    if (c.RefusedInTheEditor) {
        EXPECT_TRUE(MessageTexts().contains(kBrunoRemoved + "\r\rNothing was changed.")) << MessageTexts().join("|").toStdString();
    } else {
        EXPECT_TRUE(MessageTexts().contains(kBrunoRemoved)) << MessageTexts().join("|").toStdString();
        EXPECT_EQ(LoginRuns(), 2) << "the login again after the message";
        EXPECT_FALSE(Window().Session().HasRight(urAddEntries));
    }
    EXPECT_EQ(EventCount(), 2) << "his own went to ANNA, nothing was added";
    TDayEntryRec stored;
    ASSERT_TRUE(Other->DayEntryFile.GetEqual(stored, 0, event));
    EXPECT_EQ(FieldText(stored.OwnerId), Anna);
    EXPECT_EQ(FieldText(stored.Description), "Budget");
    // Whatever is left names no user that is gone.
    TDayEntryRec entry;
    Other->DayEntryFile.GoTop(0);
    while (Other->DayEntryFile.GetNext(entry, 0, "", gcAny))
        EXPECT_NE(FieldText(entry.OwnerId), Bruno);
}

const TWriteCase kWriteCases[] = {
    {"NewEventSavedAfterTheEditorOpened",
     [](TUserGoneFixture& f, const std::function<void()>& removal) {
         auto& test = static_cast<UserGoneWriteTest&>(f);
         f.Messages_.Answer(TMessageAnswer::Yes);  // no category
         f.Messages_.Answer(TMessageAnswer::Ok);
         test.EditorRemovesThenOk(removal);
         f.Window().actEventNewExecute();
     },
     true},
    {"PropertiesSavedAfterTheEditorOpened",
     [](TUserGoneFixture& f, const std::function<void()>& removal) {
         auto& test = static_cast<UserGoneWriteTest&>(f);
         test.SelectFirstOfThursday();
         f.Messages_.Answer(TMessageAnswer::Yes);
         f.Messages_.Answer(TMessageAnswer::Ok);
         test.EditorRemovesThenOk(removal);
         f.Window().actEventPropertiesExecute();
     },
     true},
    {"NewEventAfterTheRemoval",
     [](TUserGoneFixture& f, const std::function<void()>& removal) {
         removal();
         f.Messages_.Answer(TMessageAnswer::Ok);
         f.Dialogs_.Answer([](QDialog&) { return QDialog::Rejected; });
         f.Window().actEventNewExecute();
     },
     false},
    {"DeleteAfterTheRemoval",
     [](TUserGoneFixture& f, const std::function<void()>& removal) {
         static_cast<UserGoneWriteTest&>(f).SelectFirstOfThursday();
         removal();
         f.Messages_.Answer(TMessageAnswer::Ok);
         f.Dialogs_.Answer([](QDialog&) { return QDialog::Rejected; });
         f.Window().actEventDeleteExecute();
     },
     false},
};

std::string WriteCaseName(const ::testing::TestParamInfo<std::tuple<bool, TWriteCase>>& info)
{
    return std::get<1>(info.param).Name;
}

INSTANTIATE_TEST_SUITE_P(Folder, UserGoneWriteTest,
                         ::testing::Combine(::testing::Values(false), ::testing::ValuesIn(kWriteCases)), WriteCaseName);
INSTANTIATE_TEST_SUITE_P(Server, UserGoneWriteTest,
                         ::testing::Combine(::testing::Values(true), ::testing::ValuesIn(kWriteCases)), WriteCaseName);

// A change of BRUNO's rights, and when it must show in the commands.
struct TRightsCase
{
    const char* Name;
    int32_t Before;
    int32_t After;
    // True: BRUNO changes them himself in the users dialog; otherwise ANNA
    // does on another workstation and the tick finds it.
    bool InTheUsersDialog;
};

class UserRightsTest : public TUserGoneFixture, public ::testing::WithParamInterface<std::tuple<bool, TRightsCase>>
{
protected:
    // In the users dialog: select BRUNO, check exactly the items of flags,
    // Update, Close.
    void AnswerUsersDialog(int32_t flags)
    {
        Dialogs_.Answer([flags](QDialog& dialog) {
            auto& users = static_cast<TfrmUsers&>(dialog);
            for (int row = 0; row < users.lstUsers->count(); ++row)
                if (users.lstUsers->item(row)->text() == "BRUNO")
                    users.lstUsers->setCurrentRow(row);
            users.lstUsersClick();
            users.ShowFlags(flags);
            QTest::mouseClick(users.btnUpdate, Qt::LeftButton);
            QTest::mouseClick(users.btnClose, Qt::LeftButton);
            return users.result();
        });
    }
};

TEST_P(UserRightsTest, ChangedRightsApplyWithoutANewLogin)
{
    const auto& [server, c] = GetParam();
    StartIn(server, c.Before);
    if (HasFatalFailure() || IsSkipped())
        return;
    Window().UpdateCommands();
    ASSERT_EQ(Action("actUsers").isEnabled(), (c.Before & urAdminister) != 0);
    if (c.InTheUsersDialog) {
        AnswerUsersDialog(c.After);
        Action("actUsers").trigger();
        ASSERT_EQ(Dialogs_.Runs().back().Title, "Users");
    } else {
        StoreRights(Bruno, c.After);
        Window().tmrMainTimer();
    }
    EXPECT_TRUE(MessageTexts().isEmpty()) << MessageTexts().join("|").toStdString();
    EXPECT_EQ(Window().Session().User().Flags, c.After);
    EXPECT_EQ(Action("actUsers").isEnabled(), (c.After & urAdminister) != 0);
    EXPECT_EQ(Action("actCategories").isEnabled(), (c.After & urAdminister) != 0);
    EXPECT_EQ(Action("actEventNew").isEnabled(), (c.After & urAddEntries) != 0);
    EXPECT_EQ(LoginRuns(), 1) << "no new login";
}

const TRightsCase kRightsCases[] = {
    {"AnotherAdministratorTakesAddEntries", urAddEntries | urAdminister, urAdminister, false},
    {"AnotherAdministratorGrantsAdminister", urAddEntries, urAddEntries | urAdminister, false},
    {"AnotherAdministratorTakesEverything", urAddEntries | urAdminister, 0, false},
    {"HeGivesUpAdministeringHimself", urAddEntries | urAdminister, urAddEntries, true},
    {"HeTakesAwayHisOwnAddEntries", urAddEntries | urAdminister, urAdminister, true},
};

std::string RightsCaseName(const ::testing::TestParamInfo<std::tuple<bool, TRightsCase>>& info)
{
    return std::get<1>(info.param).Name;
}

INSTANTIATE_TEST_SUITE_P(Folder, UserRightsTest,
                         ::testing::Combine(::testing::Values(false), ::testing::ValuesIn(kRightsCases)),
                         RightsCaseName);
INSTANTIATE_TEST_SUITE_P(Server, UserRightsTest,
                         ::testing::Combine(::testing::Values(true), ::testing::ValuesIn(kRightsCases)),
                         RightsCaseName);

// The presence file of a folder, or the server's presence table, names
// whoever is logged in at this workstation, from the start-up's login on.
class UserPresenceTest : public TUserGoneFixture, public ::testing::WithParamInterface<bool>
{
protected:
    std::string Location() const { return Server_ ? Server_->Location() : DataPath(); }
};

TEST_P(UserPresenceTest, ThePresenceNamesTheUserOfEachLogin)
{
    StartIn(GetParam(), urAddEntries);
    if (HasFatalFailure() || IsSkipped())
        return;
    struct TStep
    {
        const char* LoginAs;  // null: the start-up's login, BRUNO
        std::vector<std::string> BrunoHosts;
        std::vector<std::string> AnnaHosts;
    };
    const std::vector<TStep> steps = {
        {nullptr, {HostName()}, {}},
        {"ANNA", {}, {HostName()}},
        {"BRUNO", {HostName()}, {}},
    };
    for (const TStep& step : steps) {
        if (step.LoginAs) {
            AnswerLogin(step.LoginAs, "");
            Window().actFileLoginExecute();
        }
        const char* at = step.LoginAs ? step.LoginAs : "start-up";
        EXPECT_EQ(TWorkstations::HostsOf(Location(), Bruno), step.BrunoHosts) << at;
        EXPECT_EQ(TWorkstations::HostsOf(Location(), Anna), step.AnnaHosts) << at;
    }
    Window_.reset();
    EXPECT_TRUE(TWorkstations::HostsOf(Location(), Bruno).empty()) << "gone with the program";
}

INSTANTIATE_TEST_SUITE_P(Homes, UserPresenceTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Server" : "Folder"; });

}  // namespace
