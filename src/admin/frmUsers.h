#pragma once

#include <QDialog>

#include <string>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TCheckList;
class TListBox;
class TOrbekoDB;
class TfrmDeleteUser;
struct TPasswordChange;
struct TUserRec;

// "Users": adds users, changes their details, e-mail addresses, passwords and rights, and
// hands the deletion of a user to the delete-user wizard. Every change is
// written at once by its action; there is nothing to cancel.
class TfrmUsers : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmUsers(QWidget* parent = nullptr);

    // Lists the users of database and shows the dialog modally; the user
    // currentUserId (the one logged in) cannot be deleted. Throws when no
    // user can be read.
    int Execute(const std::string& currentUserId, TOrbekoDB& database);

    TListBox* lstUsers;
    QLabel* lblUserName;
    QLineEdit* edtUserName;
    QLabel* lblPassword;
    // Never shows a stored password: empty, it keeps the user's password;
    // what is typed there becomes his new one.
    QLineEdit* edtPassword;
    // Checked when the user has no password; checking it removes his.
    QCheckBox* chkNoPassword;
    QLabel* lblFullname;
    QLineEdit* edtFullname;
    QLabel* lblAbbreviation;
    QLineEdit* edtAbbreviation;
    QLabel* lblEmail;
    QLineEdit* edtEmail;
    QLabel* lblFlags;
    TCheckList* lstFlags;
    QAction* actAdd;
    QAction* actUpdate;
    QAction* actDelete;
    QAction* actClose;
    QPushButton* btnAdd;
    QPushButton* btnUpdate;
    QPushButton* btnDelete;
    QPushButton* btnClose;
    TfrmDeleteUser* frmDeleteUser;

    void ListUsers();
    void lstUsersClick();
    // Add and Update need a user name, a full name and an abbreviation.
    void actAddUpdate();
    void actAddExecute();
    void actUpdateExecute();
    void actDeleteExecute();
    void actCloseExecute();

    static constexpr const char* EmailImplausible =
        "This e-mail address cannot be right. An address has a name, an @ and a domain, such as ann@example.org.";

    // The rights of the checked items of lstFlags, and the reverse.
    int32_t FlagsFromList() const;
    void ShowFlags(int32_t flags);

protected:
    // Escape and the window's close box close the way Close does.
    void reject() override;

private:
    TUserRec RecordFromEdits() const;
    TPasswordChange PasswordFromEdits() const;
    // The password edits for a user who has a password or none.
    void ShowPassword(bool none);
    // False, after telling why, when the address typed cannot be one.
    bool EmailPlausible() const;
    std::string SelectedId() const;

    std::string CurrentUserId_;
    TOrbekoDB* Db_ = nullptr;
};
