#include "app/frmLogin.h"

#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/UserPassword.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/DialogRunner.h"
#include "ui/ExecuteScope.h"
#include "ui/UpperCaseValidator.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmLogin::TfrmLogin(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Orbeko Login"));
    setObjectName(QStringLiteral("frmLogin"));

    Label1 = new QLabel(QStringLiteral("&Username"), this);
    edtUserName = new QLineEdit(this);
    edtUserName->setObjectName(QStringLiteral("edtUserName"));
    Label2 = new QLabel(QStringLiteral("&Password"), this);
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    TUpperCaseValidator::Attach(*edtUserName, &TUserRec::UserName);
    TUpperCaseValidator::Attach(*edtPassword, &TUserRec::Password);
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    Label1->setBuddy(edtUserName);
    Label2->setBuddy(edtPassword);

    TActionFactory actions(*this);
    actOk = actions.Make("actOk", "&Ok", "", {}, this, &TfrmLogin::actOkExecute);
    actCancel = actions.Make("actCancel", "&Cancel", "", {}, this, &TfrmLogin::actCancelExecute);
    auto* buttons = new TButtonRow(this);
    Button1 = buttons->Add("Button1", actOk, TButtonRole::Default);
    Button2 = buttons->Add("Button2", actCancel, TButtonRole::Cancel);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtUserName, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(edtPassword, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TfrmLogin::Execute(TOrbekoDB& db, TUserRec& user)
{
    TExecuteScope scope;
    scope.Bind(Db_, &db).Bind(User_, &user);
    edtUserName->setText(FieldString(user.UserName));
    edtPassword->clear();
    (edtUserName->text().isEmpty() ? edtUserName : edtPassword)->setFocus();
    return TDialogRunner::Run(*this);
}

void TfrmLogin::actOkExecute()
{
    if (!Db_)
        return;
    TUserRec found{};
    // A busy or damaged users file raises: it must not read as a wrong name.
    if (!FindRecord(Db_->UserFile, found, TOrbekoDB::UserNameKey,
                    EncodeText(edtUserName->text(), sizeof(TUserRec::UserName))))
        return;
    const std::string id = Db_->UserFile.LastKey();
    const QString typed = edtPassword->text();
    if (!TUserPassword::Matches(Db_->Details, id, found, typed))
        return;
    // A password stored as typed by an earlier version is hashed now; the
    // login stands whether that succeeds or not.
    TUserPassword::MoveOver(*Db_, id, found, typed);
    *User_ = found;
    accept();
}

void TfrmLogin::actCancelExecute()
{
    reject();
}
