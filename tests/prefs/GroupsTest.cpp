#include "support/RecordsFixture.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmAEGroup.h"
#include "prefs/frmGroups.h"
#include "ui/CheckList.h"
#include "ui/ListBox.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QWindow>

#include <functional>

namespace {

// The groups dialog over users Amy (1) and Bob (2).
class GroupsTest : public TRecordsFixture
{
protected:
    void SetUp() override
    {
        TRecordsFixture::SetUp();
        Settings.SetDefaults();
        AddUser("Amy");
        AddUser("Bob");
    }

    // Runs the groups dialog; inside acts in it, then Close is pressed.
    // Group dialogs opened inside take the answers queued by AnswerGroup
    // in nested.
    int Run(const std::function<void()>& inside, const std::function<void()>& nested = {})
    {
        Dialogs.Answer([this, inside](QDialog&) {
            inside();
            QTest::mouseClick(Form.btnClose, Qt::LeftButton);
            return Form.result();
        });
        if (nested)
            nested();
        return Form.Execute(Settings, *Db);
    }

    // Queues the answer of the group dialog: description and the rows to
    // check, then OK (or Cancel when ok is false).
    void AnswerGroup(const QString& description, std::vector<int> rows, bool ok = true)
    {
        Dialogs.Answer([this, description, rows, ok](QDialog&) {
            TfrmAEGroup& group = *Form.frmAEGroup;
            group.edtDescription->setText(description);
            for (int row : rows)
                group.lstMembers->ClickCheck(row);
            QTest::mouseClick(ok ? group.btnOk : group.btnCancel, Qt::LeftButton);
            return group.result();
        });
    }

    QStringList Listed() const
    {
        QStringList texts;
        for (int row = 0; row < Form.lstGroups->count(); ++row)
            texts.append(Form.lstGroups->item(row)->text() + "@" + QString::number(Form.lstGroups->Data(row)));
        return texts;
    }

    void Select(const QString& text)
    {
        const auto found = Form.lstGroups->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        Form.lstGroups->setCurrentItem(found.front());
    }

    void FillAllSlots()
    {
        for (int slot = 0; slot < TOrbekoCfg::GroupCount; ++slot)
            Settings.Groups[slot].FromText(QString("G%1,0000000001").arg(slot));
    }

