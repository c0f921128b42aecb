#include "prefs/frmGroups.h"

#include "prefs/GroupList.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmAEGroup.h"
#include "ui/DialogRunner.h"
#include "ui/ListBox.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
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
    actNew = MakeAction("actNew", "&New...", "Add a new group", QKeySequence(Qt::Key_Insert),
                        &TfrmGroups::actNewExecute, s->standardIcon(QStyle::SP_FileIcon));
    actProperties = MakeAction("actProperties", "&Properties...", "Edit the selected group properties", {},
                               &TfrmGroups::actPropertiesExecute,
                               s->standardIcon(QStyle::SP_FileDialogDetailedView));
    actDelete = MakeAction("actDelete", "&Delete...", "Delete the selected group", QKeySequence(Qt::Key_Delete),
                           &TfrmGroups::actDeleteExecute, s->standardIcon(QStyle::SP_TrashIcon));

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
    lstGroups->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstGroups, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { mnuPopup->popup(lstGroups->viewport()->mapToGlobal(pos)); });
    lstGroups->viewport()->installEventFilter(this);

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    // The enabling rules follow every change of the list.
    connect(lstGroups, &QListWidget::itemSelectionChanged, this, &TfrmGroups::UpdateActions);
    connect(lstGroups->model(), &QAbstractItemModel::rowsInserted, this, &TfrmGroups::UpdateActions);
    connect(lstGroups->model(), &QAbstractItemModel::rowsRemoved, this, &TfrmGroups::UpdateActions);

    frmAEGroup = new TfrmAEGroup(this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbrGroups);
    layout->addWidget(Label1);
    layout->addWidget(lstGroups);
    layout->addLayout(buttons);
    UpdateActions();
}

QAction* TfrmGroups::MakeAction(const char* name, const char* caption, const char* hint, QKeySequence shortcut,
                                void (TfrmGroups::*handler)(), const QIcon& icon)
{
    auto* action = new QAction(icon, QString::fromLatin1(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(QString::fromLatin1(hint));
    action->setStatusTip(QString::fromLatin1(hint));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, handler);
    addAction(action);
    return action;
}

int TfrmGroups::Execute(TOrbekoCfg& settings, TOrbekoDB& database)
{
    Settings_ = &settings;
    Db_ = &database;
    lstGroups->setFocus();
    FillGroups();
    const int result = TDialogRunner::Run(*this);
    Settings_ = nullptr;
    Db_ = nullptr;
    return result;
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

bool TfrmGroups::lstGroupsMouseDown(const QMouseEvent& event)
{
    if (event.button() != Qt::RightButton)
        return false;
    if (QListWidgetItem* item = lstGroups->itemAt(event.position().toPoint()))
        lstGroups->setCurrentItem(item);
    return true;
}

bool TfrmGroups::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstGroups->viewport() && event->type() == QEvent::MouseButtonPress &&
        lstGroupsMouseDown(static_cast<QMouseEvent&>(*event)))
        return true;
    return QDialog::eventFilter(watched, event);
}
