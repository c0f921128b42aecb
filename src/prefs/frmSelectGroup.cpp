#include "prefs/frmSelectGroup.h"

#include "prefs/GroupList.h"
#include "prefs/OrbekoCfg.h"
#include "storage/Stamp.h"
#include "ui/CheckList.h"
#include "ui/ButtonRow.h"
#include "ui/DialogRunner.h"
#include "ui/ExecuteScope.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmSelectGroup::TfrmSelectGroup(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectGroup"));
    setWindowTitle(QStringLiteral("Select Group"));

    Label1 = new QLabel(QStringLiteral("&Groups"), this);
    lstGroups = new TListBox(this);
    lstGroups->setObjectName(QStringLiteral("lstGroups"));
    Label1->setBuddy(lstGroups);
    auto* buttons = new TButtonRow(this);
    btnOk = buttons->Add("btnOk", "&Ok", [this] { btnOkClick(); }, TButtonRole::Default);
    btnCancel = buttons->Add("btnCancel", "&Cancel", [this] { reject(); }, TButtonRole::Cancel);
    // OK needs a group to take the ticks from.
    connect(lstGroups, &QListWidget::itemSelectionChanged, this,
            [this] { btnOk->setEnabled(lstGroups->ItemIndex() >= 0); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lstGroups);
    layout->addWidget(buttons);
}

int TfrmSelectGroup::Execute(const TOrbekoCfg& settings, TCheckList& checkList)
{
    TExecuteScope scope;
    scope.Bind(Settings_, &settings).Bind(CheckList_, &checkList);
    FillGroups();
    btnOk->setEnabled(false);
    lstGroups->setFocus();
    return TDialogRunner::Run(*this);
}

void TfrmSelectGroup::FillGroups()
{
    ::FillGroups(*lstGroups, *Settings_);
}

void TfrmSelectGroup::btnOkClick()
{
    const int selected = lstGroups->ItemIndex();
    if (selected < 0 || !CheckList_)
        return;
    const TGroup& group = Settings_->Groups.at(static_cast<std::size_t>(lstGroups->Data(selected)));
    for (int row = 0; row < CheckList_->count(); ++row)
        CheckList_->SetChecked(row, group.HasMember(QString::fromStdString(IdText(CheckList_->Data(row)))));
    accept();
}
