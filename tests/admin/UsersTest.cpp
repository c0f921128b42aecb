#include "AdminFixture.h"
#include "admin/UserAccounts.h"
#include "admin/frmDeleteUser.h"
#include "admin/frmUsers.h"
#include "kfstore/RecordLock.h"
#include "ui/CheckList.h"

#include <QAction>
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
    EXPECT_EQ(std::string(eve.UserName) + eve.Password + eve.FullName + eve.Abbreviation, "EVEPWEve FullEv");
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
    EXPECT_EQ(FieldText(user.Password) + "/" + FieldText(user.FullName), "PASSWORD10/Longer Name");
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
