#include "AdminFixture.h"
#include "admin/UserAccounts.h"
#include "admin/frmDeleteUser.h"
#include "admin/frmUsers.h"
#include "kfstore/RecordLock.h"
#include "storage/UserPassword.h"
#include "ui/CheckList.h"
#include "ui/UpperCaseValidator.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

class UsersTest : public TAdminFixture
{
protected:
    // Runs the users dialog as ANN; inside acts in it, then Close is pressed.
    int Run(const std::function<void()>& inside)
    {
        Dialogs.Answer([this, inside](QDialog&) {
            inside();
            QTest::mouseClick(Form.btnClose, Qt::LeftButton);
            return Form.result();
        });
        return Form.Execute(kAnn, *Db);
    }

    void Select(const QString& name)
    {
        const auto found = Form.lstUsers->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        QTest::mouseClick(Form.lstUsers->viewport(), Qt::LeftButton, {},
                          Form.lstUsers->visualItemRect(found[0]).center());
    }

    void Type(QLineEdit* edit, const QString& text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    std::vector<bool> Checks()
    {
        std::vector<bool> checks;
        for (int row = 0; row < Form.lstFlags->count(); ++row)
            checks.push_back(Form.lstFlags->Checked(row));
        return checks;
    }

    QString SelectedName() { return Form.lstUsers->currentItem()->text(); }

    enum class TStored { Plain, Hashed, None };

    // Gives the user SECRET as an earlier version stored it, or hashed, or none.
    void StorePassword(const std::string& id, TStored stored)
    {
        TUserRec user;
        ASSERT_TRUE(Db->UserFile.GetEqual(user, 0, id));
        SetField(user.Password, stored == TStored::Plain ? "SECRET" : "");
        if (stored == TStored::Hashed)
            TUserPassword::Write(Db->Details, id,
                                 TUserPassword::Prepare(user, TPasswordChange::Set("SECRET"), nullptr));
        ASSERT_TRUE(Db->UserFile.Rewrite(user, id));
    }

    // The comparison a workstation of an earlier version makes.
    static bool EarlierVersionLetsIn(const TUserRec& user, const QString& typed)
    {
        return FieldString(user.Password).toUpper() == typed.toUpper();
    }

    TfrmUsers Form;
};

TEST_F(UsersTest, RightsShowInListOrderAndStoreAsTheirBits)
{
    ASSERT_EQ(Form.lstFlags->count(), 4);
    EXPECT_EQ(Form.lstFlags->item(0)->text(), "Can administer");
    EXPECT_EQ(Form.lstFlags->item(3)->text(), "Can add entries for other users");
    Run([this] {
        EXPECT_EQ(SelectedName(), "ANN");
        EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true, false}));
        Select("BOB");
        EXPECT_EQ(Checks(), (std::vector<bool>{false, true, false, false}));
        Form.lstFlags->ClickCheck(0);
        Form.lstFlags->ClickCheck(1);
        Form.lstFlags->ClickCheck(3);
        QTest::mouseClick(Form.btnUpdate, Qt::LeftButton);
    });
    TUserRec bob;
    ASSERT_TRUE(StoredUser(kBob, bob));
    EXPECT_EQ(bob.Flags, 10);
    EXPECT_EQ(Messages.Shown().size(), 0u);
}

TEST_F(UsersTest, AddAndUpdateNeedNameFullNameAndAbbreviation)
{
    const struct
    {
        QLineEdit* TfrmUsers::*Emptied;
        bool Enabled;
    } cases[] = {
        {&TfrmUsers::edtUserName, false},
        {&TfrmUsers::edtFullname, false},
        {&TfrmUsers::edtAbbreviation, false},
        {&TfrmUsers::edtPassword, true},
    };
    Run([&] {
        for (const auto& c : cases) {
            Select("BOB");
            EXPECT_TRUE(Form.btnAdd->isEnabled());
            (Form.*c.Emptied)->clear();
            EXPECT_EQ(Form.btnAdd->isEnabled(), c.Enabled) << (Form.*c.Emptied)->objectName().toStdString();
            EXPECT_EQ(Form.btnUpdate->isEnabled(), c.Enabled);
        }
    });
}