    TOrbekoCfg Settings;
    TfrmGroups Form;
};

TEST_F(GroupsTest, FaceOfTheDialog)
{
    EXPECT_EQ(Form.windowTitle(), "Groups");
    EXPECT_EQ(Form.Label1->text(), "&Groups");
    EXPECT_EQ(Form.Label1->buddy(), Form.lstGroups);
    EXPECT_TRUE(Form.lstGroups->Sorted());
    EXPECT_EQ(Form.btnClose->text(), "&Close");
    EXPECT_TRUE(Form.btnClose->isDefault());

    struct TActionFace
    {
        QAction* Action;
        const char* Caption;
        const char* Hint;
        QKeySequence Shortcut;
    };
    for (const TActionFace& a : {TActionFace{Form.actNew, "&New...", "Add a new group", QKeySequence(Qt::Key_Insert)},
                                 TActionFace{Form.actProperties, "&Properties...",
                                             "Edit the selected group properties", QKeySequence()},
                                 TActionFace{Form.actDelete, "&Delete...", "Delete the selected group",
                                             QKeySequence(Qt::Key_Delete)}}) {
        EXPECT_EQ(a.Action->text(), a.Caption);
        EXPECT_EQ(a.Action->toolTip(), a.Hint);
        EXPECT_EQ(a.Action->statusTip(), a.Hint);
        EXPECT_EQ(a.Action->shortcut(), a.Shortcut);
    }
    EXPECT_EQ(Form.tbrGroups->actions(), (QList<QAction*>{Form.actNew, Form.actProperties, Form.actDelete}));
    const QList<QAction*> popup = Form.mnuPopup->actions();
    ASSERT_EQ(popup.size(), 4);
    EXPECT_EQ(popup[0], Form.actNew);
    EXPECT_EQ(popup[1], Form.actDelete);
    EXPECT_TRUE(popup[2]->isSeparator());
    EXPECT_EQ(popup[3], Form.actProperties);
}

TEST_F(GroupsTest, ListsTheGroupsInUseSortedWithTheirSlots)
{
    Settings.Groups[2].FromText("Sales,0000000001");
    Settings.Groups[5].FromText("Admin,0000000002");
    Settings.Groups[8].FromText(",0000000002");
    QWidget* focus = nullptr;
    const int result = Run([&] { focus = Form.focusWidget(); });
    EXPECT_EQ(result, QDialog::Accepted) << "Close closes with OK";
    EXPECT_EQ(Listed(), QStringList({"Admin@5", "Sales@2"}));
    EXPECT_EQ(focus, Form.lstGroups);
}

TEST_F(GroupsTest, PropertiesAndDeleteWaitForASelection)
{
    Settings.Groups[0].FromText("Sales,0000000001");
    Run([&] {
        EXPECT_TRUE(Form.actNew->isEnabled());
        EXPECT_FALSE(Form.actProperties->isEnabled());
        EXPECT_FALSE(Form.actDelete->isEnabled());
        Select("Sales");
        EXPECT_TRUE(Form.actProperties->isEnabled());
        EXPECT_TRUE(Form.actDelete->isEnabled());
    });
}

TEST_F(GroupsTest, NewGroupGoesToTheLowestFreeSlot)
{
    Settings.Groups[0].FromText("First,0000000001");
    Settings.Groups[2].FromText("Third,0000000001");
    QString title;
    Run([&] {
        Form.actNew->trigger();
        title = Form.frmAEGroup->windowTitle();
    }, [&] { AnswerGroup("Second", {1, 0}); });
    EXPECT_EQ(title, "New Group");
    EXPECT_EQ(Settings.Groups[1].ToText(), "Second,0000000001,0000000002");
    EXPECT_EQ(Listed(), QStringList({"First@0", "Second@1", "Third@2"}));
}

TEST_F(GroupsTest, CancelledNewGroupLeavesNoTrace)
{
    Run([&] { Form.actNew->trigger(); }, [&] { AnswerGroup("Ghost", {0}, false); });
    EXPECT_EQ(Dialogs.Runs().size(), 2u);
    EXPECT_EQ(Form.lstGroups->count(), 0);
    for (const TGroup& slot : Settings.Groups)
        EXPECT_EQ(slot.ToText(), ",");
}

TEST_F(GroupsTest, TenGroupsDisableNewUntilOneIsDeletedAndTheNextTakesItsSlot)
{
    FillAllSlots();
    Messages.Answer(TMessageAnswer::Yes);
    Run([&] {
        EXPECT_FALSE(Form.actNew->isEnabled());
        Select("G3");
        Form.actDelete->trigger();
        EXPECT_TRUE(Form.actNew->isEnabled());
        Form.actNew->trigger();
        EXPECT_FALSE(Form.actNew->isEnabled());
    }, [&] { AnswerGroup("Fresh", {1}); });
    EXPECT_EQ(Settings.Groups[3].ToText(), "Fresh,0000000002");
    EXPECT_EQ(Form.lstGroups->count(), 10);
    EXPECT_EQ(Messages.UnexpectedCount(), 0);
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
}

TEST_F(GroupsTest, NoFreeSlotAfterTheGroupDialogIsAnErrorThatChangesNothing)
{
    FillAllSlots();
    Run([&] {
        try {
            Form.actNewExecute();
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Unable to locate free group slot");
        }
    }, [&] { AnswerGroup("Extra", {0}); });
    EXPECT_EQ(Form.lstGroups->count(), 10);
    for (int slot = 0; slot < TOrbekoCfg::GroupCount; ++slot)
        EXPECT_EQ(Settings.Groups[slot].ToText(), QString("G%1,0000000001").arg(slot));
}

TEST_F(GroupsTest, PropertiesEditTheSlotInPlaceAndRenameTheEntry)
{
    Settings.Groups[4].FromText("Alpha,0000000001");
    Settings.Groups[6].FromText("Beta,0000000002");
    const TGroup* slot = &Settings.Groups[4];
    QString title;
    int selected = -1;
    Run([&] {
        Select("Alpha");
        Form.actProperties->trigger();
        title = Form.frmAEGroup->windowTitle();
        selected = Form.lstGroups->ItemIndex();
    }, [&] { AnswerGroup("Omega", {1}); });
    EXPECT_EQ(title, "Group Properties");
    EXPECT_EQ(&Settings.Groups[4], slot);
    EXPECT_EQ(Settings.Groups[4].ToText(), "Omega,0000000001,0000000002");
    EXPECT_EQ(Listed(), QStringList({"Beta@6", "Omega@4"}));
    EXPECT_EQ(selected, 1) << "the renamed entry stays selected";
}

TEST_F(GroupsTest, CancelledPropertiesChangeNothing)
{
    Settings.Groups[4].FromText("Alpha,0000000001");
    Run([&] {
        Select("Alpha");
        Form.actProperties->trigger();
    }, [&] { AnswerGroup("Omega", {1}, false); });
    EXPECT_EQ(Settings.Groups[4].ToText(), "Alpha,0000000001");
    EXPECT_EQ(Listed(), QStringList({"Alpha@4"}));
}

TEST_F(GroupsTest, DeleteAsksWithTheNameInQuotesAndDoesNothingOnNo)
{
    Settings.Groups[1].FromText("Sales,0000000001");
    Messages.Answer(TMessageAnswer::No);
    Run([&] {
        Select("Sales");
        Form.actDelete->trigger();
    });
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TMessageKind::Confirmation);
    EXPECT_EQ(Messages.Shown()[0].Buttons, TMessageButtons::YesNo);
    EXPECT_EQ(Messages.Shown()[0].Text, "Delete group \"Sales\". Are you sure?");
    EXPECT_EQ(Settings.Groups[1].ToText(), "Sales,0000000001");
    EXPECT_EQ(Listed(), QStringList({"Sales@1"}));
}

