#include "prefs/frmAEGroup.h"

#include "prefs/Group.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "ui/CheckList.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/DialogRunner.h"
#include "ui/ExecuteScope.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>


TfrmAEGroup::TfrmAEGroup(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAEGroup"));
    setWindowTitle(QStringLiteral("Group"));

    Label1 = new QLabel(QStringLiteral("&Description"), this);
    edtDescription = new QLineEdit(this);
    edtDescription->setObjectName(QStringLiteral("edtDescription"));
    // Letters and digits only: the stored form of a group separates its
    // name from its members with a comma.
    edtDescription->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9]*")), edtDescription));
    Label1->setBuddy(edtDescription);
    Label2 = new QLabel(QStringLiteral("&Members"), this);
    lstMembers = new TCheckList(this);
    lstMembers->setObjectName(QStringLiteral("lstMembers"));
    lstMembers->SetSorted(true);
    Label2->setBuddy(lstMembers);

    actOk = TActionFactory(*this).Make("actOk", "&Ok", "", {}, this, &TfrmAEGroup::actOkExecute);
    auto* buttons = new TButtonRow(this);
    btnOk = buttons->Add("btnOk", actOk, TButtonRole::Default);
    btnCancel = buttons->Add("btnCancel", "&Cancel", [this] { reject(); }, TButtonRole::Cancel);

    connect(edtDescription, &QLineEdit::textChanged, this, &TfrmAEGroup::actOkUpdate);
    lstMembers->OnChange = [this](int) { actOkUpdate(); };

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(edtDescription);
    layout->addWidget(Label2);
    layout->addWidget(lstMembers);
    layout->addWidget(buttons);
}

int TfrmAEGroup::Execute(TGroup& group, const QString& title, TOrbekoDB& database)
{
    setWindowTitle(title);
    TExecuteScope scope;
    scope.Bind(Group_, &group).Bind(Db_, &database);
    edtDescription->setText(group.Description);
    edtDescription->setFocus();
    FillMembers();
    actOkUpdate();
    return TDialogRunner::Run(*this);
}

// Users in identifier order; the list sorts them by full name. A read that
// fails before the end is an error: a list short of some users would drop
// them from the group on OK.
void TfrmAEGroup::FillMembers()
{
    lstMembers->clear();
    TUserRec user;
    TKeyWalk walk = TKeyWalk::All(Db_->UserFile, TOrbekoDB::UserIdKey);
    while (walk.Next(user)) {
        const std::string& id = walk.Id();
        const int row = lstMembers->AddItem(FieldString(user.FullName), IdValue(id));
        if (Group_->HasMember(QString::fromStdString(id)))
            lstMembers->SetChecked(row, true);
    }
}

bool TfrmAEGroup::CanSave() const
{
    const int members = lstMembers->CheckedCount();
    return !edtDescription->text().isEmpty() && members >= 1 && members <= MaxMembers;
}

void TfrmAEGroup::actOkUpdate()
{
    actOk->setEnabled(CanSave());
}

// Members are written in list order, alphabetical by full name; members
// without an entry (users deleted since) are dropped.
void TfrmAEGroup::actOkExecute()
{
    if (!Group_ || !CanSave())
        return;
    Group_->Description = edtDescription->text();
    Group_->Members.clear();
    for (int row = 0; row < lstMembers->count(); ++row)
        if (lstMembers->Checked(row))
            Group_->AddMember(QString::fromStdString(IdText(lstMembers->Data(row))));
    accept();
}
