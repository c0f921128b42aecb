#include "support/RecordsFixture.h"
#include "prefs/Group.h"
#include "prefs/frmAEGroup.h"
#include "ui/CheckList.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

// Users Zed (1), Amy (2) and Bob (3): listed as Amy, Bob, Zed.
class AEGroupTest : public TRecordsFixture
{
protected:
    void SetUp() override
    {
        TRecordsFixture::SetUp();
        AddUser("Zed");
        AddUser("Amy");
        AddUser("Bob");
    }

    // Runs the dialog on Group with what the answer does inside it.
    int Run(const std::function<int()>& answer, const QString& title = "Group Properties")
    {
        Dialogs.Answer([answer](QDialog&) { return answer(); });
        return Form.Execute(Group, title, *Db);
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (int row = 0; row < Form.lstMembers->count(); ++row)
            texts.append(Form.lstMembers->item(row)->text());
        return texts;
    }

    TGroup Group;
    TfrmAEGroup Form;
};

TEST_F(AEGroupTest, FaceOfTheDialog)
{
    EXPECT_EQ(Form.windowTitle(), "Group");
    EXPECT_EQ(Form.Label1->text(), "&Description");
    EXPECT_EQ(Form.Label1->buddy(), Form.edtDescription);
    EXPECT_EQ(Form.Label2->text(), "&Members");
    EXPECT_EQ(Form.Label2->buddy(), Form.lstMembers);
    EXPECT_TRUE(Form.lstMembers->Sorted());
    EXPECT_EQ(Form.actOk->text(), "&Ok");
    EXPECT_EQ(Form.btnOk->text(), "&Ok");
    EXPECT_TRUE(Form.btnOk->isDefault());
    EXPECT_EQ(Form.btnCancel->text(), "&Cancel");
}

TEST_F(AEGroupTest, OpensWithTheTitleTheDescriptionAndTheMembersChecked)
{
    Group.FromText("Sales,0000000003");
    QString title;
    QWidget* focus = nullptr;
    Run([&] {
        title = Form.windowTitle();
        focus = Form.focusWidget();
        return int(QDialog::Rejected);
    }, "New Group");
    EXPECT_EQ(title, "New Group");
    EXPECT_EQ(focus, Form.edtDescription);
    EXPECT_EQ(Form.edtDescription->text(), "Sales");
    EXPECT_EQ(Texts(), QStringList({"Amy", "Bob", "Zed"}));
    EXPECT_EQ(Form.lstMembers->Data(0), 2);
    EXPECT_EQ(Form.lstMembers->Data(1), 3);
    EXPECT_EQ(Form.lstMembers->Data(2), 1);
    EXPECT_FALSE(Form.lstMembers->Checked(0));
    EXPECT_TRUE(Form.lstMembers->Checked(1));
    EXPECT_FALSE(Form.lstMembers->Checked(2));
}

TEST_F(AEGroupTest, OnlyLettersDigitsAndBackspaceReachTheDescription)
{
    Run([&] {
        QTest::keyClicks(Form.edtDescription, "Sales team, 2024!");
        QTest::sendKeyEvent(QTest::Click, Form.edtDescription, Qt::Key_unknown, QString::fromUtf8("\u00e9"), {});
        QTest::keyClicks(Form.edtDescription, "3");
        QTest::keyClick(Form.edtDescription, Qt::Key_Backspace);
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(Form.edtDescription->text(), "Salesteam2024");
    EXPECT_TRUE(Form.edtDescription->hasAcceptableInput());
}

TEST_F(AEGroupTest, OkSavesDescriptionAndMembersInAlphabeticalOrder)
{
    Group.FromText("Old,0000000001");
    const int result = Run([&] {
        Form.edtDescription->setText("Team");
        Form.lstMembers->ClickCheck(1);  // Bob
        Form.lstMembers->ClickCheck(0);  // Amy
        QTest::mouseClick(Form.btnOk, Qt::LeftButton);
        return Form.result();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Group.Description, "Team");
    EXPECT_EQ(Group.Members, QStringList({"0000000002", "0000000003", "0000000001"}));
    EXPECT_EQ(Group.ToText(), "Team,0000000002,0000000003,0000000001");
}

TEST_F(AEGroupTest, OkDropsAMemberWhoseUserWasDeleted)
{
    Group.FromText("Sales,0000000009,0000000002");
    Run([&] {
        Form.actOk->trigger();
        return Form.result();
    });
    EXPECT_EQ(Group.Members, QStringList({"0000000002"}));
}

TEST_F(AEGroupTest, CancelLeavesTheGroupAsItWas)
{
    Group.FromText("Sales,0000000002");
    const int result = Run([&] {
        Form.edtDescription->setText("Other");
        Form.lstMembers->ClickCheck(2);
        QTest::mouseClick(Form.btnCancel, Qt::LeftButton);
        return Form.result();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Group.ToText(), "Sales,0000000002");
}

TEST_F(AEGroupTest, UsersFileThatCannotBeReadStopsBeforeTheDialogShows)
{
    Group.FromText("Sales,0000000002");
    Db->UserFile.Close();
    EXPECT_THROW(Form.Execute(Group, "Group Properties", *Db), std::runtime_error);
    EXPECT_TRUE(Dialogs.Runs().empty());
    EXPECT_EQ(Group.ToText(), "Sales,0000000002");
}

// OK needs a description and one to twenty members.
class AEGroupOkTest : public TRecordsFixture
{
protected:
    void SetUp() override
    {
        TRecordsFixture::SetUp();
        for (int i = 0; i < 22; ++i)
            AddUser("User" + std::to_string(100 + i));
    }

    TfrmAEGroup Form;
};

TEST_F(AEGroupOkTest, OkIsOnlyForADescriptionAndOneToTwentyMembers)
{
    struct TCase
    {
        const char* Typed;
        int Members;
        bool Enabled;
    };
    const TCase cases[] = {
        {"", 1, false},     {"Sales", 0, false},  {"Sales", 1, true},
        {"Sales", 20, true}, {"Sales", 21, false}, {" ,.", 2, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Typed) + " with " + std::to_string(c.Members));
        TGroup group;
        bool enabled = false;
        Dialogs.Answer([&](QDialog&) {
            QTest::keyClicks(Form.edtDescription, c.Typed);
            for (int row = 0; row < c.Members; ++row)
                Form.lstMembers->ClickCheck(row);
            enabled = Form.actOk->isEnabled();
            EXPECT_EQ(Form.btnOk->isEnabled(), enabled);
            QTest::mouseClick(Form.btnOk, Qt::LeftButton);
            return Form.isVisible() ? int(QDialog::Rejected) : Form.result();
        });
        const int result = Form.Execute(group, "New Group", *Db);
        EXPECT_EQ(enabled, c.Enabled);
        EXPECT_EQ(result == QDialog::Accepted, c.Enabled);
        EXPECT_EQ(group.Members.size(), c.Enabled ? c.Members : 0);
    }
}

}  // namespace
