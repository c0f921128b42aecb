#pragma once

#include "storage/Records.h"

#include <QDialog>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class TOrbekoDB;

// "Orbeko Login": checks a user name and password against the users file.
// A wrong name or password does nothing, so the user simply tries again.
class TfrmLogin : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmLogin(QWidget* parent = nullptr);

    // Shows the dialog modally, starting from user's UserName; on OK the
    // found user's record has been copied into user.
    int Execute(TOrbekoDB& db, TUserRec& user);

    QLabel* Label1;
    QLineEdit* edtUserName;
    QLabel* Label2;
    QLineEdit* edtPassword;
    QAction* actOk;
    QAction* actCancel;
    QPushButton* Button1;
    QPushButton* Button2;

    void actOkExecute();
    void actCancelExecute();

private:
    TOrbekoDB* Db_ = nullptr;
    TUserRec* User_ = nullptr;
};
