#include "app/frmLogin.h"

#include "storage/OrbekoDB.h"
#include "ui/DialogRunner.h"
#include "ui/UpperCaseValidator.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
    for (QLineEdit* edit : {edtUserName, edtPassword})
        TUpperCaseValidator::Attach(*edit, 10);
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    Label1->setBuddy(edtUserName);
    Label2->setBuddy(edtPassword);

    actOk = new QAction(QStringLiteral("&Ok"), this);
    actCancel = new QAction(QStringLiteral("&Cancel"), this);
    connect(actOk, &QAction::triggered, this, &TfrmLogin::actOkExecute);
    connect(actCancel, &QAction::triggered, this, &TfrmLogin::actCancelExecute);
    Button1 = new QPushButton(actOk->text(), this);
    Button1->setDefault(true);
    Button2 = new QPushButton(actCancel->text(), this);
    connect(Button1, &QPushButton::clicked, actOk, &QAction::trigger);
    connect(Button2, &QPushButton::clicked, actCancel, &QAction::trigger);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtUserName, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(edtPassword, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TfrmLogin::Execute(TOrbekoDB& db, TUserRec& user)
{
    Db_ = &db;
    User_ = &user;
    edtUserName->setText(QString::fromLatin1(FieldText(user.UserName)));
    edtPassword->clear();
    (edtUserName->text().isEmpty() ? edtUserName : edtPassword)->setFocus();
    const int result = TDialogRunner::Run(*this);
    Db_ = nullptr;
    User_ = nullptr;
    return result;
}

void TfrmLogin::actOkExecute()
{
    if (!Db_)
        return;
    TUserRec found{};
    if (!Db_->UserFile.GetEqual(found, 3, edtUserName->text().toLatin1().toStdString()))
        return;
    const QString stored = QString::fromLatin1(FieldText(found.Password)).toUpper();
    if (stored != edtPassword->text().toUpper())
        return;
    *User_ = found;
    accept();
}

void TfrmLogin::actCancelExecute()
{
    reject();
}
