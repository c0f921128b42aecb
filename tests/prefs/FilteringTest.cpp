#include "support/RecordsFixture.h"

#include "prefs/FilterRules.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmFiltering.h"
#include "prefs/frmSelectGroup.h"
#include "support/SessionWithRights.h"
#include "ui/CheckList.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <functional>

namespace {

// Users listed by full name: Amy, Bob, Cid, Dan.
class FilteringTest : public TRecordsFixture
{
protected:
    void SetUp() override
    {
        TRecordsFixture::SetUp();
        Dan = AddUser("Dan");
        Bob = AddUser("Bob");
        Amy = AddUser("Amy");
        Cid = AddUser("Cid");
        Settings.SetDefaults();
    }
    int Run(std::function<void(TfrmFiltering&)> act)
    {
        Dialogs.Answer([act](QDialog& dialog) {
            act(static_cast<TfrmFiltering&>(dialog));
            return dialog.result();
        });
        return Form.Execute(Settings, *Db, Rules);
    }
    // The mode shown, then the names ticked.
    static QStringList Shown(const TfrmFiltering& form)
    {
        QStringList shown{QString::number(form.grpMode->checkedId())};
        for (int row = 0; row < form.lstUsers->count(); ++row)
            if (form.lstUsers->Checked(row))
                shown << form.lstUsers->item(row)->text();
        return shown;
    }
    static void Tick(TfrmFiltering& form, const QString& name)
    {
        form.lstUsers->ClickCheck(form.lstUsers->row(form.lstUsers->findItems(name, Qt::MatchExactly).front()));
    }
    std::vector<std::string> Listed() const
    {
        std::vector<std::string> listed;
        for (const std::string& id : {Amy, Bob, Cid, Dan})
            if (Rules.HasUser(id))
                listed.push_back(id);
        return listed;
    }

    std::string Amy, Bob, Cid, Dan;
    TOrbekoCfg Settings;
    TFilterRules Rules;
    TfrmFiltering Form;
};

// What OK stored is what the next opening shows; only the users mode shows
// ticks, and with nobody ticked it lets no entry pass.
TEST_F(FilteringTest, ReopeningShowsTheChoiceStored)
{
    const struct
    {
        QRadioButton* TfrmFiltering::*Choice;
        QStringList Ticks;
        QStringList Shown;
    } cases[] = {
        {&TfrmFiltering::rdoUsers, {"Dan", "Bob"}, {"2", "Bob", "Dan"}},
        {&TfrmFiltering::rdoMe, {"Dan"}, {"1"}},
        {&TfrmFiltering::rdoAll, {"Dan"}, {"0"}},
        {&TfrmFiltering::rdoUsers, {}, {"2"}},
    };
    for (const auto& c : cases) {
        Rules.ClearUsers();
        EXPECT_EQ(Run([&](TfrmFiltering& form) {
                      for (const QString& name : c.Ticks)
                          Tick(form, name);
                      EXPECT_TRUE(c.Ticks.isEmpty() || form.rdoUsers->isChecked()) << "a tick chooses the users";
                      (form.*c.Choice)->setChecked(true);
                      QTest::mouseClick(form.btnOk, Qt::LeftButton);
                  }),
                  QDialog::Accepted);
        Run([&](TfrmFiltering& form) {
            EXPECT_EQ(Shown(form), c.Shown);
            form.reject();
        });
    }
    TDayEntryRec entry{};
    SetField(entry.AssigneeIds[0], Amy);
    EXPECT_FALSE(EntryVisible(entry, Rules, SessionWithRights(Amy, urAdminister)));
}

TEST_F(FilteringTest, CancelLeavesTheRulesAsTheyWere)
{
    Rules.AddUser(Bob);
    Rules.Mode = fmListedUsers;
    EXPECT_EQ(Run([](TfrmFiltering& form) {
                  Tick(form, "Amy");
                  Tick(form, "Bob");
                  form.rdoMe->setChecked(true);
                  QTest::mouseClick(form.btnCancel, Qt::LeftButton);
              }),
              QDialog::Rejected);
    EXPECT_EQ(Rules.Mode, fmListedUsers);
    EXPECT_EQ(Listed(), std::vector<std::string>{Bob});
}

TEST_F(FilteringTest, AGroupTicksExactlyItsMembers)
{
    Settings.Groups[3].FromText(QString::fromStdString("Team," + Amy + "," + Cid));
    Run([this](TfrmFiltering& form) {
        Tick(form, "Bob");
        form.rdoAll->setChecked(true);
        Tick(form, "Bob");
        EXPECT_TRUE(form.rdoUsers->isChecked()) << "unticking chooses the users too";
        form.rdoAll->setChecked(true);
        Dialogs.Answer([](QDialog& dialog) {
            auto& select = static_cast<TfrmSelectGroup&>(dialog);
            select.lstGroups->setCurrentRow(0);
            QTest::mouseClick(select.btnOk, Qt::LeftButton);
            return select.result();
        });
        QTest::mouseClick(form.btnGroup, Qt::LeftButton);
        EXPECT_EQ(Shown(form), (QStringList{"2", "Amy", "Cid"}));
        QTest::mouseClick(form.btnOk, Qt::LeftButton);
    });
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
    EXPECT_EQ(Listed(), (std::vector<std::string>{Amy, Cid}));
}

}  // namespace
