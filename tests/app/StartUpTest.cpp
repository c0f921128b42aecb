#include "app/HelpWindow.h"
#include "app/InstanceLock.h"
#include "app/frmLogin.h"
#include "MainWindowFixture.h"
#include "storage/RegistryKey.h"
#include "views/DayView.h"
#include "views/WeekView.h"
#include "support/FolderPromptScript.h"
#include "support/MessageBoxScript.h"
#include "support/PopupEscape.h"

#include <QAction>
#include <QTimer>
#include <QLineEdit>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>

namespace {

const QString kLoginFailed = "You have failed to login. Please contact your administrator";

class StartUpTest : public TMainWindowFixture
{
};

struct TFirstAdministratorCase
{
    const char* Account;
    const char* UserName;
};

class FirstAdministratorTest : public TMainWindowFixture,
                               public ::testing::WithParamInterface<TFirstAdministratorCase>
{
};

TEST_P(FirstAdministratorTest, EmptyDatabaseMakesTheAccountItsAdministrator)
{
    const auto& param = GetParam();
    TfrmMain& window = Window(param.Account);
    window.FormActivate();

    ASSERT_FALSE(window.Ended());
    ASSERT_NE(window.MainDb(), nullptr);
    EXPECT_EQ(window.MainDb()->UserFile.RecordCount(), 1);
    EXPECT_EQ(window.Session().UserId(), "0000000001");
    TUserRec stored{};
    ASSERT_TRUE(window.MainDb()->UserFile.GetEqual(stored, 0, "0000000001"));
    EXPECT_STREQ(stored.UserName, param.UserName);
    EXPECT_STREQ(stored.FullName, param.UserName);
    EXPECT_STREQ(stored.Abbreviation, param.UserName);
    EXPECT_STREQ(stored.Password, "");
    EXPECT_EQ(stored.Flags, 7);
    EXPECT_EQ(std::memcmp(&stored, &window.Session().User(), sizeof stored), 0);

    ASSERT_EQ(Messages_.Shown().size(), 1u);
    EXPECT_EQ(Messages_.Shown()[0].Kind, TMessageKind::Information);
    EXPECT_EQ(Messages_.Shown()[0].Text, QString("Welcome to Orbeko as a new administrator\r\rYour user name is \"") +
                                             param.UserName +
                                             "\" and your password is \"<blank>\"\r\rPlease do not forget this information");
    EXPECT_TRUE(Dialogs_.Runs().empty()) << "no login dialog on an empty database";
    EXPECT_TRUE(Timer().isActive());
    EXPECT_EQ(Timer().interval(), 10000);
    EXPECT_EQ(&window.ActiveView(), &Week());
}

INSTANTIATE_TEST_SUITE_P(Accounts, FirstAdministratorTest,
                         ::testing::Values(TFirstAdministratorCase{"jsmith", "JSMITH"},
                                           TFirstAdministratorCase{"", "ADMIN"},
                                           TFirstAdministratorCase{"abcdefghijklmn", "ABCDEFGHIJ"}),
                         [](const auto& info) { return std::string(info.param.UserName); });

TEST_F(StartUpTest, SecondCopyIsRefusedAndTheFirstKeepsItsLock)
{
    TInstanceLock first;
    ASSERT_TRUE(first.Acquire());
    TfrmMain& window = Window();
    window.FormActivate();

    EXPECT_TRUE(window.Ended());
    EXPECT_EQ(window.MainDb(), nullptr);
    ASSERT_EQ(Messages_.Shown().size(), 1u);
    EXPECT_EQ(Messages_.Shown()[0].Kind, TMessageKind::Information);
    EXPECT_EQ(Messages_.Shown()[0].Text, "Orbeko is already running on this workstation");
    Window_.reset();
    EXPECT_TRUE(first.Held());
    TInstanceLock third;
    EXPECT_FALSE(third.Acquire()) << "the first copy still holds the workstation";
}

TEST_F(StartUpTest, LoginDialogStartsFromTheAccountWithFocusOnPassword)
{
    AddUser("JSMITH", "SECRET", urAddEntries);
    Dialogs_.Answer([](QDialog& dialog) {
        auto& login = static_cast<TfrmLogin&>(dialog);
        EXPECT_EQ(login.windowTitle(), "Orbeko Login");
        EXPECT_EQ(login.edtUserName->text(), "JSMITH");
        EXPECT_TRUE(login.edtPassword->text().isEmpty());
        EXPECT_EQ(login.focusWidget(), login.edtPassword);
        EXPECT_EQ(login.edtUserName->maxLength(), 10);
        EXPECT_EQ(login.edtPassword->echoMode(), QLineEdit::Password);

        login.edtPassword->setText("WRONG");
        login.actOkExecute();
        EXPECT_TRUE(login.isVisible()) << "a wrong password leaves the dialog open";
        login.edtUserName->setText("NOBODY");
        login.edtPassword->setText("SECRET");
        login.actOkExecute();
        EXPECT_TRUE(login.isVisible()) << "an unknown user leaves the dialog open";

        login.edtUserName->setText("jsmith");
        login.edtPassword->setText("sEcReT");
        login.actOkExecute();
        return login.result();
    });
    TfrmMain& window = Window("jsmith");
    window.FormActivate();

    EXPECT_FALSE(window.Ended());
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
    EXPECT_EQ(window.Session().UserId(), "0000000001");
    EXPECT_STREQ(window.Session().User().UserName, "JSMITH");
    EXPECT_TRUE(Messages_.Shown().empty());
}

// Another workstation keeping the users file to itself makes the lookup fail:
// that is shown as the file's status, never taken for a wrong password.
TEST_F(StartUpTest, ABusyUsersFileIsShownAndNotTakenForAWrongPassword)
{
    AddUser("JSMITH", "SECRET", urAddEntries);
    Messages_.Answer(TMessageAnswer::Ok);
    Dialogs_.Answer([this](QDialog& dialog) {
        auto& login = static_cast<TfrmLogin&>(dialog);
        login.edtPassword->setText("SECRET");
        sqlite3* other = nullptr;
        EXPECT_EQ(sqlite3_open(DataFile("OBUsers.Ism").c_str(), &other), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        login.actOk->trigger();
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        EXPECT_TRUE(login.isVisible());
        login.actOk->trigger();
        return login.result();
    });
    TfrmMain& window = Window("jsmith");
    window.FormActivate();

    EXPECT_FALSE(window.Ended());
    EXPECT_EQ(window.Session().UserId(), "0000000001");
    ASSERT_EQ(Messages_.Shown().size(), 1u);
    EXPECT_EQ(Messages_.Shown()[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Messages_.Shown()[0].Text, "Multi-user access");
}

TEST_F(StartUpTest, EmptyAccountNameStartsWithFocusOnUserName)
{
    AddUser("ANNA", "", urAddEntries);
    Dialogs_.Answer([](QDialog& dialog) {
        auto& login = static_cast<TfrmLogin&>(dialog);
        EXPECT_TRUE(login.edtUserName->text().isEmpty());
        EXPECT_EQ(login.focusWidget(), login.edtUserName);
        login.edtUserName->setText("ANNA");
        login.actOkExecute();
        return login.result();
    });
    TfrmMain& window = Window("");
    window.FormActivate();
    EXPECT_STREQ(window.Session().User().UserName, "ANNA") << "an empty password is matched by an empty field";
}

TEST_F(StartUpTest, CancelledLoginEndsWithOneMessage)
{
    AddUser("JSMITH", "SECRET", urAddEntries);
    Dialogs_.Answer([](QDialog&) { return int(QDialog::Rejected); });
    TfrmMain& window = Window();
    window.FormActivate();

    EXPECT_TRUE(window.Ended());
    ASSERT_EQ(Messages_.Shown().size(), 1u);
    EXPECT_EQ(Messages_.Shown()[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Messages_.Shown()[0].Text, kLoginFailed);
    EXPECT_FALSE(Timer().isActive());
}

// A remembered folder that has gone: the user chooses another, tries again
// after mending the cause, or exits; only Exit ends the program.
TEST_F(StartUpTest, RememberedFolderThatCannotBeOpenedOffersAWayOut)
{
    struct TCase
    {
        const char* Name;
        std::vector<TMessageAnswer> Answers;
        bool ChooseDatabase;  // else the folder prompt is cancelled
        int Questions;
        bool Ends;
    };
    const std::vector<TCase> cases = {
        {"exit", {TMessageAnswer::Exit}, false, 1, true},
        {"try again", {TMessageAnswer::Retry, TMessageAnswer::Exit}, false, 2, true},
        {"choose the real folder", {TMessageAnswer::Choose}, true, 1, false},
        {"choice cancelled", {TMessageAnswer::Choose, TMessageAnswer::Exit}, false, 2, true},
    };
    const std::string gone = DataPath() + "/gone";
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        {
            auto key = TRegistryKey::Open(true);
            ASSERT_TRUE(key->WriteText("RootPath", QString::fromStdString(gone)));
        }
        TMessageBoxScript messages;
        TFolderPromptScript folders;
        for (TMessageAnswer answer : c.Answers)
            messages.Answer(answer);
        folders.Answer(c.ChooseDatabase ? std::optional<QString>(QString::fromStdString(DataPath())) : std::nullopt);
        TfrmMain window;
        window.SetAccountNameSource([] { return std::string("jsmith"); });
        window.FormActivate();

        const auto questions = std::count_if(messages.Shown().begin(), messages.Shown().end(), [](const auto& m) {
            return m.Buttons == TMessageButtons::ChooseRetryExit;
        });
        EXPECT_EQ(questions, c.Questions);
        EXPECT_TRUE(messages.Shown()[0].Text.startsWith("Unable to open user isam\r\r"));
        EXPECT_TRUE(messages.Shown()[0].Text.contains(QString::fromStdString(gone) + ": No such file or directory"));
        EXPECT_EQ(window.Ended(), c.Ends);
        QString root;
        TRegistryKey::Open(false)->ReadText("RootPath", root);
        EXPECT_EQ(root.toStdString(), c.ChooseDatabase ? DataPath() : gone) << "a cancelled choice keeps the folder";
    }
}

TEST_F(StartUpTest, AdministrationIsForAdministratorsOnly)
{
    AddUser("BOSS", "", urAdminister);
    AddUser("CLERK", "", urAddEntries | urModifyOthers | urAddForOthers);
    QAction administration;
    for (const auto& [name, enabled] : {std::pair{"BOSS", true}, std::pair{"CLERK", false}}) {
        AnswerLogin(name, "");
        Window_.reset();
        TfrmMain& window = Window(name);
        window.FormActivate();
        ASSERT_FALSE(window.Ended());
        window.CheckAdministrator(administration);
        EXPECT_EQ(administration.isEnabled(), enabled) << name;
    }
}

TEST_F(StartUpTest, LoginAsAnotherUserKeepsThePreviousOneOnCancel)
{
    AddUser("ANNA", "", urAddEntries);
    AddUser("BERT", "PW", urAddEntries);
    AnswerLogin("ANNA", "");
    TfrmMain& window = Window("anna");
    window.FormActivate();
    ASSERT_EQ(window.Session().UserId(), "0000000001");

    Dialogs_.Answer([this](QDialog& dialog) {
        EXPECT_FALSE(Timer().isActive()) << "no alarms while a login runs";
        auto& login = static_cast<TfrmLogin&>(dialog);
        EXPECT_EQ(login.edtUserName->text(), "ANNA");
        return int(QDialog::Rejected);
    });
    try {
        window.actFileLoginExecute();
        ADD_FAILURE() << "a cancelled login is an error";
    } catch (const std::exception& error) {
        EXPECT_EQ(QString(error.what()), kLoginFailed);
    }
    EXPECT_EQ(window.Session().UserId(), "0000000001");
    EXPECT_TRUE(Timer().isActive());

    AnswerLogin("BERT", "pw");
    window.actFileLoginExecute();
    EXPECT_EQ(window.Session().UserId(), "0000000002");
    EXPECT_TRUE(Timer().isActive());
}

TEST_F(StartUpTest, ExitAsksFirst)
{
    TfrmMain& window = Window();
    window.FormActivate();
    window.show();
    Messages_.Answer(TMessageAnswer::No);
    window.actFileExitExecute();
    EXPECT_TRUE(window.isVisible());
    Messages_.Answer(TMessageAnswer::Yes);
    window.actFileExitExecute();
    EXPECT_FALSE(window.isVisible());
    const auto& asked = Messages_.Shown().back();
    EXPECT_EQ(asked.Kind, TMessageKind::Confirmation);
    EXPECT_EQ(asked.Buttons, TMessageButtons::YesNo);
    EXPECT_EQ(asked.Text, "Terminate Orbeko and suspend all of your personal alarms. Are you sure?");
}

TEST_F(StartUpTest, ChangePathForgetsTheFolderOnlyWhenConfirmed)
{
    TfrmMain& window = Window();
    Messages_.Answer(TMessageAnswer::Ok);
    window.FormActivate();
    QString root;
    Messages_.Answer(TMessageAnswer::Cancel);
    window.mnuFileChangePathClick();
    EXPECT_TRUE(TRegistryKey::Open(false)->ReadText("RootPath", root));
    EXPECT_FALSE(window.Ended());

    Messages_.Answer(TMessageAnswer::Ok);
    Messages_.Answer(TMessageAnswer::Ok);
    window.mnuFileChangePathClick();
    EXPECT_FALSE(TRegistryKey::Open(false)->ReadText("RootPath", root));
    EXPECT_EQ(Messages_.Shown().back().Text, "Please restart Orbeko to choose the new database location");
    EXPECT_TRUE(window.Ended());
    EXPECT_EQ(Messages_.UnexpectedCount(), 0);
}

TEST_F(StartUpTest, SettingsAreLoadedIntoTheViewsAndSavedAtTheEnd)
{
    {
        auto key = TRegistryKey::Open(true);
        ASSERT_TRUE(key->WriteInteger("ExpandLines", 0));
    }
    TfrmMain& window = Window();
    window.FormActivate();
    EXPECT_EQ(Week().DisplayMode(), dmSingle);
    EXPECT_EQ(Day().DisplayMode(), dmSingle);
    Week().SetShowCategories(false);
    Window_.reset();

    auto key = TRegistryKey::Open(false);
    uint32_t value = 99;
    ASSERT_TRUE(key->ReadInteger("ExpandLines", value));
    EXPECT_EQ(value, 0u);
    ASSERT_TRUE(key->ReadInteger("ShowCategories", value));
    EXPECT_EQ(value, 0u);
    QString group;
    EXPECT_TRUE(key->ReadText("Group9", group));
}

TEST_F(StartUpTest, AboutAndHelp)
{
    TfrmMain& window = Window();
    window.actHelpInfoExecute();
    ASSERT_EQ(Messages_.Shown().size(), 1u);
    EXPECT_EQ(Messages_.Shown()[0].Text, "Orbeko version 1.02");
    EXPECT_EQ(Action("mnuHelpOrbekoHelp").shortcut(), QKeySequence(Qt::Key_F1));
    Action("mnuHelpOrbekoHelp").trigger();
    EXPECT_TRUE(Child<THelpWindow>().isVisible());
    EXPECT_EQ(Child<THelpWindow>().CurrentPage(), "index.html");
    EXPECT_EQ(Child<THelpWindow>().windowTitle(), "Orbeko Help: Contents");
    // Esc closes it, wherever the reader has clicked in it.
    Child<THelpWindow>().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Child<THelpWindow>()));
    PressEscape();
    EXPECT_FALSE(Child<THelpWindow>().isVisible());
}

}  // namespace
