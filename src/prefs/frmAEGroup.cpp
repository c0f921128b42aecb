#include "prefs/frmAEGroup.h"

#include "prefs/Group.h"
#include "storage/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "ui/CheckList.h"
#include "ui/DialogRunner.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <stdexcept>

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

    actOk = new QAction(QStringLiteral("&Ok"), this);
    actOk->setObjectName(QStringLiteral("actOk"));
    connect(actOk, &QAction::triggered, this, &TfrmAEGroup::actOkExecute);
    btnOk = new QPushButton(actOk->text(), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, actOk, &QAction::trigger);
    connect(actOk, &QAction::enabledChanged, btnOk, &QWidget::setEnabled);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    connect(edtDescription, &QLineEdit::textChanged, this, &TfrmAEGroup::actOkUpdate);
    lstMembers->OnChange = [this](int) { actOkUpdate(); };

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(edtDescription);
    layout->addWidget(Label2);
    layout->addWidget(lstMembers);
    layout->addLayout(buttons);
}

int TfrmAEGroup::Execute(TGroup& group, const QString& title, TOrbekoDB& database)
{
    setWindowTitle(title);
    Group_ = &group;
    Db_ = &database;
    struct TForget
    {
        TfrmAEGroup& Form;
        ~TForget()
        {
            Form.Group_ = nullptr;
            Form.Db_ = nullptr;
        }
    } forget{*this};
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
    TXIsamFile& users = Db_->UserFile;
    TUserRec user;
    users.GoTop(0);
    while (users.GetNext(user, 0, "", gcAny)) {
        const std::string& id = users.LastKey();
        const int row = lstMembers->AddItem(QString::fromLatin1(FieldText(user.FullName)), IdValue(id));
        if (Group_->HasMember(QString::fromStdString(id)))
            lstMembers->SetChecked(row, true);
    }
    if (users.Status() != ksNotFound)
        throw std::runtime_error(users.StatusText());
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
