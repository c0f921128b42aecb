#include "prefs/frmFiltering.h"

#include "prefs/FilterRules.h"
#include "prefs/frmSelectGroup.h"
#include "storage/KeyWalk.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/ExecuteScope.h"
#include "ui/CheckList.h"
#include "ui/DialogRunner.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption, const char* hint)
{
    auto* radio = new QRadioButton(QString::fromLatin1(caption), parent);
    radio->setObjectName(QString::fromLatin1(name));
    radio->setToolTip(QString::fromLatin1(hint));
    radio->setStatusTip(radio->toolTip());
    return radio;
}

}  // namespace

TfrmFiltering::TfrmFiltering(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFiltering"));
    setWindowTitle(QStringLiteral("Filtering"));

    pnlRules = new QFrame(this);
    pnlRules->setFrameShape(QFrame::Panel);
    pnlRules->setFrameShadow(QFrame::Sunken);
    rdoAll = MakeRadio(pnlRules, "rdoAll", "Show &all events", "Check to see all events");
    rdoMe = MakeRadio(pnlRules, "rdoMe", "Show events just for &me", "Check to just see events for yourself");
    rdoUsers = MakeRadio(pnlRules, "rdoUsers", "Show events just for these &users",
                         "Check to just see events for the users below");
    grpMode = new QButtonGroup(this);
    grpMode->addButton(rdoAll, fmAllEvents);
    grpMode->addButton(rdoMe, fmJustForMe);
    grpMode->addButton(rdoUsers, fmListedUsers);

    lstUsers = new TCheckList(pnlRules);
    lstUsers->setObjectName(QStringLiteral("lstUsers"));
    lstUsers->SetSorted(true);
    lstUsers->setToolTip(QStringLiteral("Select a number of users to see events for"));
    lstUsers->setStatusTip(lstUsers->toolTip());
    lstUsers->OnChanging = [this](int row, bool checking) { return lstUsersChanging(row, checking); };

    btnGroup = new QToolButton(pnlRules);
    btnGroup->setObjectName(QStringLiteral("btnGroup"));
    btnGroup->setAutoRaise(true);
    btnGroup->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    btnGroup->setToolTip(QStringLiteral("Select users from a group"));
    btnGroup->setStatusTip(btnGroup->toolTip());
    connect(btnGroup, &QToolButton::clicked, this, TActionFactory::Guard([this] { btnGroupClick(); }));

    auto* panel = new QGridLayout(pnlRules);
    panel->addWidget(rdoAll, 0, 0, 1, 2);
    panel->addWidget(rdoMe, 1, 0, 1, 2);
    panel->addWidget(rdoUsers, 2, 0, 1, 2);
    panel->addWidget(lstUsers, 3, 0);
    panel->addWidget(btnGroup, 3, 1, Qt::AlignTop);
    panel->setRowStretch(3, 1);

    auto* buttons = new TButtonRow(this);
    btnOk = buttons->Add("btnOk", "&Ok", [this] { btnOkClick(); }, TButtonRole::Default);
    btnCancel = buttons->Add("btnCancel", "&Cancel", [this] { reject(); }, TButtonRole::Cancel);

    frmSelectGroup = new TfrmSelectGroup(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pnlRules);
    layout->addWidget(buttons);
    // A fixed dialog border, never smaller than its contents need.
    setFixedSize(QSize(264, 278).expandedTo(sizeHint()));
}

int TfrmFiltering::Execute(const TOrbekoCfg& settings, TOrbekoDB& database, TFilterRules& rules)
{
    TExecuteScope scope;
    scope.Bind(Settings_, &settings).Bind(Db_, &database).Bind(Rules_, &rules);
    LoadUsers();
    ShowRules();
    return TDialogRunner::Run(*this);
}

// Users in identifier order; the list sorts them by full name. A read that
// fails before the end is an error: OK on a list short of some users would
// drop them from the rules.
void TfrmFiltering::LoadUsers()
{
    lstUsers->clear();
    TUserRec user;
    TKeyWalk walk = TKeyWalk::All(Db_->UserFile, TOrbekoDB::UserIdKey);
    while (walk.Next(user))
        lstUsers->AddItem(FieldString(user.FullName), IdValue(walk.Id()));
}

void TfrmFiltering::ShowRules()
{
    const TFilterRules& rules = *Rules_;
    QAbstractButton* mode = grpMode->button(rules.Mode);
    (mode ? mode : rdoAll)->setChecked(true);
    for (int row = 0; row < lstUsers->count(); ++row)
        lstUsers->SetChecked(row, rules.Mode == fmListedUsers && rules.HasUser(IdText(lstUsers->Data(row))));
}

void TfrmFiltering::StoreRules()
{
    TFilterRules& rules = *Rules_;
    if (rdoAll->isChecked()) {
        rules.Mode = fmAllEvents;
        return;
    }
    if (rdoMe->isChecked()) {
        rules.Mode = fmJustForMe;
        return;
    }
    rules.Mode = fmListedUsers;
    rules.ClearUsers();
    for (int row = 0; row < lstUsers->count(); ++row)
        if (lstUsers->Checked(row))
            rules.AddUser(IdText(lstUsers->Data(row)));
}

void TfrmFiltering::btnOkClick()
{
    if (!Rules_)
        return;
    StoreRules();
    accept();
}

void TfrmFiltering::btnGroupClick()
{
    if (Settings_ && frmSelectGroup->Execute(*Settings_, *lstUsers) == QDialog::Accepted)
        rdoUsers->setChecked(true);
}

bool TfrmFiltering::lstUsersChanging(int, bool)
{
    rdoUsers->setChecked(true);
    return true;
}
