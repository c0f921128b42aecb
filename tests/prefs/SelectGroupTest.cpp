#include "prefs/OrbekoCfg.h"
#include "prefs/frmSelectGroup.h"
#include "ui/CheckList.h"
#include "ui/DialogRunner.h"
#include "ui/ListBox.h"
#include "support/DialogScript.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <vector>

namespace {

// A caller's user check list: Amy (1), Bob (2), Cid (3), Dan (5), checked
// by the caller as Amy and Cid, with notifications that count.
class SelectGroupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Settings.SetDefaults();
        Users.SetSorted(true);
        Users.AddItem("Dan", 5);
        Users.AddItem("Bob", 2);
        Users.AddItem("Amy", 1);
        Users.AddItem("Cid", 3);
        Users.SetChecked(0, true);
        Users.SetChecked(2, true);
        Users.OnChanging = [this](int, bool) {
            ++Notified;
            return true;
        };
        Users.OnChange = [this](int) { ++Notified; };
    }

    std::vector<bool> Ticks() const
    {
        std::vector<bool> ticks;
        for (int row = 0; row < Users.count(); ++row)
            ticks.push_back(Users.Checked(row));
        return ticks;
    }

    // Answers the next run: picks the entry with this text and presses OK.
    void AnswerPick(const QString& text)
    {
        Dialogs.Answer([text](QDialog& dialog) {
            auto& select = static_cast<TfrmSelectGroup&>(dialog);
            const auto found = select.lstGroups->findItems(text, Qt::MatchExactly);
            if (!found.isEmpty())
                select.lstGroups->setCurrentItem(found.front());
            QTest::mouseClick(select.btnOk, Qt::LeftButton);
            return select.result();
        });
    }

    TOrbekoCfg Settings;
    TCheckList Users;
    int Notified = 0;
    TDialogScript Dialogs;
    TfrmSelectGroup Form;
};

TEST_F(SelectGroupTest, FaceOfTheDialog)
{
    EXPECT_EQ(Form.windowTitle(), "Select Group");
    EXPECT_EQ(Form.Label1->text(), "&Groups");
    EXPECT_EQ(Form.Label1->buddy(), Form.lstGroups);
    EXPECT_EQ(Form.btnOk->text(), "&Ok");
    EXPECT_TRUE(Form.btnOk->isDefault());
    EXPECT_EQ(Form.btnCancel->text(), "&Cancel");
    EXPECT_FALSE(Form.lstGroups->Sorted());
}

TEST_F(SelectGroupTest, GroupsStandInSlotOrderWithNoneSelectedAndOkWaitsForOne)
{
    Settings.Groups[7].FromText("Alpha,0000000001");
    Settings.Groups[3].FromText("Zeta,0000000002");
    bool okAtStart = true;
    bool okAfterPick = false;
    QStringList texts;
    std::vector<int64_t> slotIndexes;
    QWidget* focus = nullptr;
    Dialogs.Answer([&](QDialog&) {
        okAtStart = Form.btnOk->isEnabled();
        focus = Form.focusWidget();
        for (int row = 0; row < Form.lstGroups->count(); ++row) {
            texts.append(Form.lstGroups->item(row)->text());
            slotIndexes.push_back(Form.lstGroups->Data(row));
        }
        EXPECT_EQ(Form.lstGroups->ItemIndex(), -1);
        Form.lstGroups->setCurrentRow(1);
        okAfterPick = Form.btnOk->isEnabled();
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(Form.Execute(Settings, Users), QDialog::Rejected);
    EXPECT_EQ(texts, QStringList({"Zeta", "Alpha"}));
    EXPECT_EQ(slotIndexes, (std::vector<int64_t>{3, 7}));
    EXPECT_FALSE(okAtStart);
    EXPECT_TRUE(okAfterPick);
    EXPECT_EQ(focus, Form.lstGroups);
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, true, false})) << "Cancel leaves the caller's ticks";
}

TEST_F(SelectGroupTest, NoGroupsGiveAnEmptyListAndNoOk)
{
    bool ok = true;
    int entries = -1;
    Dialogs.Answer([&](QDialog&) {
        ok = Form.btnOk->isEnabled();
        entries = Form.lstGroups->count();
        Form.btnOkClick();
        return Form.isVisible() ? int(QDialog::Rejected) : Form.result();
    });
    EXPECT_EQ(Form.Execute(Settings, Users), QDialog::Rejected);
    EXPECT_FALSE(ok);
    EXPECT_EQ(entries, 0);
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, true, false}));
}

TEST_F(SelectGroupTest, OkChecksExactlyTheMembersAndIgnoresDeletedOnes)
{
    // Bob and Dan, and user 9, who has been deleted since.
    Settings.Groups[4].FromText("Sales,0000000002,0000000009,0000000005");
    AnswerPick("Sales");
    EXPECT_EQ(Form.Execute(Settings, Users), QDialog::Accepted);
    // Amy, Bob, Cid, Dan: the caller's Amy and Cid are unchecked.
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(Notified, 0) << "ticks set by program raise no notifications";
}

}  // namespace