TEST_F(UsersTest, AddWritesANewUserAndListsIt)
{
    Run([this] {
        Select("CID");
        Type(Form.edtUserName, "eve");
        Type(Form.edtPassword, "pw");
        Type(Form.edtFullname, "Eve Full");
        Type(Form.edtAbbreviation, "Ev");
        QTest::mouseClick(Form.btnAdd, Qt::LeftButton);
        EXPECT_EQ(Form.lstUsers->count(), 5);
        EXPECT_EQ(Form.lstUsers->item(4)->text(), "EVE");
        EXPECT_EQ(Form.lstUsers->Data(4), 5);
        EXPECT_EQ(SelectedName(), "CID");
        EXPECT_EQ(Form.edtUserName->text(), "EVE");
    });
    TUserRec eve;
    ASSERT_TRUE(StoredUser("0000000005", eve));
    EXPECT_EQ(std::string(eve.UserName) + eve.FullName + eve.Abbreviation, "EVEEve FullEv");
    EXPECT_TRUE(TUserPassword::Hashed(eve));
    EXPECT_TRUE(TUserPassword::Matches(Db->Details, "0000000005", eve, "PW"));
    EXPECT_EQ(eve.Flags, urAddEntries);
}

TEST_F(UsersTest, AnAddressIsCheckedForItsFormAndStoredWithTheUser)
{
    struct TCase
    {
        const char* Typed;
        bool Taken;
    };
    const TCase cases[] = {
        {"bob@example.org", true},    {" bob.b@mail.example.org ", true}, {"", true},
        {"bob", false},               {"bob@example", false},             {"bob@@example.org", false},
        {"bob smith@example.org", false}, {"@example.org", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Typed);
        Db->Details.SetUserEmail(kBob, QStringLiteral("old@example.org"));
        const std::size_t shown = Messages.Shown().size();
        if (!c.Taken)
            Messages.Answer(TMessageAnswer::Ok);
        Run([&] {
            Select("BOB");
            EXPECT_EQ(Form.edtEmail->text(), QStringLiteral("old@example.org"));
            Form.edtEmail->setText(QString::fromLatin1(c.Typed));
            if (&c == &cases[0]) {
                // For the help pages: into $ORBEKO_SCREENSHOT_DIR (docs/help to renew them).
                QString folder = qEnvironmentVariable("ORBEKO_SCREENSHOT_DIR");
                EXPECT_TRUE(Form.grab().toImage().save(
                    QDir(folder.isEmpty() ? QDir::tempPath() : folder).filePath("users.png")));
            }
            QTest::mouseClick(Form.btnUpdate, Qt::LeftButton);
        });
        EXPECT_EQ(Messages.Shown().size(), shown + (c.Taken ? 0 : 1));
        if (!c.Taken) {
            EXPECT_EQ(Messages.Shown().back().Text, TfrmUsers::EmailImplausible);
        }
        EXPECT_EQ(Db->Details.UserEmail(kBob),
                  c.Taken ? QString::fromLatin1(c.Typed).trimmed() : QStringLiteral("old@example.org"));
    }
}

// Nothing is written when a name is refused.
TEST_F(UsersTest, NamesThatWouldClashAreRefused)
{
    const struct
    {
        const char* Name;
        QPushButton* TfrmUsers::*Button;
        QString Message;
    } cases[] = {
        {"bob", &TfrmUsers::btnAdd, "A user with this username already exists. Please choose another username."},
        {"ZED", &TfrmUsers::btnUpdate, "This user does not exist. You can \"Add\" a new user but not \"Update\"."},
        {"CID", &TfrmUsers::btnUpdate,
         "This username belongs to another user. Select that user in the list to update him."},
    };
    Run([&] {
        for (const auto& c : cases) {
            Messages.Answer(TMessageAnswer::Ok);
            Select("BOB");
            Type(Form.edtUserName, c.Name);
            Type(Form.edtFullname, "Changed");
            QTest::mouseClick(Form.*c.Button, Qt::LeftButton);
            ASSERT_FALSE(Messages.Shown().empty()) << c.Name;
            EXPECT_EQ(Messages.Shown().back().Text, c.Message);
            EXPECT_EQ(Messages.Shown().back().Kind, TMessageKind::Information);
        }
    });
    EXPECT_EQ(Messages.Shown().size(), 3u);
    EXPECT_EQ(Db->UserFile.RecordCount(), 4);
    for (const std::string& id : {kBob, kCid}) {
        TUserRec user;
        ASSERT_TRUE(StoredUser(id, user));
        EXPECT_EQ(FieldText(user.FullName), FieldText(user.UserName) + " Full");
    }
}

