#include "prefs/frmGroups.h"

#include "prefs/GroupList.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmAEGroup.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/DialogRunner.h"
#include "ui/ExecuteScope.h"
#include "ui/ListBox.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

TfrmGroups::TfrmGroups(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGroups"));
    setWindowTitle(QStringLiteral("Groups"));

    Label1 = new QLabel(QStringLiteral("&Groups"), this);
    lstGroups = new TListBox(this);
    lstGroups->setObjectName(QStringLiteral("lstGroups"));
    lstGroups->SetSorted(true);
    Label1->setBuddy(lstGroups);

    const QStyle* s = style();
    TActionFactory actions(*this);
    actNew = actions.Make("actNew", "&New...", "Add a new group", QKeySequence(Qt::Key_Insert), this,
                          &TfrmGroups::actNewExecute, s->standardIcon(QStyle::SP_FileIcon));
    actProperties = actions.Make("actProperties", "&Properties...", "Edit the selected group properties", {}, this,
                                 &TfrmGroups::actPropertiesExecute,
                                 s->standardIcon(QStyle::SP_FileDialogDetailedView));
    actDelete = actions.Make("actDelete", "&Delete...", "Delete the selected group", QKeySequence(Qt::Key_Delete),
                             this, &TfrmGroups::actDeleteExecute, s->standardIcon(QStyle::SP_TrashIcon));

    tbrGroups = new QToolBar(this);
    tbrGroups->setObjectName(QStringLiteral("tbrGroups"));
    tbrGroups->setIconSize(QSize(16, 16));
    tbrGroups->addAction(actNew);
    tbrGroups->addAction(actProperties);
    tbrGroups->addAction(actDelete);

    mnuPopup = new QMenu(this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopup->addAction(actNew);
    mnuPopup->addAction(actDelete);
    mnuPopup->addSeparator();
    mnuPopup->addAction(actProperties);
    // The list's own right press selects the entry under it and leaves the
    // selection alone over empty space, so the menu acts on what was clicked.
    lstGroups->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstGroups, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { mnuPopup->popup(lstGroups->viewport()->mapToGlobal(pos)); });

    auto* buttons = new TButtonRow(this);
    btnClose = buttons->Add("btnClose", "&Close", [this] { accept(); }, TButtonRole::Default);

    // The enabling rules follow every change of the list.
    connect(lstGroups, &QListWidget::itemSelectionChanged, this, &TfrmGroups::UpdateActions);
    connect(lstGroups->model(), &QAbstractItemModel::rowsInserted, this, &TfrmGroups::UpdateActions);
    connect(lstGroups->model(), &QAbstractItemModel::rowsRemoved, this, &TfrmGroups::UpdateActions);

    frmAEGroup = new TfrmAEGroup(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbrGroups);
    layout->addWidget(Label1);
    layout->addWidget(lstGroups);
    layout->addWidget(buttons);
    UpdateActions();
}

int TfrmGroups::Execute(TOrbekoCfg& settings, TOrbekoDB& database)
{
    TExecuteScope scope;
    scope.Bind(Settings_, &settings).Bind(Db_, &database);
    lstGroups->setFocus();
    FillGroups();
    return TDialogRunner::Run(*this);
}

void TfrmGroups::FillGroups()
{
    ::FillGroups(*lstGroups, *Settings_);
    UpdateActions();
}

void TfrmGroups::UpdateActions()
{
    const bool selected = lstGroups->ItemIndex() >= 0;
    actNew->setEnabled(lstGroups->count() < TOrbekoCfg::GroupCount);
    actProperties->setEnabled(selected);
    actDelete->setEnabled(selected);
}

// The group is built apart and copied into the first free slot only when
// confirmed, so a cancelled creation leaves no trace.
void TfrmGroups::actNewExecute()
{
    if (!Settings_)
        return;
    TGroup group;
    if (frmAEGroup->Execute(group, QStringLiteral("New Group"), *Db_) != QDialog::Accepted)
        return;
    auto& groups = Settings_->Groups;
    const auto free = std::find_if(groups.begin(), groups.end(),
                                   [](const TGroup& slot) { return slot.Description.isEmpty(); });
    if (free == groups.end())
        throw std::runtime_error("Unable to locate free group slot");
    free->FromText(group.ToText());
    lstGroups->AddItem(free->Description, free - groups.begin());
}

void TfrmGroups::actPropertiesExecute()
{
    const int row = lstGroups->ItemIndex();
    if (!Settings_ || row < 0)
        return;
    TGroup& group = Settings_->Groups.at(static_cast<std::size_t>(lstGroups->Data(row)));
    if (frmAEGroup->Execute(group, QStringLiteral("Group Properties"), *Db_) != QDialog::Accepted)
        return;
    lstGroups->SetItemText(row, group.Description);
}

void TfrmGroups::actDeleteExecute()
{
    const int row = lstGroups->ItemIndex();
    if (!Settings_ || row < 0)
        return;
    const QString question =
        QStringLiteral("Delete group \"") + lstGroups->item(row)->text() + QStringLiteral("\". Are you sure?");
    if (TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo, question) != TMessageAnswer::Yes)
        return;
    Settings_->Groups.at(static_cast<std::size_t>(lstGroups->Data(row))).Clear();
    delete lstGroups->takeItem(row);
}
