#include "prefs/frmSelectGroup.h"

#include "prefs/GroupList.h"
#include "prefs/OrbekoCfg.h"
#include "storage/Stamp.h"
#include "ui/CheckList.h"
#include "ui/DialogRunner.h"

#include <QHBoxLayout>
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
    btnOk = new QPushButton(QStringLiteral("&Ok"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, this, &TfrmSelectGroup::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // OK needs a group to take the ticks from.
    connect(lstGroups, &QListWidget::itemSelectionChanged, this,
            [this] { btnOk->setEnabled(lstGroups->ItemIndex() >= 0); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lstGroups);
    layout->addLayout(buttons);
}

int TfrmSelectGroup::Execute(const TOrbekoCfg& settings, TCheckList& checkList)
{
    Settings_ = &settings;
    CheckList_ = &checkList;
    FillGroups();
    btnOk->setEnabled(false);
    lstGroups->setFocus();
    const int result = TDialogRunner::Run(*this);
    Settings_ = nullptr;
    CheckList_ = nullptr;
    return result;
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