TEST_F(UsersTest, NoPasswordIsEverShown)
{
    const struct
    {
        const char* Name;
        std::string Id;
        TStored Stored;
    } cases[] = {
        {"BOB", kBob, TStored::Plain},
        {"CID", kCid, TStored::Hashed},
        {"DEE", kDee, TStored::None},
        {"BOB", kBob, TStored::Plain},  // after another user, as after the first
    };
    for (const auto& c : cases)
        StorePassword(c.Id, c.Stored);
    Run([&] {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.Name);
            Select(c.Name);
            EXPECT_TRUE(Form.edtPassword->text().isEmpty());
            EXPECT_EQ(Form.edtPassword->echoMode(), QLineEdit::Password);
            const bool none = c.Stored == TStored::None;
            EXPECT_EQ(Form.chkNoPassword->isChecked(), none);
            EXPECT_EQ(Form.edtPassword->placeholderText(), none ? QString() : QStringLiteral("unchanged"));
            Type(Form.edtPassword, "typed");  // shown masked, and gone at the next user
            EXPECT_FALSE(Form.chkNoPassword->isChecked()) << "a password typed is one";
        }
    });
}

// Update with the password edits left alone, a new password typed, or
// "No password" ticked or unticked.
TEST_F(UsersTest, UpdateKeepsSetsOrRemovesThePasswordAndMovesOneStoredAsTypedOver)
{
    enum class TDone { Nothing, Type, TickNone, UntickNone };
    const struct
    {
        const char* Name;
        TStored Stored;
        TDone Done;
        const char* LetsIn;  // nullptr: no password
    } cases[] = {
        {"plain kept", TStored::Plain, TDone::Nothing, "secret"},
        {"hashed kept", TStored::Hashed, TDone::Nothing, "secret"},
        {"none kept", TStored::None, TDone::Nothing, nullptr},
        {"none unticked, nothing typed", TStored::None, TDone::UntickNone, nullptr},
        {"plain replaced", TStored::Plain, TDone::Type, "fresh"},
        {"hashed replaced", TStored::Hashed, TDone::Type, "fresh"},
        {"none given one", TStored::None, TDone::Type, "fresh"},
        {"hashed removed", TStored::Hashed, TDone::TickNone, nullptr},
        {"plain removed", TStored::Plain, TDone::TickNone, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        StorePassword(kBob, c.Stored);
        Run([&] {
            Select("BOB");
            if (c.Done == TDone::UntickNone)
                Form.chkNoPassword->click();
            if (c.Done == TDone::Type)
                Type(Form.edtPassword, c.LetsIn);
            if (c.Done == TDone::TickNone)
                Form.chkNoPassword->click();
            QTest::mouseClick(Form.btnUpdate, Qt::LeftButton);
            EXPECT_TRUE(Form.edtPassword->text().isEmpty()) << "what was typed is gone";
            EXPECT_EQ(Form.chkNoPassword->isChecked(), c.LetsIn == nullptr);
        });
        EXPECT_TRUE(Messages.Shown().empty());
        TUserRec bob;
        ASSERT_TRUE(StoredUser(kBob, bob));
        TOrbekoDB other(Shell_);
        if (!c.LetsIn) {
            EXPECT_TRUE(TUserPassword::None(bob));
            EXPECT_TRUE(other.Details.UserPasswordHash(kBob).empty());
            continue;
        }
        EXPECT_TRUE(TUserPassword::Hashed(bob));
        EXPECT_TRUE(TUserPassword::Matches(other.Details, kBob, bob, QString::fromLatin1(c.LetsIn)));
        EXPECT_FALSE(TUserPassword::Matches(other.Details, kBob, bob, "WRONG"));
        EXPECT_FALSE(EarlierVersionLetsIn(bob, QString::fromLatin1(c.LetsIn)));
    }
}

// Whatever is typed or pasted into an earlier version's login edit (which
// takes what this version's does), its comparison refuses a password set
// here; and its users dialog, shown the marker and saved, writes it back.
TEST_F(UsersTest, APasswordSetHereLetsNoEarlierWorkstationIn)
{
    Run([this] {
        Select("BOB");
        Type(Form.edtPassword, "secret");
        QTest::mouseClick(Form.btnUpdate, Qt::LeftButton);
    });
    TUserRec bob;
    ASSERT_TRUE(StoredUser(kBob, bob));
    const QString marker = QString::fromLatin1(TUserPassword::Marker);
    const struct
    {
        QString Text;
        bool Pasted;
    } attempts[] = {
        {"secret", false}, {"SECRET", false}, {"", false},          {"HASHED", false},
        {marker, false},   {marker, true},    {marker.toUpper(), true}, {"\x01hashed", false},
    };
    for (const auto& a : attempts) {
        SCOPED_TRACE(a.Text.toStdString() + (a.Pasted ? " pasted" : " typed"));
        QLineEdit login;
        TUpperCaseValidator::Attach(login, &TUserRec::Password);
        if (a.Pasted) {
            QGuiApplication::clipboard()->setText(a.Text);
            login.paste();
        } else {
            // Key by key as the window system hands them over, control
            // characters (Ctrl+A gives \x01) included.
            for (const QChar c : a.Text) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(&login, &press);
            }
        }
        if (!a.Text.contains(QChar(1))) {
            EXPECT_EQ(login.text(), a.Text.toUpper()) << "the edit takes what it can";
        }
        EXPECT_FALSE(EarlierVersionLetsIn(bob, login.text())) << login.text().toStdString();
    }
    QLineEdit shown;
    TUpperCaseValidator::Attach(shown, &TUserRec::Password);
    shown.setText(FieldString(bob.Password));
    TUserRec saved = bob;
    SetFieldString(saved.Password, shown.text());
    EXPECT_TRUE(TUserPassword::Hashed(saved));
}