TEST_F(GroupsTest, DeleteOnYesFreesTheSlotAndRemovesTheEntry)
{
    Settings.Groups[1].FromText("Sales,0000000001");
    Settings.Groups[2].FromText("Admin,0000000002");
    Messages.Answer(TMessageAnswer::Yes);
    Run([&] {
        Select("Sales");
        Form.actDelete->trigger();
        EXPECT_EQ(Form.actDelete->isEnabled(), Form.lstGroups->ItemIndex() >= 0);
    });
    EXPECT_EQ(Settings.Groups[1].ToText(), ",");
    EXPECT_EQ(Settings.Groups[2].ToText(), "Admin,0000000002");
    EXPECT_EQ(Listed(), QStringList({"Admin@2"}));
}

// Presses come through the window, as the window system delivers them, so
// that the pop-up menu that follows a right press is part of the test.
TEST_F(GroupsTest, RightPressSelectsTheEntryUnderItForThePopupAndNothingOverEmptySpace)
{
    Settings.Groups[0].FromText("Alpha,0000000001");
    Settings.Groups[1].FromText("Beta,0000000001");
    Run([&] {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
        QWindow* window = Form.windowHandle();
        const QWidget* viewport = Form.lstGroups->viewport();
        auto at = [&](const QPoint& point) { return viewport->mapTo(&Form, point); };
        const QRect beta = Form.lstGroups->visualItemRect(Form.lstGroups->item(1));
        QTest::mousePress(window, Qt::RightButton, {}, at(beta.center()));
        QTest::mouseRelease(window, Qt::RightButton, {}, at(beta.center()));
        EXPECT_EQ(Form.lstGroups->ItemIndex(), 1);
        EXPECT_TRUE(Form.mnuPopup->isVisible());
        Form.mnuPopup->hide();

        const QPoint empty(beta.center().x(), viewport->height() - 2);
        ASSERT_EQ(Form.lstGroups->itemAt(empty), nullptr);
        QTest::mousePress(window, Qt::RightButton, {}, at(empty));
        QTest::mouseRelease(window, Qt::RightButton, {}, at(empty));
        EXPECT_EQ(Form.lstGroups->ItemIndex(), 1);
        Form.mnuPopup->hide();

        const QRect alpha = Form.lstGroups->visualItemRect(Form.lstGroups->item(0));
        QTest::mouseClick(window, Qt::LeftButton, {}, at(alpha.center()));
        EXPECT_EQ(Form.lstGroups->ItemIndex(), 0) << "the left button is the list's own";
    });
}

TEST_F(GroupsTest, EachRunListsTheSettingsAnew)
{
    Settings.Groups[0].FromText("Alpha,0000000001");
    Run([] {});
    Settings.Groups[0].Clear();
    Settings.Groups[9].FromText("Zulu,0000000002");
    Run([] {});
    EXPECT_EQ(Listed(), QStringList({"Zulu@9"}));
}

}  // namespace
