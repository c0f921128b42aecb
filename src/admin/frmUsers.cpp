#include "admin/frmUsers.h"

#include "admin/UserAccounts.h"
#include "admin/frmDeleteUser.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "storage/UserPassword.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/ExecuteScope.h"
#include "ui/CheckList.h"
#include "ui/DialogRunner.h"
#include "ui/FieldValidator.h"
#include "ui/MessageBox.h"
#include "ui/UpperCaseValidator.h"
#include "ui/WaitCursor.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

struct TFlagItem
{
    const char* Text;
    int32_t Bit;
};

// The order of the list, which is not the order of the bits.
constexpr std::array<TFlagItem, 4> kFlagItems{{
    {"Can administer", urAdminister},
    {"Can add entries", urAddEntries},
    {"Can modify other users entries", urModifyOthers},
    {"Can add entries for other users", urAddForOthers},
}};

}  // namespace

TfrmUsers::TfrmUsers(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUsers"));
    setWindowTitle(QStringLiteral("Users"));

    lstUsers = new TListBox(this);
    lstUsers->setObjectName(QStringLiteral("lstUsers"));
    lstUsers->SetSorted(true);

    auto edit = [this](const char* name, const char* label, QLabel*& lbl) {
        auto* edt = new QLineEdit(this);
        edt->setObjectName(QString::fromLatin1(name));
        lbl = new QLabel(QString::fromLatin1(label), this);
        lbl->setBuddy(edt);
        return edt;
    };
    edtUserName = edit("edtUserName", "&Username", lblUserName);
    TUpperCaseValidator::Attach(*edtUserName, &TUserRec::UserName);
    edtPassword = edit("edtPassword", "&Password", lblPassword);
    TUpperCaseValidator::Attach(*edtPassword, &TUserRec::Password);
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setToolTip(QStringLiteral("A new password for the user; left empty, he keeps the one he has"));
    chkNoPassword = new QCheckBox(QStringLiteral("No pass&word"), this);
    chkNoPassword->setObjectName(QStringLiteral("chkNoPassword"));
    chkNoPassword->setToolTip(QStringLiteral("The user logs in without a password"));
    // Typing a password gives him one; ticking the box takes it away.
    connect(chkNoPassword, &QCheckBox::toggled, this, [this](bool none) {
        if (none)
            edtPassword->clear();
    });
    connect(edtPassword, &QLineEdit::textEdited, this, [this](const QString& typed) {
        if (!typed.isEmpty())
            chkNoPassword->setChecked(false);
    });
    edtFullname = edit("edtFullname", "&Full name", lblFullname);
    TFieldValidator::Attach(*edtFullname, &TUserRec::FullName);
    edtAbbreviation = edit("edtAbbreviation", "&Abbrev", lblAbbreviation);
    TFieldValidator::Attach(*edtAbbreviation, &TUserRec::Abbreviation);
    edtEmail = edit("edtEmail", "E-&mail", lblEmail);
    edtEmail->setToolTip(QStringLiteral("The address the e-mail notices of events go to"));
    TFieldValidator::Attach(*edtEmail, &TDetailRec::Text);

    lstFlags = new TCheckList(this);
    lstFlags->setObjectName(QStringLiteral("lstFlags"));
    for (const TFlagItem& item : kFlagItems)
        lstFlags->AddItem(QString::fromLatin1(item.Text), item.Bit);
    lblFlags = new QLabel(QStringLiteral("F&lags"), this);
    lblFlags->setBuddy(lstFlags);

    TActionFactory factory(*this);
    actAdd = factory.Make("actAdd", "&Add", "", {}, this, &TfrmUsers::actAddExecute);
    actUpdate = factory.Make("actUpdate", "&Update", "", {}, this, &TfrmUsers::actUpdateExecute);
    actDelete = factory.Make("actDelete", "&Delete", "", {}, this, &TfrmUsers::actDeleteExecute);
    actClose = factory.Make("actClose", "&Close", "", {}, this, &TfrmUsers::actCloseExecute);
    auto* buttons = new TButtonRow(this);
    btnAdd = buttons->Add("btnAdd", actAdd);
    btnUpdate = buttons->Add("btnUpdate", actUpdate);
    btnDelete = buttons->Add("btnDelete", actDelete);
    btnClose = buttons->Add("btnClose", actClose, TButtonRole::Default);

    connect(lstUsers, &QListWidget::itemClicked, this, TActionFactory::Guard([this] { lstUsersClick(); }));
    // The arrow keys choose a user as a click does.
    connect(lstUsers, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && Db_)
            TActionFactory::Call([this] { lstUsersClick(); });
    });
    for (QLineEdit* required : {edtUserName, edtFullname, edtAbbreviation})
        connect(required, &QLineEdit::textChanged, this, &TfrmUsers::actAddUpdate);

    frmDeleteUser = new TfrmDeleteUser(this);

    auto* fields = new QGridLayout;
    fields->addWidget(lblUserName, 0, 0);
    fields->addWidget(edtUserName, 0, 1);
    fields->addWidget(lblPassword, 1, 0);
    fields->addWidget(edtPassword, 1, 1);
    fields->addWidget(chkNoPassword, 2, 1);
    fields->addWidget(lblFullname, 3, 0);
    fields->addWidget(edtFullname, 3, 1);
    fields->addWidget(lblAbbreviation, 4, 0);
    fields->addWidget(edtAbbreviation, 4, 1);
    fields->addWidget(lblEmail, 5, 0);
    fields->addWidget(edtEmail, 5, 1);
    fields->addWidget(lblFlags, 6, 0, Qt::AlignTop);
    fields->addWidget(lstFlags, 6, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(lstUsers, 1);
    top->addLayout(fields, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    actAddUpdate();
}

int TfrmUsers::Execute(const std::string& currentUserId, TOrbekoDB& database)
{
    CurrentUserId_ = currentUserId;
    TExecuteScope scope;
    scope.Bind(Db_, &database);
    ListUsers();
    lstUsers->setFocus();
    return TDialogRunner::Run(*this);
}

void TfrmUsers::ListUsers()
{
    {
        const QSignalBlocker quiet(lstUsers);
        lstUsers->clear();
        for (const TUserEntry& entry : TUserAccounts(Db_->UserFile).All())
            lstUsers->AddItem(FieldString(entry.User.UserName), IdValue(entry.Id));
        if (lstUsers->count() == 0)
            throw std::runtime_error("Unable to read any user details");
        lstUsers->setCurrentRow(0);
    }
    lstUsersClick();
}

std::string TfrmUsers::SelectedId() const
{
    const int row = lstUsers->ItemIndex();
    return row < 0 ? std::string() : IdText(lstUsers->Data(row));
}

void TfrmUsers::lstUsersClick()
{
    const std::string id = SelectedId();
    if (!Db_ || id.empty())
        return;
    TUserRec user;
    if (!Db_->UserFile.GetEqual(user, TOrbekoDB::UserIdKey, id))
        throw std::runtime_error(Db_->UserFile.StatusText());
    edtUserName->setText(FieldString(user.UserName));
    ShowPassword(TUserPassword::None(user));
    edtFullname->setText(FieldString(user.FullName));
    edtAbbreviation->setText(FieldString(user.Abbreviation));
    edtEmail->setText(Db_->Details.UserEmail(id));
    ShowFlags(user.Flags);
}

int32_t TfrmUsers::FlagsFromList() const
{
    int32_t flags = 0;
    for (int row = 0; row < lstFlags->count(); ++row)
        if (lstFlags->Checked(row))
            flags |= static_cast<int32_t>(lstFlags->Data(row));
    return flags;
}

void TfrmUsers::ShowFlags(int32_t flags)
{
    for (int row = 0; row < lstFlags->count(); ++row)
        lstFlags->SetChecked(row, (flags & lstFlags->Data(row)) != 0);
}

void TfrmUsers::ShowPassword(bool none)
{
    chkNoPassword->setChecked(none);
    edtPassword->clear();
    edtPassword->setPlaceholderText(none ? QString() : QStringLiteral("unchanged"));
}

void TfrmUsers::actAddUpdate()
{
    const bool complete =
        !edtUserName->text().isEmpty() && !edtFullname->text().isEmpty() && !edtAbbreviation->text().isEmpty();
    actAdd->setEnabled(complete);
    actUpdate->setEnabled(complete);
}

bool TfrmUsers::EmailPlausible() const
{
    static const QRegularExpression address(QStringLiteral("^[^@\\s]+@[^@\\s.]+(\\.[^@\\s.]+)+$"));
    const QString typed = edtEmail->text().trimmed();
    if (typed.isEmpty() || address.match(typed).hasMatch())
        return true;
    TMessageBox::Inform(EmailImplausible);
    edtEmail->setFocus();
    return false;
}

TUserRec TfrmUsers::RecordFromEdits() const
{
    TUserRec user;
    Db_->InitUser(user);
    SetFieldString(user.UserName, edtUserName->text());
    SetFieldString(user.FullName, edtFullname->text());
    SetFieldString(user.Abbreviation, edtAbbreviation->text());
    user.Flags = FlagsFromList();
    return user;
}

TPasswordChange TfrmUsers::PasswordFromEdits() const
{
    if (chkNoPassword->isChecked())
        return TPasswordChange::None();
    return edtPassword->text().isEmpty() ? TPasswordChange::Keep() : TPasswordChange::Set(edtPassword->text());
}

void TfrmUsers::actAddExecute()
{
    if (!Db_ || !actAdd->isEnabled() || !EmailPlausible())
        return;
    const TUserRec user = RecordFromEdits();
    std::string id;
    const TPasswordChange password = PasswordFromEdits();
    const TWaitCursor busy;  // a password takes a moment to hash
    switch (TUserAccounts(Db_->UserFile, Db_->Details).Add(user, password, id)) {
    case TUserWrite::Done:
        lstUsers->AddItem(FieldString(user.UserName), IdValue(id));
        // Also clears an address that a deleted user of this identifier left.
        Db_->Details.SetUserEmail(id, edtEmail->text().trimmed());
        return;
    case TUserWrite::NameLocked:
        TMessageBox::Inform("Unable to add this user now. Another user has locked it");
        return;
    default:
        TMessageBox::Inform("A user with this username already exists. Please choose another username.");
        return;
    }
}

void TfrmUsers::actUpdateExecute()
{
    const std::string id = SelectedId();
    if (!Db_ || !actUpdate->isEnabled() || id.empty() || !EmailPlausible())
        return;
    const TUserRec user = RecordFromEdits();
    const TPasswordChange password = PasswordFromEdits();
    const TWaitCursor busy;  // a password takes a moment to hash
    switch (TUserAccounts(Db_->UserFile, Db_->Details).Update(id, user, password)) {
    case TUserWrite::Done:
        Db_->Details.SetUserEmail(id, edtEmail->text().trimmed());
        // The password as written, never the one typed, shows.
        lstUsersClick();
        return;
    case TUserWrite::LastAdministrator:
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                          DecodeText(TUserAccounts::LastAdministratorText(FieldText(user.UserName))));
        ShowFlags(user.Flags | urAdminister);
        return;
    case TUserWrite::RightsLocked:
    case TUserWrite::UserLocked:
        TMessageBox::Inform("Unable to update this user now. Another user has locked it");
        return;
    case TUserWrite::UnknownName:
        TMessageBox::Inform("This user does not exist. You can \"Add\" a new user but not \"Update\".");
        return;
    case TUserWrite::NameOfAnother:
        TMessageBox::Inform("This username belongs to another user. Select that user in the list to update him.");
        return;
    default:
        return;
    }
}

void TfrmUsers::actDeleteExecute()
{
    const std::string id = SelectedId();
    if (!Db_ || id.empty())
        return;
    if (id == CurrentUserId_) {
        TMessageBox::Inform("You cannot delete the user you are logged on as");
        return;
    }
    if (frmDeleteUser->Execute(id, *Db_) != QDialog::Accepted)
        return;
    {
        const QSignalBlocker quiet(lstUsers);
        const int row = lstUsers->ItemIndex();
        delete lstUsers->takeItem(row);
        if (lstUsers->count() == 0)
            return;
        lstUsers->setCurrentRow(std::min(row, lstUsers->count() - 1));
    }
    lstUsersClick();
}

void TfrmUsers::actCloseExecute()
{
    if (Db_)
        Db_->Reopen();
    accept();
}

void TfrmUsers::reject()
{
    actClose->trigger();
}