// The wizard answers by going to its last page and pressing Delete.
TEST_F(UsersTest, DeletingSelectsTheFollowingUserOrTheNewLast)
{
    const struct
    {
        QString Deleted;
        QString Selected;
    } cases[] = {
        {"DEE", "CID"},
        {"BOB", "CID"},
    };
    Run([&] {
        for (const auto& c : cases) {
            Dialogs.Answer([](QDialog& dialog) {
                auto& wizard = static_cast<TfrmDeleteUser&>(dialog);
                for (int page = 0; page < 3; ++page)
                    QTest::mouseClick(wizard.btnNext, Qt::LeftButton);
                QTest::mouseClick(wizard.btnDelete, Qt::LeftButton);
                return wizard.result();
            });
            Select(c.Deleted);
            QTest::mouseClick(Form.btnDelete, Qt::LeftButton);
            EXPECT_TRUE(Form.lstUsers->findItems(c.Deleted, Qt::MatchExactly).isEmpty());
            EXPECT_EQ(SelectedName(), c.Selected);
            EXPECT_EQ(Form.edtUserName->text(), c.Selected);
        }
    });
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
    EXPECT_EQ(Db->UserFile.RecordCount(), 2);
}

TEST_F(UsersTest, DeletingOneselfIsRefusedWithoutTheWizard)
{
    Messages.Answer(TMessageAnswer::Ok);
    Run([this] {
        Select("ANN");
        QTest::mouseClick(Form.btnDelete, Qt::LeftButton);
    });
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Text, "You cannot delete the user you are logged on as");
    EXPECT_EQ(Dialogs.Runs().size(), 1u) << "only the users dialog ran";
    EXPECT_EQ(Db->UserFile.RecordCount(), 4);
}

// The edits hold as much as the record's fields, so a user whose name and
// password have ten characters each is shown whole and updated whole.
TEST_F(UsersTest, EditsHoldTheirWholeFields)
{
    const std::pair<QLineEdit* TfrmUsers::*, int> widths[] = {
        {&TfrmUsers::edtUserName, 10}, {&TfrmUsers::edtPassword, 10},
        {&TfrmUsers::edtFullname, 30}, {&TfrmUsers::edtAbbreviation, 10}};
    Records->User("ADMINISTRA", "ADMINISTRA Full", "A", urAddEntries);
    TUserRec user;
    ASSERT_TRUE(Db->UserFile.GetEqual(user, 0, "0000000005"));
    SetField(user.Password, "PASSWORD10");
    ASSERT_TRUE(Db->UserFile.Rewrite(user, "0000000005"));
    Run([&] {
        for (const auto& [edit, width] : widths) {
            Type(Form.*edit, QString(40, 'W'));
            EXPECT_EQ((Form.*edit)->text().size(), width) << (Form.*edit)->objectName().toStdString();
        }
        Select("ADMINISTRA");
        Type(Form.edtFullname, "Longer Name");
        QTest::mouseClick(Form.btnUpdate, Qt::LeftButton);
    });
    EXPECT_TRUE(Messages.Shown().empty());
    ASSERT_TRUE(StoredUser("0000000005", user));
    EXPECT_EQ(FieldText(user.FullName), "Longer Name");
    EXPECT_TRUE(TUserPassword::Matches(Db->Details, "0000000005", user, "PASSWORD10"));
}

// The right "Can administer" is counted over the users file: the last user
// who has it keeps it, whoever he is, and nothing is written.
TEST_F(UsersTest, TheLastAdministratorKeepsTheRight)
{
    const struct
    {
        std::vector<std::string> Administrators;
        bool TurnHeldElsewhere;
        std::string Name;
        std::string Message;  // empty: updated
    } cases[] = {
        {{kAnn}, false, "ANN", TUserAccounts::LastAdministratorText("ANN")},
        {{kAnn, kDee}, false, "ANN", ""},
        {{kBob}, false, "BOB", TUserAccounts::LastAdministratorText("BOB")},  // ANN has lost hers
        {{kAnn, kDee}, true, "ANN", "Unable to update this user now. Another user has locked it"},
    };
    for (const auto& c : cases) {
        Administrators(*Db, c.Administrators);
        auto other = Connect();
        std::optional<TRecordLock> turn;
        if (c.TurnHeldElsewhere)
            turn.emplace(TUserAccounts(other->UserFile).RightsTurn());
        const std::string id = c.Name == "ANN" ? kAnn : kBob;
        TUserRec before;
        ASSERT_TRUE(StoredUser(id, before));
        const std::size_t shown = Messages.Shown().size();
        Messages.Answer(TMessageAnswer::Ok);
        Run([&] {
            Select(QString::fromStdString(c.Name));
            Form.lstFlags->ClickCheck(0);
            QTest::mouseClick(Form.btnUpdate, Qt::LeftButton);
            EXPECT_EQ(Form.lstFlags->Checked(0), c.Message.size() > 0 && !c.TurnHeldElsewhere) << c.Message;
        });
        TUserRec after;
        ASSERT_TRUE(StoredUser(id, after));
        EXPECT_EQ(after.Flags, c.Message.empty() ? before.Flags & ~urAdminister : before.Flags) << c.Message;
        ASSERT_EQ(Messages.Shown().size(), shown + (c.Message.empty() ? 0 : 1)) << c.Message;
        if (!c.Message.empty()) {
            EXPECT_EQ(Messages.Shown().back().Text.toStdString(), c.Message);
        }
    }
}

}  // namespace
